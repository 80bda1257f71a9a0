#pragma once

#include "cae_core/mesher2d/Mesher2d.h"

#include <cstdint>
#include <memory>

namespace cae_core
{

/// The module's mesher: a constrained Delaunay triangulation of the region's sampled boundary,
/// refined by inserting circumcentres of triangles larger than the mesh size, trimmed to the
/// region, Laplacian-smoothed and written as an OdDbSubDMesh of triangles.
///
/// Refinement regions applied with refineMesh are remembered and applied again to every later
/// createMesh until clearRefinementRegions. A failed call changes nothing: the mesh, the boundary and the
/// working triangulation stay those of the last successful call.
class DelaunayMesher : public Mesher2d
{
public:
    /// The triangle budget: createMesh refuses a size whose estimated triangle count exceeds it, and every
    /// meshing or refinement (adaptive refinement included) stops with eLimitExceeded once it passes it.
    static constexpr std::uint64_t kMaxTriangles = 25000;
    /// The triangle count createMesh estimates for a region of `area` at `meshSize`: the area over that of a
    /// right isosceles triangle whose legs are the mesh size.
    static double estimatedTriangleCount(double area, double meshSize);
    /// The smallest mesh size whose estimate for a region of `area` stays within kMaxTriangles.
    static double smallestSizeWithinBudget(double area);

    DelaunayMesher();
    ~DelaunayMesher() override;
    DelaunayMesher(const DelaunayMesher&) = delete;
    DelaunayMesher& operator=(const DelaunayMesher&) = delete;

    /// eOk, or eEmpty when no region is stored.
    EResult clearRefinementRegions() override;
    OdSmartPtr<OdDbSubDMesh> getMesh() const override;
    bool supportsAdaptiveRefinement() override;

    /// The mesher's working state, shared with the adaptive refinement.
    struct Impl;

protected:
    /// eNotPossible for a size of at most 1e-10 (or not a finite number), a region without loops or
    /// nothing to mesh; eLimitExceeded when the mesh would need more than the triangle budget.
    EResult createMeshImpl(OdSmartPtr<OdDbRegion> region, double meshSize, int smoothingIterations) override;
    /// eFailed without a mesh to refine or when the boundary cannot be refined; eNotPossible when the
    /// region's ratio gives no usable size (mesh size / ratio as for createMeshImpl); otherwise as
    /// createMeshImpl.
    EResult refineMeshImpl(std::unique_ptr<RefinementRegion> region, int smoothingIterations) override;
    /// Refines the mesh of the last createMeshImpl where the field still changes; eFailed when a field
    /// is invalid, eLimitExceeded when a candidate mesh would pass kMaxTriangles (the mesh then stays as
    /// it was).
    EResult adaptivelyRefineMeshImpl(const AdaptiveRefinementParams& params) override;

private:
    std::unique_ptr<Impl> m_impl;
};

} // namespace cae_core
