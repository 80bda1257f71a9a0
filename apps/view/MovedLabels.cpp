#include "apps/view/MovedLabels.h"

#include "host/oa/RenderTraits.h"
#include "platform/base/OdString.h"
#include "platform/ge/GeNurbCurve3d.h"
#include "platform/gi/GiWorldDraw.h"

#include <algorithm>
#include <limits>

namespace cae_app
{
namespace
{
/// Points of a flattened curve per span between its knots: the placer only needs to know roughly
/// where a curve runs.
constexpr int kPointsPerSpan = 8;
/// Leaders are thin and grey, so that they read as pointers rather than as part of a glyph.
constexpr double kLeaderWidth = 0.5;
constexpr std::uint8_t kLeaderGrey = 90;

/// Traits for a drawing that only collects: it keeps what a drawable sets, so that the drawable
/// reads back what it expects.
class PlainTraits final : public OdGiSubEntityTraits, public oa::RenderTraits
{
public:
    void setColor(std::uint16_t colorIndex) override { m_color.setColorIndex(colorIndex); }
    void setTrueColor(const OdCmEntityColor& color) override { m_color = color; }
    void setFillType(OdGiFillType fillType) override { m_fill = fillType; }
    OdCmEntityColor trueColor() const override { return m_color; }
    OdGiFillType fillType() const override { return m_fill; }

private:
    OdCmEntityColor m_color;
    OdGiFillType m_fill = kOdGiFillNever;
};

/// The traits in force before a nested drawable sets its own, put back after it.
class SavedTraits
{
public:
    explicit SavedTraits(OdGiSubEntityTraits& traits)
        : m_traits(traits), m_color(traits.trueColor()), m_fill(traits.fillType())
    {
        if (const oa::RenderTraits* render = oa::RenderTraits::from(&traits))
        {
            m_flags = render->flags();
            m_fade = render->fadeFactor();
            m_width = render->lineWidth();
        }
    }
    ~SavedTraits()
    {
        m_traits.setTrueColor(m_color);
        m_traits.setFillType(m_fill);
        if (oa::RenderTraits* render = oa::RenderTraits::from(&m_traits))
        {
            render->setFlags(m_flags);
            render->setFadeFactor(m_fade);
            render->setLineWidth(m_width);
        }
    }
    SavedTraits(const SavedTraits&) = delete;
    SavedTraits& operator=(const SavedTraits&) = delete;

private:
    OdGiSubEntityTraits& m_traits;
    OdCmEntityColor m_color;
    OdGiFillType m_fill;
    std::uint32_t m_flags = 0;
    double m_fade = 0.0;
    double m_width = 1.0;
};

/// Walks a drawable's world drawing, nested drawables included, collecting its shapes; with an
/// outer world draw it also passes everything on to it, each text moved by its offset.
class Walker final : public OdGiWorldDraw, public OdGiWorldGeometry
{
public:
    Walker(OdGiSubEntityTraits& traits, OdGiWorldDraw* outer, const std::vector<OdGeVector3d>& offsets)
        : m_traits(traits), m_outer(outer), m_offsets(offsets)
    {
    }

    OdGiSubEntityTraits& subEntityTraits() const override { return m_traits; }
    OdGiWorldGeometry& geometry() const override { return const_cast<Walker&>(*this); }

    void polyline(std::int32_t numVertices, const OdGePoint3d* vertexList, const OdGeVector3d* normal,
                  std::intptr_t marker) override
    {
        for (std::int32_t i = 0; vertexList && i + 1 < numVertices; ++i)
            shapes.lines.push_back({vertexList[i], vertexList[i + 1]});
        if (m_outer)
            m_outer->geometry().polyline(numVertices, vertexList, normal, marker);
    }
    void polygon(std::int32_t numVertices, const OdGePoint3d* vertexList) override
    {
        for (std::int32_t i = 0; vertexList && numVertices > 2 && i < numVertices; ++i)
            shapes.lines.push_back({vertexList[i], vertexList[(i + 1) % numVertices]});
        if (m_outer)
            m_outer->geometry().polygon(numVertices, vertexList);
    }
    void shell(std::int32_t numVertices, const OdGePoint3d* vertexList, std::int32_t faceListSize,
               const std::int32_t* faceList, const OdGiEdgeData* edgeData, const OdGiFaceData* faceData,
               const OdGiVertexData* vertexData) override
    {
        if (m_outer)
            m_outer->geometry().shell(numVertices, vertexList, faceListSize, faceList, edgeData, faceData,
                                      vertexData);
    }
    void text(const OdGePoint3d& position, const OdGeVector3d& normal, const OdGeVector3d& direction,
              double height, double width, double oblique, const OdString& msg) override
    {
        const std::size_t n = shapes.texts.size();
        const OdGePoint3d at = n < m_offsets.size() ? position + m_offsets[n] : position;
        shapes.texts.push_back(textBox(at, direction, height, width, msg));
        if (m_outer)
            m_outer->geometry().text(at, normal, direction, height, width, oblique, msg);
    }
    void nurbs(const OdGeNurbCurve3d& curve) override
    {
        OdGeDoubleArray breaks;
        curve.getBreakParams(breaks);
        for (unsigned int i = 0; i + 1 < breaks.size(); ++i)
            for (int k = 0; k < kPointsPerSpan; ++k)
            {
                const double step = (breaks[i + 1] - breaks[i]) / kPointsPerSpan;
                shapes.lines.push_back(
                    {curve.evalPoint(breaks[i] + k * step), curve.evalPoint(breaks[i] + (k + 1) * step)});
            }
        if (m_outer)
            m_outer->geometry().nurbs(curve);
    }
    void draw(const OdGiDrawable* drawable) override
    {
        if (!drawable)
            return;
        const SavedTraits saved(m_traits);
        if (drawable->setAttributes(&m_traits) & OdGiDrawable::kDrawableIsInvisible)
            return;
        // A drawable that draws only per viewport has no labels to move: the outer view draws it whole.
        if (!drawable->worldDraw(this) && m_outer)
            m_outer->geometry().draw(drawable);
    }

