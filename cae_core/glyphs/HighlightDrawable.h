#pragma once

#include "host/oa/DrawableImpl.h"
#include "platform/base/SmartPtr.h"
#include "platform/db/DbObject.h"

namespace cae_core::fea2d
{
/// Shows an entity highlighted: a private copy of it in the host's highlight colour, drawn on top
/// of everything else. Later changes of the entity do not show; make a new one.
class HighlightDrawable : public oa::DrawableImpl
{
public:
    /// Copies `entity` (OdDbEntity::clone, so OdError(eNotApplicable) for a kind that cannot be
    /// copied) and colours the copy with ca::preferences().highlightColorIndex().
    static OdSmartPtr<HighlightDrawable> createObject(const OdSmartPtr<OdDbEntity>& entity);
    explicit HighlightDrawable(const OdSmartPtr<OdDbEntity>& entity);

    /// The coloured copy shown.
    const OdDbEntity& copy() const { return *m_copy; }

protected:
    /// On top, at a fade factor of 0.25 with fading and shading off, then the copy's attributes.
    std::uint32_t subSetAttributes(OdGiDrawableTraits* traits) const override;
    /// False: the copy is drawn in viewport draw.
    bool subWorldDraw(OdGiWorldDraw* worldDraw) const override;
    void subViewportDraw(OdGiViewportDraw* viewportDraw) const override;

private:
    OdSmartPtr<OdDbEntity> m_copy;
};
} // namespace cae_core::fea2d
