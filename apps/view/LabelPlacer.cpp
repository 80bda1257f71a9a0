#include "apps/view/LabelPlacer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <unordered_map>

namespace cae_app
{
namespace
{
/// The clear space a moved label keeps to other labels, in its own heights: enough that two
/// stacked labels read as two lines.
constexpr double kGapShare = 0.25;
/// Rings searched for a place clear of lines and area as well (four label heights up or down, four
/// widths aside); when none is, the nearest place among them clear of labels wins, as a label far
/// from its glyph reads worse than one over a line.
constexpr int kPreferredRings = 8;
/// Rings further out searched for a place clear of labels alone before the label goes above all
/// others: a cluster this deep is pathological, and the search must stay cheap.
constexpr int kFurtherRings = 56;
/// A label moved further than this many of its heights gets a leader to its anchor: nearer, it
/// still reads as its glyph's own.
constexpr double kLeaderHeights = 1.0;
/// The buckets of the search grid are at least this many label heights wide, so that a label
/// touches few of them, and at least this share of the picture's span, so that a long line
/// touches no more than a few hundred.
constexpr double kCellHeights = 2.0;
constexpr double kCellSpanShare = 1.0 / 128.0;
/// Bucket indices are clamped here; coordinates that far out share their edge buckets, which
/// costs time, not correctness.
constexpr std::int64_t kCellLimit = std::int64_t(1) << 30;
/// Stands in for a zero size (a label of no height, a picture of one point) that would divide by zero.
constexpr double kTiny = std::numeric_limits<double>::min();

/// Ring directions; of two candidates equally far, up and down come first, as stacked labels read best.
constexpr int kDirections[8][2] = {{0, 1}, {0, -1}, {1, 0}, {-1, 0}, {1, 1}, {-1, 1}, {1, -1}, {-1, -1}};

struct Box
{
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;

