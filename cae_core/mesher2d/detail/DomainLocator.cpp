#include "cae_core/mesher2d/MesherTolerances.h"
#include "cae_core/mesher2d/detail/DelaunayMesherImpl.h"

#include "platform/ge/GeContext.h"
#include "platform/ge/GeUtils.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace cae_core::mesher2d::detail
{

namespace
{
/// Grid cells are about this many average edge lengths wide, so an edge touches a few cells and
/// a cell holds a few edges.
constexpr double kEdgesPerCell = 2.0;
/// Upper bound on the grid's cells per polygon edge, for long thin polygons whose box is mostly
/// empty.
constexpr std::size_t kMaxCellsPerEdge = 4;

/// Index of the grid line below v: monotone in v (so a value between two others never lands
/// outside their indices) and clamped to [0, count - 1].
std::uint32_t gridIndex(double v, double origin, double inverseCell, std::uint32_t count)
{
    const double f = std::floor((v - origin) * inverseCell);
    if (!(f > 0.0))
        return 0;
    if (f >= static_cast<double>(count - 1))
        return count - 1;
    return static_cast<std::uint32_t>(f);
}

/// Compressed lists: the items of bucket k are items[start[k]] .. items[start[k + 1] - 1].
struct Buckets
{
    std::vector<std::uint32_t> start;
    std::vector<std::uint32_t> items;
};

template <class ForEachBucket>
Buckets buildBuckets(std::size_t bucketCount, std::uint32_t itemCount, ForEachBucket forEachBucketOf)
{
    Buckets b;
    b.start.assign(bucketCount + 1, 0);
    for (std::uint32_t i = 0; i < itemCount; ++i)
        forEachBucketOf(i, [&](std::size_t k) { ++b.start[k + 1]; });
    for (std::size_t k = 0; k < bucketCount; ++k)
        b.start[k + 1] += b.start[k];
    b.items.resize(b.start[bucketCount]);
    std::vector<std::uint32_t> fill(b.start.begin(), b.start.end() - 1);
    for (std::uint32_t i = 0; i < itemCount; ++i)
        forEachBucketOf(i, [&](std::size_t k) { b.items[fill[k]++] = i; });
    return b;
}
} // namespace

/// One polygon with a uniform grid over its box: per cell the edges that come within the tolerance
/// of it (for the on-boundary test) and per row of cells the non-horizontal edges spanning it (for
/// the ray crossings). Edge k runs from vertex k to vertex k + 1 (the last to the first).
struct DomainLocator::Polygon
{
    /// The polygon as given.
    std::vector<OdGePoint2d> vertices;
    /// The vertices the ray test uses: all but a closing vertex that repeats the first exactly.
    std::uint32_t count = 0;
    double tolerance = 0.0;
    double minX = 0.0, minY = 0.0, maxX = 0.0, maxY = 0.0;
    double margin = 0.0;
    double inverseCell = 1.0;
    std::uint32_t nx = 1, ny = 1;
    Buckets cells;
    Buckets rows;

    Polygon(std::vector<OdGePoint2d> points, double tol);
    const OdGePoint2d& edgeStart(std::uint32_t k) const { return vertices[k]; }
    const OdGePoint2d& edgeEnd(std::uint32_t k) const { return vertices[(k + 1) % count]; }
    std::uint32_t column(double x) const { return gridIndex(x, minX - margin, inverseCell, nx); }
    std::uint32_t row(double y) const { return gridIndex(y, minY - margin, inverseCell, ny); }
    int classify(const OdGePoint2d& p) const;
    int classifyEdge(const OdGePoint2d& p, std::uint32_t k) const;
    bool withinReach(const OdGePoint2d& p, std::uint32_t k) const;
};

DomainLocator::Polygon::Polygon(std::vector<OdGePoint2d> points, double tol)
    : vertices(std::move(points)), tolerance(tol)
{
    count = static_cast<std::uint32_t>(vertices.size());
    if (count > 1 && vertices.back().x == vertices.front().x && vertices.back().y == vertices.front().y)
        --count;
    const std::uint32_t n = count;
    if (n == 0)
        return;

    minX = maxX = vertices[0].x;
    minY = maxY = vertices[0].y;
    double perimeter = 0.0;
    for (std::uint32_t k = 0; k < n; ++k)
    {
        const OdGePoint2d& v = vertices[k];
        minX = std::min(minX, v.x);
        maxX = std::max(maxX, v.x);
        minY = std::min(minY, v.y);
        maxY = std::max(maxY, v.y);
        perimeter += edgeStart(k).distanceTo(edgeEnd(k));
    }
    const double scale = std::max({std::abs(minX), std::abs(maxX), std::abs(minY), std::abs(maxY)});
    margin =
        std::max(tolerance, 0.0) * (1.0 + kRelativeRoundingSlack) + kRelativeRoundingSlack * (scale + 1.0);

    const double width = maxX - minX + 2.0 * margin;
    const double height = maxY - minY + 2.0 * margin;
    double cell = kEdgesPerCell * perimeter / n;
    if (!(cell > 0.0))
        cell = std::max(width, height);
    const double maxCells = static_cast<double>(kMaxCellsPerEdge * n + 1);
    while (std::ceil(width / cell) * std::ceil(height / cell) > maxCells)
        cell *= 2.0;
    inverseCell = 1.0 / cell;
    nx = static_cast<std::uint32_t>(std::max(1.0, std::ceil(width / cell)));
    ny = static_cast<std::uint32_t>(std::max(1.0, std::ceil(height / cell)));

    cells = buildBuckets(std::size_t{nx} * ny, n,
                         [&](std::uint32_t k, auto&& add)
                         {
                             const OdGePoint2d& a = edgeStart(k);
                             const OdGePoint2d& b = edgeEnd(k);
                             const std::uint32_t c0 = column(std::min(a.x, b.x) - margin);
                             const std::uint32_t c1 = column(std::max(a.x, b.x) + margin);
                             const std::uint32_t r0 = row(std::min(a.y, b.y) - margin);
                             const std::uint32_t r1 = row(std::max(a.y, b.y) + margin);
                             for (std::uint32_t r = r0; r <= r1; ++r)
                                 for (std::uint32_t c = c0; c <= c1; ++c)
                                     add(std::size_t{r} * nx + c);
                         });
    rows = buildBuckets(ny, n,
                        [&](std::uint32_t k, auto&& add)
                        {
                            const OdGePoint2d& a = edgeStart(k);
                            const OdGePoint2d& b = edgeEnd(k);
                            if (a.y == b.y)
                                return; // a horizontal edge never spans the ray
                            for (std::uint32_t r = row(std::min(a.y, b.y)); r <= row(std::max(a.y, b.y)); ++r)
                                add(r);
                        });
}

/// The SDK's answer for p against the one edge ab of a polygon: 2 when p is within the tolerance of
/// it, else 1 when the horizontal ray from p to +x crosses it, else 0. The edge is closed into a
/// polygon by connectors that add neither: from each end straight up or down (away from the ray,
/// so that the end is their nearest point to p), then around the far left, beyond the tolerance.
int DomainLocator::Polygon::classifyEdge(const OdGePoint2d& p, std::uint32_t k) const
{
    const OdGePoint2d& a = edgeStart(k);
    const OdGePoint2d& b = edgeEnd(k);
    const double reach = 2.0 * tolerance + 1.0 + (maxX - minX) + (maxY - minY);
    const double top = std::max(p.y, maxY) + reach;
    const double bottom = std::min(p.y, minY) - reach;
    const double left = std::min(p.x, minX) - reach;
    // The SDK's half-open rule: an end level with p counts as below the ray.
    const double aSide = a.y > p.y ? top : bottom;
    const double bSide = b.y > p.y ? top : bottom;
    const OdGePoint2d closed[] = {a,
                                  b,
                                  OdGePoint2d(b.x, bSide),
                                  OdGePoint2d(left, bSide),
                                  OdGePoint2d(left, aSide),
                                  OdGePoint2d(a.x, aSide)};
    return OdGeUtils::classifyPointPolygonRayTest(p, closed, 6, OdGeTol(tolerance, tolerance));
}

/// Whether p lies in edge k's box grown by the margin. Outside it, p is beyond the tolerance of the
/// edge by the same bound the grid is built on, and the ray's answer follows from which side of the box
/// p lies. Most of the edges the grid offers are such edges, and asking the SDK about each (a closed
/// polygon of six edges every time) made the whole mesher more than twice as slow.
bool DomainLocator::Polygon::withinReach(const OdGePoint2d& p, std::uint32_t k) const
{
    const OdGePoint2d& a = edgeStart(k);
    const OdGePoint2d& b = edgeEnd(k);
    return p.x >= std::min(a.x, b.x) - margin && p.x <= std::max(a.x, b.x) + margin &&
           p.y >= std::min(a.y, b.y) - margin && p.y <= std::max(a.y, b.y) + margin;
}

int DomainLocator::Polygon::classify(const OdGePoint2d& p) const
{
    if (vertices.empty())
        return 0;
    if (!std::isfinite(p.x) || !std::isfinite(p.y))
        return OdGeUtils::classifyPointPolygonRayTest(p, vertices.data(), static_cast<int>(vertices.size()),
                                                      OdGeTol(tolerance, tolerance));
    // Beyond the margin no edge is within the tolerance, and the ray crosses either no edge or
    // (left of the box) every edge spanning its height, an even number.
    if (p.x < minX - margin || p.x > maxX + margin || p.y < minY - margin || p.y > maxY + margin)
        return 0;

    // The grid only narrows the edges to ask about: those near p, for the boundary, and those
    // spanning p's row, for the ray; the SDK decides about each.
    const std::uint32_t r = row(p.y);
    const std::size_t cell = std::size_t{r} * nx + column(p.x);
    for (std::uint32_t i = cells.start[cell]; i < cells.start[cell + 1]; ++i)
        if (withinReach(p, cells.items[i]) && classifyEdge(p, cells.items[i]) == 2)
            return 2;
    if (count < 3)
        return 0;
    bool inside = false;
    for (std::uint32_t i = rows.start[r]; i < rows.start[r + 1]; ++i)
    {
        const std::uint32_t k = rows.items[i];
        if (!withinReach(p, k))
        {
            // Far from the edge: the ray crosses it when the edge spans p's height (the SDK's half-open
            // rule) and lies wholly to the right of p.
            const OdGePoint2d& a = edgeStart(k);
            const OdGePoint2d& b = edgeEnd(k);
            if ((a.y > p.y) != (b.y > p.y) && p.x < std::min(a.x, b.x))
                inside = !inside;
            continue;
        }
        const int answer = classifyEdge(p, k);
        if (answer == 2)
            return 2;
        if (answer == 1)
            inside = !inside;
    }
    return inside ? 1 : 0;
}

DomainLocator::DomainLocator(std::vector<std::vector<OdGePoint2d>> polygons)
{
    const double tol = OdGeContext::gTol.equalPoint();
    m_polygons.reserve(polygons.size());
    for (std::vector<OdGePoint2d>& polygon : polygons)
        m_polygons.emplace_back(std::move(polygon), tol);
}

DomainLocator::DomainLocator(const std::vector<SampledLoop>& loops)
    : DomainLocator(
          [&loops]
          {
              std::vector<std::vector<OdGePoint2d>> polygons;
              polygons.reserve(loops.size());
              for (const SampledLoop& loop : loops)
                  polygons.push_back(loopPolygon(loop));
              return polygons;
          }())
{
}

DomainLocator::~DomainLocator() = default;
DomainLocator::DomainLocator(DomainLocator&&) noexcept = default;
DomainLocator& DomainLocator::operator=(DomainLocator&&) noexcept = default;

bool DomainLocator::contains(const OdGePoint2d& p) const
{
    if (m_polygons.empty() || m_polygons[0].classify(p) != 1)
        return false;
    for (std::size_t i = 1; i < m_polygons.size(); ++i)
        if (m_polygons[i].classify(p) == 1)
            return false;
    return true;
}

int DomainLocator::classify(std::size_t i, const OdGePoint2d& p) const
{
    return m_polygons.at(i).classify(p);
}

std::size_t DomainLocator::polygonCount() const
{
    return m_polygons.size();
}

} // namespace cae_core::mesher2d::detail
