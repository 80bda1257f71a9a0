#include "cae_core/glyphs/MeshDrawable.h"

#include "host/oa/RenderTraits.h"
#include "platform/gi/GiWorldDraw.h"

namespace cae_core::fea2d
{
OdSmartPtr<MeshDrawable> MeshDrawable::createObject(OdSmartPtr<OdDbSubDMesh> mesh)
{
    return odrxCreateObject<MeshDrawable>(std::move(mesh));
}

std::uint32_t MeshDrawable::subSetAttributes(OdGiDrawableTraits* traits) const
{
    const std::uint32_t flags = oa::DrawableImpl::subSetAttributes(traits);
    if (oa::RenderTraits* render = oa::RenderTraits::from(traits))
        render->setFlag(oa::RenderTraits::eShaded, false);
    return flags;
}

bool MeshDrawable::subWorldDraw(OdGiWorldDraw*) const
{
    return false;
}

void MeshDrawable::subViewportDraw(OdGiViewportDraw* viewportDraw) const
{
    if (viewportDraw && m_mesh)
        viewportDraw->geometry().draw(m_mesh.get());
}
} // namespace cae_core::fea2d