    static Box of(const OdGeExtents3d& e)
    {
        return {e.minPoint().x, e.minPoint().y, e.maxPoint().x, e.maxPoint().y};
    }
    Box grown(double d) const { return {x0 - d, y0 - d, x1 + d, y1 + d}; }
    Box moved(double dx, double dy) const { return {x0 + dx, y0 + dy, x1 + dx, y1 + dy}; }
    double width() const { return x1 - x0; }
    double height() const { return y1 - y0; }
};

/// Sharing more than a boundary.
bool overlap(const Box& a, const Box& b)
{
    return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}

/// Whether the segment enters the box (Liang-Barsky clipping of its parameter range).
bool crosses(const Box& b, const LabelObstacle& s)
{
    const double dx = s.end.x - s.start.x, dy = s.end.y - s.start.y;
    double t0 = 0.0, t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {s.start.x - b.x0, b.x1 - s.start.x, s.start.y - b.y0, b.y1 - s.start.y};
    for (int i = 0; i < 4; ++i)
    {
        if (p[i] == 0.0)
        {
            if (q[i] < 0.0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    return true;
}

/// Even-odd: whether a ray from p to +x crosses the boundary an odd number of times.
bool inside(const std::vector<LabelObstacle>& boundary, double x, double y)
{
    bool in = false;
    for (const LabelObstacle& s : boundary)
    {
        const OdGePoint3d& a = s.start;
        const OdGePoint3d& b = s.end;
        if ((a.y > y) != (b.y > y) && x < a.x + (y - a.y) / (b.y - a.y) * (b.x - a.x))
            in = !in;
    }
    return in;
}

/// Item indices in square buckets, so that a query looks only at what lies near its box.
class Grid
{
public:
    explicit Grid(double cell) : m_cell(cell) {}

    void insert(int id, const Box& b)
    {
        forCells(b,
                 [&](std::int64_t key)
                 {
                     m_cells[key].push_back(id);
                     return false;
                 });
    }
    /// Whether `hit` answers true for an item in a bucket the box touches (items may be asked twice).
    template <class Hit> bool any(const Box& b, Hit&& hit) const
    {
        return forCells(b,
                        [&](std::int64_t key)
                        {
                            const auto it = m_cells.find(key);
                            return it != m_cells.end() &&
                                   std::any_of(it->second.begin(), it->second.end(), hit);
                        });
    }

private:
    std::int64_t index(double v) const
    {
        const double i = std::floor(v / m_cell);
        // Clamped before the conversion, which is undefined out of range; not-a-number goes low.
        if (!(i >= static_cast<double>(-kCellLimit)))
            return -kCellLimit;
        return i > static_cast<double>(kCellLimit) ? kCellLimit : static_cast<std::int64_t>(i);
    }
    template <class Visit> bool forCells(const Box& b, Visit&& visit) const
    {
        for (std::int64_t i = index(b.x0); i <= index(b.x1); ++i)
            for (std::int64_t j = index(b.y0); j <= index(b.y1); ++j)
                if (visit(i * (4 * kCellLimit) + j))
                    return true;
        return false;
    }

    double m_cell;
    std::unordered_map<std::int64_t, std::vector<int>> m_cells;
};

Box boundsOf(const LabelObstacle& s)
{
    return {std::min(s.start.x, s.end.x), std::min(s.start.y, s.end.y), std::max(s.start.x, s.end.x),
            std::max(s.start.y, s.end.y)};
}

struct Candidate
{
    double dx = 0, dy = 0;
};

/// The labels placed so far and the shapes they keep clear of, in search grids.
class Search
{
public:
    Search(std::vector<LabelObstacle> shapes, const std::vector<LabelObstacle>& area, double cell)
        : m_shapes(std::move(shapes)), m_area(area), m_shapeGrid(cell), m_labelGrid(cell)
    {
        for (std::size_t i = 0; i < m_shapes.size(); ++i)
            m_shapeGrid.insert(static_cast<int>(i), boundsOf(m_shapes[i]));
    }

    LabelPlacement place(const LabelRequest& label)
    {
        const Box natural = Box::of(label.box);
        const Box chosen = clearOfLabels(natural) ? natural : moved(natural, label.anchor);
        const LabelPlacement placement{OdGeVector3d(chosen.x0 - natural.x0, chosen.y0 - natural.y0, 0.0),
                                       needsLeader(natural, chosen)};
        if (placement.leader)
            addShape(leader(chosen, label.anchor));
        m_labelGrid.insert(static_cast<int>(m_placed.size()), chosen);
        m_placed.push_back(chosen);
        m_top = std::max(m_top, chosen.y1);
        return placement;
    }

private:
    /// Where a label that overlaps one placed before it goes.
    Box moved(const Box& natural, const OdGePoint3d& anchor) const
    {
        const double gap = kGapShare * std::max(natural.height(), kTiny);
        const double sx = (natural.width() + gap) / 2, sy = (natural.height() + gap) / 2;
        // Text over a line reads worse than a leader across another label.
        std::optional<Box> clearOfShapesOnly, clearOfLabelsOnly;
        for (const Candidate& c : nearCandidates(sx, sy))
        {
            const Box box = natural.moved(c.dx, c.dy);
            if (!clearOfLabels(box.grown(gap)))
                continue;
            if (clearOfShapes(box.grown(gap / 2)))
            {
                if (!needsLeader(natural, box) || !leaderCrossesLabels(box, anchor))
                    return box;
                if (!clearOfShapesOnly)
                    clearOfShapesOnly = box;
            }
            if (!clearOfLabelsOnly)
                clearOfLabelsOnly = box;
        }
        if (clearOfShapesOnly || clearOfLabelsOnly)
            return clearOfShapesOnly ? *clearOfShapesOnly : *clearOfLabelsOnly;
        for (int k = kPreferredRings + 1; k <= kPreferredRings + kFurtherRings; ++k)
            for (const auto& d : kDirections)
                if (const Box box = natural.moved(d[0] * k * sx, d[1] * k * sy);
                    clearOfLabels(box.grown(gap)))
                    return box;
        // Above every placed label nothing is in the way.
        return natural.moved(0.0, m_top + gap - natural.y0);
    }
    /// The candidates of the first rings, nearest first (ties in ring and direction order): a wide
    /// label thus moves up or down before it moves aside.
    static std::vector<Candidate> nearCandidates(double sx, double sy)
    {
        std::vector<Candidate> all;
        for (int k = 1; k <= kPreferredRings; ++k)
            for (const auto& d : kDirections)
                all.push_back({d[0] * k * sx, d[1] * k * sy});
        std::stable_sort(all.begin(), all.end(),
                         [](const Candidate& a, const Candidate& b)
                         { return std::hypot(a.dx, a.dy) < std::hypot(b.dx, b.dy); });
        return all;
    }
    static bool needsLeader(const Box& natural, const Box& placed)
    {
        return std::hypot(placed.x0 - natural.x0, placed.y0 - natural.y0) > kLeaderHeights * natural.height();
    }
    static LabelObstacle leader(const Box& b, const OdGePoint3d& anchor)
    {
        const OdGePoint3d from(std::clamp(anchor.x, b.x0, b.x1), std::clamp(anchor.y, b.y0, b.y1), anchor.z);
        return {from, anchor};
    }
    bool clearOfLabels(const Box& b) const
    {
        return !m_labelGrid.any(b,
                                [&](int id) { return overlap(b, m_placed[static_cast<std::size_t>(id)]); });
    }
    bool clearOfShapes(const Box& b) const
    {
        return !m_shapeGrid.any(b,
                                [&](int id) { return crosses(b, m_shapes[static_cast<std::size_t>(id)]); }) &&
               !inside(m_area, (b.x0 + b.x1) / 2, (b.y0 + b.y1) / 2);
    }
    bool leaderCrossesLabels(const Box& b, const OdGePoint3d& anchor) const
    {
        const LabelObstacle line = leader(b, anchor);
        return m_labelGrid.any(boundsOf(line),
                               [&](int id) { return crosses(m_placed[static_cast<std::size_t>(id)], line); });
    }
    void addShape(const LabelObstacle& s)
    {
        m_shapeGrid.insert(static_cast<int>(m_shapes.size()), boundsOf(s));
        m_shapes.push_back(s);
    }

    std::vector<LabelObstacle> m_shapes;
    const std::vector<LabelObstacle>& m_area;
    Grid m_shapeGrid;
    Grid m_labelGrid;
    std::vector<Box> m_placed;
    /// The top of the highest placed label.
    double m_top = -std::numeric_limits<double>::infinity();
};
} // namespace

void LabelPlacer::addLines(const std::vector<LabelObstacle>& lines)
{
    m_lines.insert(m_lines.end(), lines.begin(), lines.end());
}

void LabelPlacer::addArea(const std::vector<LabelObstacle>& boundary)
{
    m_area.insert(m_area.end(), boundary.begin(), boundary.end());
}

std::vector<LabelPlacement> LabelPlacer::place(const std::vector<LabelRequest>& labels) const
{
    OdGeExtents3d span;
    double tallest = 0.0;
    for (const LabelRequest& l : labels)
        if (l.box.isValidExtents())
        {
            span.addExt(l.box);
            tallest = std::max(tallest, l.box.maxPoint().y - l.box.minPoint().y);
        }
    std::vector<LabelPlacement> placements(labels.size());
    if (!span.isValidExtents())
        return placements;
    std::vector<LabelObstacle> shapes = m_lines;
    shapes.insert(shapes.end(), m_area.begin(), m_area.end());
    for (const LabelObstacle& s : shapes)
        span.addPoint(s.start).addPoint(s.end);
    const double extent = std::max(span.diagonal().x, span.diagonal().y);
    Search search(std::move(shapes), m_area,
                  std::max({kCellHeights * tallest, kCellSpanShare * extent, kTiny}));
    for (std::size_t i = 0; i < labels.size(); ++i)
        if (labels[i].box.isValidExtents())
            placements[i] = search.place(labels[i]);
    return placements;
}

OdGePoint3d nearestPointOf(const OdGeExtents3d& box, const OdGePoint3d& p)
{
    return OdGePoint3d(std::clamp(p.x, box.minPoint().x, box.maxPoint().x),
                       std::clamp(p.y, box.minPoint().y, box.maxPoint().y), p.z);
}
} // namespace cae_app
