#pragma once

#include "apps/view/LabelPlacer.h"
#include "host/oa/DrawableImpl.h"
#include "platform/base/SmartPtr.h"
#include "platform/ge/GeExtents3d.h"

#include <optional>
#include <vector>

/// The glyphs' labels as the picture shows them: what a drawable draws, read back for the label
/// placer, and the drawable shown again with its labels moved where the placer put them.
namespace cae_app
{
/// What a drawable draws, in world coordinates.
struct DrawnShapes
{
    /// One per text it draws, in drawing order: from the baseline to the cap height, as long as the
    /// characters advance (as the view measures them); invalid for an empty text.
    std::vector<OdGeExtents3d> texts;
    /// Its lines, polygon edges and flattened curves (shells left out), as straight pieces.
    std::vector<LabelObstacle> lines;
};

/// Runs `drawable`'s world drawing, nested drawables and entities included, and collects it.
DrawnShapes drawnShapes(const OdGiDrawable& drawable);

/// The point of `lines` nearest to `p`; `p` itself when there are none.
OdGePoint3d nearestPointOn(const std::vector<LabelObstacle>& lines, const OdGePoint3d& p);

/// A text of a glyph placed apart from the others: where its glyph put it, the point of the glyph
/// nearest to that, the move the placer gave it, and which of its group's drawables draws it (and
/// whether that one draws no other text).
struct PlacedText
{
    LabelRequest request;
    LabelPlacement placement;
    std::size_t part = 0;
    bool alone = true;
};

/// Places the texts the groups draw (each group the drawables of one glyph or reaction, in order of
/// precedence) apart from each other, clear of every group's lines and of the inside of `region`:
/// per group, its texts in drawing order. The picture and the drawing place their labels so.
std::vector<std::vector<PlacedText>> placeTexts(const OdGiDrawable& region,
                                                const std::vector<std::vector<const OdGiDrawable*>>& groups);

/// Another drawable shown with its texts moved: the n-th text it draws moves by the n-th move's
/// offset, and a thin grey leader runs from the moved text's box to the move's anchor when it has one.
/// Everything else is drawn as the inner drawable draws it, in its own attributes.
class MovedLabelsDrawable : public oa::DrawableImpl
{
public:
    struct Move
    {
        OdGeVector3d offset;
        /// Where the leader ends; none: no leader.
        std::optional<OdGePoint3d> leaderTo;
    };

    MovedLabelsDrawable(OdGiDrawablePtr inner, std::vector<Move> moves);

    const OdGiDrawable* inner() const { return m_inner.get(); }

private:
    std::uint32_t subSetAttributes(OdGiDrawableTraits* traits) const override;
    bool subWorldDraw(OdGiWorldDraw* worldDraw) const override;
    void subViewportDraw(OdGiViewportDraw* viewportDraw) const override;

    OdGiDrawablePtr m_inner;
    std::vector<Move> m_moves;
};
} // namespace cae_app
