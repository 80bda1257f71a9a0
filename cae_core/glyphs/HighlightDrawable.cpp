#include "cae_core/glyphs/HighlightDrawable.h"

#include "host/ca/Preferences.h"
#include "host/oa/RenderTraits.h"
#include "platform/base/OdError.h"
#include "platform/gi/GiWorldDraw.h"

namespace cae_core::fea2d
{
namespace
{
/// The share of the background the host mixes into a highlight when it fades one.
constexpr double kHighlightFade = 0.25;
} // namespace

OdSmartPtr<HighlightDrawable> HighlightDrawable::createObject(const OdSmartPtr<OdDbEntity>& entity)
{
    return odrxCreateObject<HighlightDrawable>(entity);
}

HighlightDrawable::HighlightDrawable(const OdSmartPtr<OdDbEntity>& entity)
{
    if (!entity)
        throw OdError(eNullPtr, "HighlightDrawable: there is no entity to highlight");
    m_copy = entity->clone();
    m_copy->setColorIndex(ca::preferences().highlightColorIndex());
}

std::uint32_t HighlightDrawable::subSetAttributes(OdGiDrawableTraits* traits) const
{
    if (oa::RenderTraits* render = oa::RenderTraits::from(traits))
    {
        render->setFlag(oa::RenderTraits::eOnTop, true);
        render->setFadeFactor(kHighlightFade);
        render->setFlag(oa::RenderTraits::eFaded, false);
        render->setFlag(oa::RenderTraits::eShaded, false);
    }
    return m_copy->setAttributes(traits);
}

bool HighlightDrawable::subWorldDraw(OdGiWorldDraw*) const
{
    return false;
}

void HighlightDrawable::subViewportDraw(OdGiViewportDraw* viewportDraw) const
{
    if (viewportDraw)
        viewportDraw->geometry().draw(m_copy.get());
}
} // namespace cae_core::fea2d
