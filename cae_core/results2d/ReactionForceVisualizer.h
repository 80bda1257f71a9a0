#pragma once

#include "cae_core/fea2d/Context.h"
#include "cae_core/fea2d/Simulation.h"
#include "host/oa/DrawableImpl.h"
#include "platform/db/DbPolyline.h"
#include "platform/db/DbText.h"
#include "platform/ge/GePoint2d.h"
#include "platform/ge/GeVector2d.h"

#include <memory>
#include <vector>

namespace cma
{
class DrawableHolder;
}

namespace cae_core::fea2d
{

/// The reaction force at one support: an arrow along the force with its magnitude as a label, set
/// off the boundary on the side the normal points to. Made of a closed polyline and a text that
/// carry the drawing's defaults but belong to no database, so that they can be copied into one.
///
/// Sizes are multiples of s = Context::supportLoadDrawableSize(): the arrow is 9 s long, its head
/// 4.5 s and its shaft 2.25 s wide, the label 6 s high, and the glyph's corner nearest the boundary
/// lies 19 s from the support point along the normal.
class ReactionForceDrawable : public oa::DrawableImpl
{
public:
    /// `point`: the support point; `force`: the reaction force; `normal`: the direction, out of the
    /// region, in which the glyph is set off (zero: its corner sits on the point).
    static OdSmartPtr<ReactionForceDrawable> createObject(const Context& context, const OdGePoint2d& point,
                                                          const OdGeVector2d& force,
                                                          const OdGeVector2d& normal);
    ReactionForceDrawable(const Context& context, const OdGePoint2d& point, const OdGeVector2d& force,
                          const OdGeVector2d& normal);

    /// The entities themselves, shared, not copies.
    OdSmartPtr<OdDbText> label() const { return m_label; }
    OdSmartPtr<OdDbPolyline> arrow() const { return m_arrow; }

private:
    /// Draws the arrow, then the label; false without a world draw.
    bool subWorldDraw(OdGiWorldDraw* worldDraw) const override;

    OdSmartPtr<OdDbText> m_label;
    OdSmartPtr<OdDbPolyline> m_arrow;
};

/// Shows one reaction force glyph per support of a simulation output in the host's current view for as
/// long as it lives.
class ReactionForceVisualizer
{
public:
    /// Shows nothing when the host has no application object or current viewer, or the region has no
    /// boundary representation. The context must outlive the construction only.
    ReactionForceVisualizer(const SimulationOutput& output, const Context& context);
    /// Takes every glyph off the view.
    ~ReactionForceVisualizer();
    ReactionForceVisualizer(const ReactionForceVisualizer&) = delete;
    ReactionForceVisualizer& operator=(const ReactionForceVisualizer&) = delete;

    /// The displayed glyphs, in ascending support index (for the host's tests and block writer).
    std::vector<const ReactionForceDrawable*> drawables() const;

private:
    std::vector<std::unique_ptr<cma::DrawableHolder>> holders;
};

} // namespace cae_core::fea2d