    DrawnShapes shapes;

private:
    static OdGeExtents3d textBox(const OdGePoint3d& at, const OdGeVector3d& direction, double height,
                                 double width, const OdString& msg)
    {
        if (msg.isEmpty() || !(height > 0.0) || !std::isfinite(height))
            return OdGeExtents3d();
        const OdGeVector3d along = direction.isZeroLength() ? OdGeVector3d::kXAxis : direction.normal();
        const OdGeVector3d up(-along.y, along.x, 0.0);
        const double length = static_cast<double>(msg.getLength()) * kOdGiCharacterAdvance * height *
                              (width > 0.0 ? width : 1.0);
        OdGeExtents3d box(at, at);
        box.addPoint(at + along * length)
            .addPoint(at + up * height)
            .addPoint(at + along * length + up * height);
        return box;
    }

    OdGiSubEntityTraits& m_traits;
    OdGiWorldDraw* m_outer;
    const std::vector<OdGeVector3d>& m_offsets;
};
} // namespace

DrawnShapes drawnShapes(const OdGiDrawable& drawable)
{
    PlainTraits traits;
    const std::vector<OdGeVector3d> none;
    Walker walker(traits, nullptr, none);
    walker.draw(&drawable);
    return std::move(walker.shapes);
}

OdGePoint3d nearestPointOn(const std::vector<LabelObstacle>& lines, const OdGePoint3d& p)
{
    OdGePoint3d best = p;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (const LabelObstacle& s : lines)
    {
        const OdGeVector3d d = s.end - s.start;
        const double lengthSquared = d.dotProduct(d);
        const double t =
            lengthSquared > 0.0 ? std::clamp((p - s.start).dotProduct(d) / lengthSquared, 0.0, 1.0) : 0.0;
        const OdGePoint3d q = s.start + d * t;
        if (const double distance = q.distanceTo(p); distance < bestDistance)
        {
            bestDistance = distance;
            best = q;
        }
    }
    return best;
}

std::vector<std::vector<PlacedText>> placeTexts(const OdGiDrawable& region,
                                                const std::vector<std::vector<const OdGiDrawable*>>& groups)
{
    LabelPlacer placer;
    placer.addArea(drawnShapes(region).lines);
    // Each group's texts with the drawable that draws them; the anchors once every group's lines are known.
    std::vector<std::vector<PlacedText>> placed(groups.size());
    std::vector<std::vector<LabelObstacle>> lines(groups.size());
    for (std::size_t i = 0; i < groups.size(); ++i)
    {
        for (std::size_t part = 0; part < groups[i].size(); ++part)
        {
            DrawnShapes one = drawnShapes(*groups[i][part]);
            for (const OdGeExtents3d& box : one.texts)
                placed[i].push_back({{box, OdGePoint3d()}, {}, part, one.texts.size() == 1});
            lines[i].insert(lines[i].end(), one.lines.begin(), one.lines.end());
        }
        placer.addLines(lines[i]);
    }
    std::vector<LabelRequest> requests;
    for (std::size_t i = 0; i < groups.size(); ++i)
        for (PlacedText& text : placed[i])
        {
            if (text.request.box.isValidExtents())
                text.request.anchor = nearestPointOn(lines[i], text.request.box.center());
            requests.push_back(text.request);
        }
    const std::vector<LabelPlacement> placements = placer.place(requests);
    std::size_t next = 0;
    for (auto& group : placed)
        for (PlacedText& text : group)
            text.placement = placements[next++];
    return placed;
}

MovedLabelsDrawable::MovedLabelsDrawable(OdGiDrawablePtr inner, std::vector<Move> moves)
    : m_inner(std::move(inner)), m_moves(std::move(moves))
{
}

std::uint32_t MovedLabelsDrawable::subSetAttributes(OdGiDrawableTraits* traits) const
{
    return m_inner ? m_inner->setAttributes(traits) : kDrawableIsInvisible;
}

bool MovedLabelsDrawable::subWorldDraw(OdGiWorldDraw* worldDraw) const
{
    if (!worldDraw || !m_inner)
        return false;
    std::vector<OdGeVector3d> offsets;
    for (const Move& m : m_moves)
        offsets.push_back(m.offset);
    OdGiSubEntityTraits& traits = worldDraw->subEntityTraits();
    Walker walker(traits, worldDraw, offsets);
    {
        const SavedTraits saved(traits);
        if (!m_inner->worldDraw(&walker))
            return false;
    }
    const SavedTraits saved(traits);
    traits.setTrueColor(OdCmEntityColor(kLeaderGrey, kLeaderGrey, kLeaderGrey));
    if (oa::RenderTraits* render = oa::RenderTraits::from(&traits))
        render->setLineWidth(kLeaderWidth);
    for (std::size_t i = 0; i < m_moves.size() && i < walker.shapes.texts.size(); ++i)
        if (m_moves[i].leaderTo && walker.shapes.texts[i].isValidExtents())
        {
            const OdGePoint3d line[] = {nearestPointOf(walker.shapes.texts[i], *m_moves[i].leaderTo),
                                        *m_moves[i].leaderTo};
            worldDraw->geometry().polyline(2, line);
        }
    return true;
}

void MovedLabelsDrawable::subViewportDraw(OdGiViewportDraw* viewportDraw) const
{
    if (m_inner)
        m_inner->viewportDraw(viewportDraw);
}
} // namespace cae_app
