#pragma once

// The Delaunay mesher's working state and the steps it is built from. Shared by the mesher's own
// operations (DelaunayMesher.cpp) and its adaptive refinement (DelaunayMesherAdaptive.cpp); no
// other code includes this header.

#include "cae_core/core/Result.h"
#include "cae_core/mesher2d/BoundarySampling.h"
#include "cae_core/mesher2d/DelaunayMesher.h"
#include "cae_core/mesher2d/MesherTolerances.h"
#include "cae_core/mesher2d/RefinementRegion.h"
#include "cdt/Triangulation.h"
#include "platform/base/SmartPtr.h"
#include "platform/db/DbSubDMesh.h"
#include "platform/ge/GePoint2d.h"

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

namespace cae_core
{

struct DelaunayMesher::Impl
{
    /// The triangle budget: the up-front estimate and every refinement stop above it.
    std::uint64_t maxTriangles = DelaunayMesher::kMaxTriangles;
    /// The size of the last successful createMeshImpl; -1 before the first.
    double meshSize = -1.0;
    /// The current boundary discretisation; loop 0 is the outer boundary, holes follow.
    std::vector<SampledLoop> boundaries;
    /// Every interior point refinement inserted into the working triangulation, in insertion order.
    std::vector<std::pair<double, double>> interiorPoints;
    /// The working constrained triangulation, outer triangles and helper vertices included.
    CDT::Triangulation triangulation;
    /// The working triangulation trimmed to the region (outer triangles and holes erased) and smoothed.
    CDT::Triangulation finalTriangulation;
    /// The current result; null before the first success.
    OdSmartPtr<OdDbSubDMesh> mesh;
    /// The refinement regions applied so far, in the order applied.
    std::vector<std::unique_ptr<RefinementRegion>> refinementRegions;
    /// Interior points set aside by refineRegionBoundaries until refineRegionDelaunay puts back those
    /// outside the refinement region.
    std::vector<std::pair<double, double>> savedInteriorPoints;

    /// Samples the region's boundary at `size`, triangulates it and refines it to `size`.
    EResult createDelaunayMesh(const OdSmartPtr<OdDbRegion>& region, double size);
    /// Sets the interior points aside and resamples the boundary finer inside `region`. eFailed without
    /// interior points; eNotPossible, changing nothing, when mesh size / ratio is not a usable size.
    EResult refineRegionBoundaries(const RefinementRegion& region);
    /// Rebuilds the triangulation on the refined boundary, puts back the interior points outside
    /// `region` and refines to the finer size inside it.
    EResult refineRegionDelaunay(const RefinementRegion& region);

    /// Replaces the working triangulation by one of the boundary vertices with the boundary segments
    /// as constraint edges; clears interiorPoints. Errors of the triangulation library propagate.
    /// eLimitExceeded, changing nothing, for a boundary of more vertices than the budget has triangles;
    /// eNotPossible for a loop of a single vertex.
    EResult triangulateBoundaries();
    /// Inserts the saved interior points that lie outside `region` one by one.
    EResult reinsertInteriorPoints(const RefinementRegion& region);
    /// Inserts circumcentres of triangles inside the region whose longest edge exceeds size(circumcentre),
    /// sweep after sweep until none is inserted.
    EResult refineBySize(std::function<double(const OdGePoint2d&)> size);
    /// Trims a copy of the working triangulation to the region and smooths it.
    EResult finishTriangulation(int smoothingIterations);
    /// Writes the finished triangulation into a new `mesh`.
    EResult updateMesh(int smoothingIterations);
    /// Takes over the working state a successful call built in `work` (everything but the refinement
    /// regions, which the caller manages).
    void commitWorkingState(Impl&& work);
};

namespace mesher2d::detail
{

/// True for a finite size above kMinMeshSize. NaN and infinity are refused too: they would sample a
/// boundary into no vertices or a single one.
inline bool isUsableMeshSize(double size)
{
    return size > kMinMeshSize && size < std::numeric_limits<double>::infinity();
}

/// The circumcentre of the triangle abc (not finite for a degenerate triangle).
OdGePoint2d circumcentre(const CDT::V2d<double>& a, const CDT::V2d<double>& b, const CDT::V2d<double>& c);

/// The positions of a loop's vertices, in loop order.
std::vector<OdGePoint2d> loopPolygon(const SampledLoop& loop);

/// Answers "is this point in the meshed domain": strictly inside polygon 0 (the outer boundary) and
/// not strictly inside any other polygon (the holes), each by OdGeUtils::classifyPointPolygonRayTest.
/// Gives the same answer as calling that test on every polygon, but in about constant time per
/// query: points outside a polygon's box are rejected at once, and the rest look only at the
/// polygon's edges in the point's horizontal band.
class DomainLocator
{
public:
    explicit DomainLocator(std::vector<std::vector<OdGePoint2d>> polygons);
    /// The polygons of the loops of `loops`, in order.
    explicit DomainLocator(const std::vector<SampledLoop>& loops);
    ~DomainLocator();
    DomainLocator(DomainLocator&&) noexcept;
    DomainLocator& operator=(DomainLocator&&) noexcept;

    /// True when p is in the domain.
    bool contains(const OdGePoint2d& p) const;
    /// classifyPointPolygonRayTest of p against polygon i: 0 outside, 1 inside, 2 on the boundary.
    int classify(std::size_t i, const OdGePoint2d& p) const;
    std::size_t polygonCount() const;

private:
    struct Polygon;
    std::vector<Polygon> m_polygons;
};

/// Moves every vertex that is not an end of a constraint edge to the average of its neighbours'
/// positions at the start of the pass (each neighbour counted once per triangle the two share),
/// `passes` times. Vertices used by no triangle stay. For a final triangulation (after
/// eraseOuterTrianglesAndHoles) only: the only one whose vertices may move.
void smoothTriangulation(CDT::Triangulation& triangulation, int passes);

/// A new sub-division mesh of the triangulation: its vertices (z = 0) in order and one face
/// (3, a, b, c) per triangle, counter-clockwise. Meant for a triangulation after
/// eraseOuterTrianglesAndHoles; the caller checks that it has vertices and triangles.
OdSmartPtr<OdDbSubDMesh> createSubDMesh(const CDT::Triangulation& triangulation);

} // namespace mesher2d::detail

} // namespace cae_core
