#include "cae_core/mesher2d/DelaunayMesher.h"

#include "cae_core/mesher2d/detail/DelaunayMesherImpl.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace cae_core
{

namespace
{
/// The triangle the budget estimate counts per unit of area: a right isosceles triangle whose legs
/// are the mesh size, so area / (kEstimateTriangleFactor * size^2) triangles.
constexpr double kEstimateTriangleFactor = 0.5;
} // namespace

double DelaunayMesher::estimatedTriangleCount(double area, double meshSize)
{
    return area / (kEstimateTriangleFactor * meshSize * meshSize);
}

double DelaunayMesher::smallestSizeWithinBudget(double area)
{
    return std::sqrt(area / (kEstimateTriangleFactor * static_cast<double>(kMaxTriangles)));
}

DelaunayMesher::DelaunayMesher() : m_impl(std::make_unique<Impl>()) {}

DelaunayMesher::~DelaunayMesher() = default;

EResult DelaunayMesher::clearRefinementRegions()
{
    if (m_impl->refinementRegions.empty())
        return eEmpty;
    m_impl->refinementRegions.clear();
    return eOk;
}

OdSmartPtr<OdDbSubDMesh> DelaunayMesher::getMesh() const
{
    return m_impl->mesh;
}

bool DelaunayMesher::supportsAdaptiveRefinement()
{
    return true;
}

EResult DelaunayMesher::createMeshImpl(OdSmartPtr<OdDbRegion> region, double meshSize,
                                       int smoothingIterations)
{
    // Built into a fresh state and committed only on success, so that a refused or failed call (or one
    // the triangulation throws out of) leaves the mesher exactly as it was.
    Impl work;
    work.maxTriangles = m_impl->maxTriangles;
    EResult result = work.createDelaunayMesh(region, meshSize);
    if (result != eOk)
        return result;
    for (const std::unique_ptr<RefinementRegion>& refinement : m_impl->refinementRegions)
    {
        if ((result = work.refineRegionBoundaries(*refinement)) != eOk)
            return result;
        if ((result = work.refineRegionDelaunay(*refinement)) != eOk)
            return result;
    }
    if ((result = work.finishTriangulation(smoothingIterations)) != eOk)
        return result;
    if ((result = work.updateMesh(smoothingIterations)) != eOk)
        return result;
    m_impl->commitWorkingState(std::move(work));
    return eOk;
}

EResult DelaunayMesher::refineMeshImpl(std::unique_ptr<RefinementRegion> region, int smoothingIterations)
{
    if (!region)
        return eInvalidArgument;
    // Refinement rebuilds both triangulations from the boundary and the interior points, so only those
    // are copied into the state it works on; committed on success as for createMeshImpl.
    const Impl& current = *m_impl;
    Impl work;
    work.maxTriangles = current.maxTriangles;
    work.meshSize = current.meshSize;
    work.boundaries = current.boundaries;
    work.interiorPoints = current.interiorPoints;
    work.mesh = current.mesh;
    EResult result = work.refineRegionBoundaries(*region);
    if (result == eOk)
        result = work.refineRegionDelaunay(*region);
    if (result == eOk)
        result = work.finishTriangulation(smoothingIterations);
    if (result == eOk)
        result = work.updateMesh(smoothingIterations);
    if (result != eOk)
        return result;
    m_impl->commitWorkingState(std::move(work));
    m_impl->refinementRegions.push_back(std::move(region));
    return eOk;
}

void DelaunayMesher::Impl::commitWorkingState(Impl&& work)
{
    meshSize = work.meshSize;
    boundaries = std::move(work.boundaries);
    interiorPoints = std::move(work.interiorPoints);
    triangulation = std::move(work.triangulation);
    finalTriangulation = std::move(work.finalTriangulation);
    mesh = std::move(work.mesh);
    savedInteriorPoints.clear();
}

EResult DelaunayMesher::Impl::createDelaunayMesh(const OdSmartPtr<OdDbRegion>& region, double size)
{
    if (!mesher2d::detail::isUsableMeshSize(size))
        return eNotPossible;
    meshSize = size;

    double area = 0.0;
    if (region && region->getArea(area) != OdResult::eOk)
        area = 0.0;
    if (estimatedTriangleCount(area, size) > static_cast<double>(maxTriangles))
        return eLimitExceeded;

    boundaries = sampleBoundaries(region, size, 1);
    if (boundaries.empty())
        return eNotPossible;

    const EResult result = triangulateBoundaries();
    if (result != eOk)
        return result;
    const double constantSize = meshSize;
    return refineBySize([constantSize](const OdGePoint2d&) { return constantSize; });
}

EResult DelaunayMesher::Impl::refineRegionBoundaries(const RefinementRegion& region)
{
    if (interiorPoints.empty())
        return eFailed;
    // A ratio that is not a positive number (a region whose ratio was never set has 0) gives no usable
    // target size. Refused before the interior points are set aside, so the mesher stays refinable.
    const double target = meshSize / region.getRefinementRatio();
    if (!mesher2d::detail::isUsableMeshSize(target))
        return eNotPossible;
    savedInteriorPoints = std::move(interiorPoints);
    interiorPoints.clear();
    const auto isInside = [&region](BoundaryVertex v) { return region.containsPoint(v.position()); };
    if (!refineBoundaries(boundaries, isInside, target))
        return eFailed;
    return eOk;
}

EResult DelaunayMesher::Impl::refineRegionDelaunay(const RefinementRegion& region)
{
    EResult result = triangulateBoundaries();
    if (result != eOk)
        return result;
    if ((result = reinsertInteriorPoints(region)) != eOk)
        return result;
    const double coarse = meshSize;
    const double fine = meshSize / region.getRefinementRatio();
    return refineBySize([&region, coarse, fine](const OdGePoint2d& p)
                        { return region.containsPoint(p) ? fine : coarse; });
}

EResult DelaunayMesher::Impl::triangulateBoundaries()
{
    // Every triangulation of a domain bounded by N vertices has at least N - 2 triangles, so such a
    // boundary can never be meshed within the budget. Refused before triangulating it: a fine refinement
    // ratio can sample millions of boundary vertices, which would take minutes only to fail the budget.
    std::size_t boundaryVertexCount = 0;
    for (const SampledLoop& loop : boundaries)
    {
        // A loop of one vertex (a closed curve shorter than the size keeps only its start) bounds nothing
        // and would join its vertex to itself, which the triangulation refuses.
        if (loop.size() == 1)
            return eNotPossible;
        boundaryVertexCount += loop.size();
    }
    if (boundaryVertexCount > maxTriangles + 2)
        return eLimitExceeded;

    std::vector<CDT::V2d<double>> points;
    std::vector<CDT::Edge> edges;
    points.reserve(boundaryVertexCount);
    edges.reserve(boundaryVertexCount);
    for (const SampledLoop& loop : boundaries)
    {
        const auto first = static_cast<CDT::VertInd>(points.size());
        const auto count = static_cast<CDT::VertInd>(loop.size());
        for (CDT::VertInd k = 0; k < count; ++k)
        {
            const OdGePoint2d p = loop[k].position();
            points.push_back({p.x, p.y});
            edges.emplace_back(first + k, first + (k + 1) % count);
        }
    }
    CDT::Triangulation fresh;
    fresh.insertVertices(points);
    fresh.insertEdges(edges);
    triangulation = std::move(fresh);
    interiorPoints.clear();
    return eOk;
}

EResult DelaunayMesher::Impl::reinsertInteriorPoints(const RefinementRegion& region)
{
    if (savedInteriorPoints.empty() || !interiorPoints.empty())
        return eFailed;
    for (const std::pair<double, double>& point : savedInteriorPoints)
    {
        if (region.containsPoint(OdGePoint2d(point.first, point.second)))
            continue;
        try
        {
            triangulation.insertVertices({CDT::V2d<double>{point.first, point.second}});
        }
        catch (const CDT::DuplicateVertexError&)
        {
            // A point the refined boundary now carries: it is there already.
            continue;
        }
        interiorPoints.push_back(point);
    }
    savedInteriorPoints.clear();
    return eOk;
}

EResult DelaunayMesher::Impl::refineBySize(std::function<double(const OdGePoint2d&)> size)
{
    if (boundaries.empty() || triangulation.triangles().empty())
        return eNotPossible;
    const mesher2d::detail::DomainLocator domain(boundaries);
    const std::vector<CDT::Triangle>& triangles = triangulation.triangles();
    const std::vector<CDT::V2d<double>>& vertices = triangulation.vertices();

    for (bool inserted = true; inserted;)
    {
        inserted = false;
        for (std::size_t i = 0; i < triangles.size(); ++i)
        {
            const CDT::VerticesArr3 tri = triangles[i].vertices;
            const CDT::V2d<double>& a = vertices[tri[0]];
            const CDT::V2d<double>& b = vertices[tri[1]];
            const CDT::V2d<double>& c = vertices[tri[2]];
            const OdGePoint2d centre = mesher2d::detail::circumcentre(a, b, c);
            const auto squared = [](const CDT::V2d<double>& p, const CDT::V2d<double>& q)
            { return (q.x - p.x) * (q.x - p.x) + (q.y - p.y) * (q.y - p.y); };
            const double longest = std::sqrt(std::max({squared(a, b), squared(b, c), squared(c, a)}));

            // Both tests are pure, so asking the cheap size test first changes no outcome; only a
            // triangulation already over budget must reach the budget test through the domain test.
            const bool overBudget = triangles.size() > maxTriangles;
            if (overBudget)
            {
                if (!domain.contains(centre))
                    continue;
                if (!(size(centre) < longest))
                    return eLimitExceeded;
            }
            else if (!(size(centre) < longest) || !domain.contains(centre))
            {
                continue;
            }

            try
            {
                triangulation.insertVertices({CDT::V2d<double>{centre.x, centre.y}});
                interiorPoints.emplace_back(centre.x, centre.y);
                inserted = true;
            }
            catch (const CDT::DuplicateVertexError&)
            {
                // A circumcentre that coincides with a vertex adds nothing; the sweep goes on. Any other
                // error means a broken triangulation, which must stop the run rather than be refined further.
            }
            if (triangles.size() > maxTriangles)
                return eLimitExceeded;
        }
    }
    return eOk;
}

EResult DelaunayMesher::Impl::finishTriangulation(int smoothingIterations)
{
    if (triangulation.triangles().empty())
        return eNotPossible;
    finalTriangulation = triangulation;
    finalTriangulation.eraseOuterTrianglesAndHoles();
    if (smoothingIterations > 0)
        mesher2d::detail::smoothTriangulation(finalTriangulation, smoothingIterations);
    return eOk;
}

EResult DelaunayMesher::Impl::updateMesh(int /*smoothingIterations*/)
{
    if (finalTriangulation.vertices().empty() || finalTriangulation.triangles().empty())
        return eNotPossible;
    mesh = mesher2d::detail::createSubDMesh(finalTriangulation);
    return eOk;
}

} // namespace cae_core
