#pragma once

#include "host/oa/DrawableImpl.h"
#include "platform/base/SmartPtr.h"
#include "platform/db/DbSubDMesh.h"

namespace cae_core::fea2d
{
/// Shows a mesh of the analysis (not in the drawing) as its edges: the host's shading is turned
/// off for it, so its faces are never filled over the region.
class MeshDrawable : public oa::DrawableImpl
{
public:
    static OdSmartPtr<MeshDrawable> createObject(OdSmartPtr<OdDbSubDMesh> mesh);
    explicit MeshDrawable(OdSmartPtr<OdDbSubDMesh> mesh) : m_mesh(std::move(mesh)) {}

    const OdSmartPtr<OdDbSubDMesh>& mesh() const { return m_mesh; }

protected:
    std::uint32_t subSetAttributes(OdGiDrawableTraits* traits) const override;
    /// False: the mesh is drawn in viewport draw.
    bool subWorldDraw(OdGiWorldDraw* worldDraw) const override;
    void subViewportDraw(OdGiViewportDraw* viewportDraw) const override;

private:
    OdSmartPtr<OdDbSubDMesh> m_mesh;
};
} // namespace cae_core::fea2d
