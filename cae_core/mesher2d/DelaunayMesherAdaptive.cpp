// Adaptive refinement of the Delaunay mesher: refine where a caller's field still changes.
//
// Each iteration proposes a finer candidate triangulation of the current one (boundary midpoints in the
// first iterations, circumcentres of large triangles always), computes the field on both, and keeps the
// new points at which the field changed. Points at which it did not change are frozen and never proposed
// again, so converged parts of the domain stop growing.
//
// Apart from the two field computations and two triangulations, an iteration only does hashed point look-ups,
// so its cost grows linearly with the number of points.

#include "cae_core/mesher2d/DelaunayMesher.h"

#include "cae_core/mesher2d/detail/DelaunayMesherImpl.h"
#include "platform/ge/GeContext.h"
#include "platform/ge/GeInterval.h"

#include <boost/container_hash/hash.hpp>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace cae_core
{

namespace
{

using Point = CDT::V2d<double>;

/// Laplacian passes applied to every mesh handed to the field and to the stored result: enough to even
/// out the circumcentre clusters of one refinement step, few enough to keep the mesh near the triangulation
/// the points were chosen on.
constexpr int kSmoothingPasses = 5;

/// Cells of the tolerance grid are the mesh size divided by this. Inserted points are at least a fraction
/// of the mesh size apart (circumcentres of triangles of area h^2 / threshold and boundary midpoints), so a
/// cell holds a handful of points, and coordinates over cell size stay far inside the exact range of doubles.
constexpr double kGridCellsPerMeshSize = 16.0;

/// A cell is never narrower than this many point tolerances, so that every point within the tolerance of a
/// query lies in the query's cell or one of its eight neighbours.
constexpr double kMinCellInTolerances = 4.0;

/// Cell indices are clamped to this magnitude before conversion to an integer: far-away points (beyond any
/// drawing) then share the border cells, which keeps the look-up correct, only slower.
constexpr double kMaxCellIndex = 4.0e18;

/// Hashes exact coordinates; -0.0 and 0.0 compare equal and so must hash alike.
struct ExactPointHash
{
    std::size_t operator()(const Point& p) const noexcept
    {
        std::size_t seed = 0;
        boost::hash_combine(seed, std::bit_cast<std::uint64_t>(p.x + 0.0));
        boost::hash_combine(seed, std::bit_cast<std::uint64_t>(p.y + 0.0));
        return seed;
    }
};

/// Points compared by exact coordinate equality.
using ExactPointSet = std::unordered_set<Point, ExactPointHash>;

/// Points that are looked up by "coincides with one of them": distance within the global equal-point
/// tolerance. A hash grid of cells much wider than the tolerance; a query looks at its cell and the eight
/// around it, which is the same answer as comparing with every stored point.
class TolerancePointSet
{
public:
    TolerancePointSet(double meshSize, double tolerance)
        : m_tolerance(tolerance),
          m_inverseCell(1.0 / std::max(meshSize / kGridCellsPerMeshSize, kMinCellInTolerances * tolerance))
    {
    }

    void insert(const Point& p)
    {
        const auto index = static_cast<std::uint32_t>(m_points.size());
        auto [it, inserted] = m_heads.try_emplace(cellOf(p), index);
        m_points.push_back(p);
        m_next.push_back(inserted ? kNone : it->second);
        it->second = index;
    }

    bool containsCoincident(const Point& p) const
    {
        if (m_points.empty())
            return false;
        const auto [cx, cy] = cellOf(p);
        for (std::int64_t dx = -1; dx <= 1; ++dx)
            for (std::int64_t dy = -1; dy <= 1; ++dy)
            {
                const auto it = m_heads.find(Cell{cx + dx, cy + dy});
                if (it == m_heads.end())
                    continue;
                for (std::uint32_t i = it->second; i != kNone; i = m_next[i])
                {
                    const double dx = m_points[i].x - p.x;
                    const double dy = m_points[i].y - p.y;
                    // A vector is never shorter than either component: the exact length is needed only
                    // for the few points that pass this.
                    if (std::abs(dx) <= m_tolerance && std::abs(dy) <= m_tolerance &&
                        OdGeVector2d(dx, dy).length() <= m_tolerance)
                        return true;
                }
            }
        return false;
    }

private:
    static constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();
    using Cell = std::pair<std::int64_t, std::int64_t>;

    std::int64_t cellIndex(double v) const
    {
        const double f = std::floor(v * m_inverseCell);
        if (!(f > -kMaxCellIndex))
            return static_cast<std::int64_t>(-kMaxCellIndex);
        if (f > kMaxCellIndex)
            return static_cast<std::int64_t>(kMaxCellIndex);
        return static_cast<std::int64_t>(f);
    }
    Cell cellOf(const Point& p) const { return {cellIndex(p.x), cellIndex(p.y)}; }

    double m_tolerance;
    double m_inverseCell;
    /// The most recently inserted point of each cell; m_next chains the cell's earlier points.
    std::unordered_map<Cell, std::uint32_t, boost::hash<Cell>> m_heads;
    std::vector<Point> m_points;
    std::vector<std::uint32_t> m_next;
};

Point toPoint(const OdGePoint2d& p)
{
    return Point{p.x, p.y};
}

/// The boundary vertices' positions, loop after loop.
std::vector<Point> loopPositions(const std::vector<SampledLoop>& loops)
{
    std::vector<Point> points;
    for (const SampledLoop& loop : loops)
        for (const BoundaryVertex& v : loop)
            points.push_back(toPoint(v.position()));
    return points;
}

/// A triangulation of `boundaryPoints` and `interiorPoints` whose constraint edges follow the loops: each
/// loop vertex found among the boundary points (by equal position) is joined to the next one found, the
/// last to the first. Loop vertices that are not among the boundary points are passed over. Errors of the
/// triangulation library propagate, as when the mesher triangulates its boundary.
CDT::Triangulation triangulate(const std::vector<Point>& boundaryPoints,
                               const std::vector<SampledLoop>& loops,
                               const std::vector<Point>& interiorPoints)
{
    std::unordered_map<Point, CDT::VertInd, ExactPointHash> indexOf;
    indexOf.reserve(boundaryPoints.size());
    for (std::size_t i = 0; i < boundaryPoints.size(); ++i)
        indexOf.try_emplace(boundaryPoints[i], static_cast<CDT::VertInd>(i));

    std::vector<CDT::Edge> edges;
    std::vector<CDT::VertInd> found;
    for (const SampledLoop& loop : loops)
    {
        found.clear();
        for (const BoundaryVertex& v : loop)
        {
            const auto it = indexOf.find(toPoint(v.position()));
            if (it != indexOf.end())
                found.push_back(it->second);
        }
        for (std::size_t k = 0; k < found.size(); ++k)
        {
            const CDT::VertInd a = found[k];
            const CDT::VertInd b = found[(k + 1) % found.size()];
            if (a != b)
                edges.emplace_back(a, b);
        }
    }

    CDT::Triangulation triangulation;
    if (!boundaryPoints.empty())
        triangulation.insertVertices(boundaryPoints);
    if (!edges.empty())
        triangulation.insertEdges(edges);
    if (!interiorPoints.empty())
        triangulation.insertVertices(interiorPoints);
    return triangulation;
}

/// The mesh the field is computed on: the triangulation itself is trimmed to the domain (which also drops
/// the helper vertices) and smoothed, then written out.
OdSmartPtr<OdDbSubDMesh> trimSmoothAndWriteMesh(CDT::Triangulation& triangulation)
{
    triangulation.eraseOuterTrianglesAndHoles();
    mesher2d::detail::smoothTriangulation(triangulation, kSmoothingPasses);
    return mesher2d::detail::createSubDMesh(triangulation);
}

/// Whether p lies on the outline of a hole (polygons 1 and up). Such a point is no interior point: a right
/// triangle on a straight hole edge has its circumcentre at the edge's midpoint, which boundary refinement
/// may add as a boundary vertex too, and inserting it twice is an error of the triangulation.
bool liesOnAHole(const mesher2d::detail::DomainLocator& domain, const OdGePoint2d& p)
{
    for (std::size_t i = 1; i < domain.polygonCount(); ++i)
        if (domain.classify(i, p) == 2)
            return true;
    return false;
}

bool isValid(const std::shared_ptr<MeshVectorField2d>& field)
{
    return field && field->isValid();
}

/// One run of adaptive refinement over copies of the mesher's state.
class AdaptiveRefinement
{
public:
    AdaptiveRefinement(const DelaunayMesher::Impl& impl, const Mesher2d::AdaptiveRefinementParams& params)
        : m_params(params), m_maxTriangles(impl.maxTriangles), m_meshSize(impl.meshSize),
          m_tolerance(OdGeContext::gTol.equalPoint()), m_tri(impl.triangulation), m_loops(impl.boundaries),
          m_frozen(impl.meshSize, m_tolerance)
    {
    }

    /// eOk with the refined mesh in `result`, eFailed when a field is invalid, eLimitExceeded when a
    /// candidate mesh passes the triangle budget.
    EResult run(OdSmartPtr<OdDbSubDMesh>& result)
    {
        if (m_params.maxIterations < 1)
        {
            result = trimSmoothAndWriteMesh(m_tri);
            return eOk;
        }
        // An iteration that does not refine the boundary keeps the candidate boundary points the previous
        // iteration left. When the very first iteration is such an iteration (boundaryRefinement <= 1)
        // there are none, and starting from an empty list would build the candidate, and every later
        // triangulation, without a single boundary vertex or constraint edge: the interior points alone,
        // which erasing the outer triangles empties completely. The current boundary's points stand in for
        // the missing previous list, so the boundary is kept as it is.
        if (m_params.boundaryRefinement <= 1)
            m_boundaryPoints = loopPositions(m_loops);

        for (int iteration = 1;; ++iteration)
        {
            std::vector<SampledLoop> newLoops;
            if (iteration < m_params.boundaryRefinement)
                newLoops = refinedBoundary();
            else
                newLoops = m_loops;

            const mesher2d::detail::DomainLocator domain(newLoops);
            std::vector<Point> candidates = candidatePoints(domain);
            CDT::Triangulation candidate = triangulate(m_boundaryPoints, newLoops, candidates);

            TolerancePointSet oldPoints(m_meshSize, m_tolerance);
            for (std::size_t v = m_tri.helperVertexCount(); v < m_tri.vertices().size(); ++v)
                oldPoints.insert(m_tri.vertices()[v]);

            OdSmartPtr<OdDbSubDMesh> oldMesh = trimSmoothAndWriteMesh(m_tri);
            OdSmartPtr<OdDbSubDMesh> newMesh = trimSmoothAndWriteMesh(candidate);
            // The candidate is the largest mesh of the iteration; the budget of plain meshing holds here too.
            if (candidate.triangles().size() > m_maxTriangles)
                return eLimitExceeded;
            const std::shared_ptr<MeshVectorField2d> oldField = m_params.computeField(oldMesh);
            const std::shared_ptr<MeshVectorField2d> newField = m_params.computeField(newMesh);
            if (!isValid(oldField) || !isValid(newField))
                return eFailed;

            keepChanged(m_boundaryPoints, oldPoints, *oldField, *newField);
            keepChanged(candidates, oldPoints, *oldField, *newField);

            // The erased triangulation holds exactly its inserted points: equal counts mean nothing new
            // survived.
            if (m_tri.vertices().size() == m_boundaryPoints.size() + candidates.size())
            {
                result = oldMesh;
                return eOk;
            }

            m_tri = triangulate(m_boundaryPoints, newLoops, candidates);
            m_loops = withoutFrozen(newLoops);

            if (iteration >= m_params.maxIterations)
            {
                result = trimSmoothAndWriteMesh(m_tri);
                return eOk;
            }
        }
    }

private:
    /// Every boundary vertex followed by the midpoint towards the next vertex on its curve (or towards the
    /// curve's end after its last vertex), unless that midpoint was frozen. Sets m_boundaryPoints to the
    /// positions of the new loops' vertices.
    std::vector<SampledLoop> refinedBoundary()
    {
        m_boundaryPoints.clear();
        std::vector<SampledLoop> newLoops;
        newLoops.reserve(m_loops.size());
        for (const SampledLoop& loop : m_loops)
        {
            SampledLoop& newLoop = newLoops.emplace_back();
            newLoop.reserve(2 * loop.size());
            for (std::size_t k = 0; k < loop.size(); ++k)
            {
                const BoundaryVertex& v = loop[k];
                newLoop.push_back(v);
                m_boundaryPoints.push_back(toPoint(v.position()));

                double midParam = 0.0;
                if (k + 1 < loop.size() && loop[k + 1].curve == v.curve)
                {
                    midParam = 0.5 * (v.param + loop[k + 1].param);
                }
                else
                {
                    OdGeInterval interval;
                    v.curve->getInterval(interval);
                    midParam = 0.5 * (v.param + interval.upperBound());
                }
                BoundaryVertex mid{v.curve, midParam};
                const Point midPoint = toPoint(mid.position());
                if (m_frozen.containsCoincident(midPoint))
                    continue;
                newLoop.push_back(std::move(mid));
                m_boundaryPoints.push_back(midPoint);
            }
        }
        return newLoops;
    }

    /// Circumcentres of the large triangles of m_tri that lie in the domain and were not frozen, then the
    /// vertices of m_tri inside the domain that are not candidate boundary points; each point once.
    std::vector<Point> candidatePoints(const mesher2d::detail::DomainLocator& domain) const
    {
        // A threshold of 0 asks for triangles of infinite area: none.
        const double minArea = m_params.internalTriangleThreshold == 0
                                   ? std::numeric_limits<double>::infinity()
                                   : m_meshSize * m_meshSize / m_params.internalTriangleThreshold;
        std::vector<Point> candidates;
        ExactPointSet proposed;
        const std::vector<Point>& vertices = m_tri.vertices();
        for (const CDT::Triangle& t : m_tri.triangles())
        {
            const Point& a = vertices[t.vertices[0]];
            const Point& b = vertices[t.vertices[1]];
            const Point& c = vertices[t.vertices[2]];
            const double area = 0.5 * ((b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y));
            if (!(area >= minArea))
                continue;
            const OdGePoint2d centre = mesher2d::detail::circumcentre(a, b, c);
            if (!std::isfinite(centre.x) || !std::isfinite(centre.y) || !domain.contains(centre) ||
                liesOnAHole(domain, centre))
                continue;
            const Point p = toPoint(centre);
            if (m_frozen.containsCoincident(p) || !proposed.insert(p).second)
                continue;
            candidates.push_back(p);
        }

        const ExactPointSet boundary(m_boundaryPoints.begin(), m_boundaryPoints.end());
        for (std::size_t v = m_tri.helperVertexCount(); v < vertices.size(); ++v)
        {
            const Point& p = vertices[v];
            if (!domain.contains(OdGePoint2d(p.x, p.y)) || boundary.count(p) != 0 ||
                !proposed.insert(p).second)
                continue;
            candidates.push_back(p);
        }
        return candidates;
    }

    /// Keeps, in order, the points that coincide with an old point and the new points at which the field
    /// changed; the new points at which it converged are frozen.
    void keepChanged(std::vector<Point>& points, const TolerancePointSet& oldPoints,
                     const MeshVectorField2d& oldField, const MeshVectorField2d& newField)
    {
        std::size_t kept = 0;
        for (const Point& p : points)
        {
            bool keep = oldPoints.containsCoincident(p);
            if (!keep)
            {
                const OdGePoint2d q(p.x, p.y);
                keep = !m_params.fieldConverged(oldField.getValue(q), newField.getValue(q));
                if (!keep)
                    m_frozen.insert(p);
            }
            if (keep)
                points[kept++] = p;
        }
        points.resize(kept);
    }

    std::vector<SampledLoop> withoutFrozen(const std::vector<SampledLoop>& loops) const
    {
        std::vector<SampledLoop> result;
        result.reserve(loops.size());
        for (const SampledLoop& loop : loops)
        {
            SampledLoop& kept = result.emplace_back();
            kept.reserve(loop.size());
            for (const BoundaryVertex& v : loop)
                if (!m_frozen.containsCoincident(toPoint(v.position())))
                    kept.push_back(v);
        }
        return result;
    }

    const Mesher2d::AdaptiveRefinementParams& m_params;
    /// The mesher's triangle budget.
    std::uint64_t m_maxTriangles;
    /// h: the size of the mesh being refined.
    double m_meshSize;
    /// The global equal-point tolerance, read once so that one run decides "coincide" alike throughout.
    double m_tolerance;
    /// The current triangulation (helper vertices and outer triangles included until it is smoothed).
    CDT::Triangulation m_tri;
    /// The current boundary loops.
    std::vector<SampledLoop> m_loops;
    /// Positions of the candidate boundary's vertices (after filtering: of the kept ones).
    std::vector<Point> m_boundaryPoints;
    /// Points at which the field had converged; never proposed again.
    TolerancePointSet m_frozen;
};

} // namespace

EResult DelaunayMesher::adaptivelyRefineMeshImpl(const AdaptiveRefinementParams& params)
{
    // Before any createMesh the working state is empty: the run then hands empty meshes to the field and
    // stores an empty mesh, as the steps give it; it is not refused.
    OdSmartPtr<OdDbSubDMesh> result;
    const EResult code = AdaptiveRefinement(*m_impl, params).run(result);
    if (code == eOk)
        m_impl->mesh = result;
    return code;
}

} // namespace cae_core
