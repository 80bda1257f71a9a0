#pragma once

#include "cae_core/mesher2d/Mesher2d.h"

#include <memory>

namespace cae_core
{

/// The module's mesher: a constrained Delaunay triangulation of the region's sampled boundary,
/// refined by inserting circumcentres of triangles larger than the mesh size, trimmed to the
/// region, Laplacian-smoothed and written as an OdDbSubDMesh of triangles.
///
/// Refinement regions applied with refineMesh are remembered and applied again to every later
/// createMesh until clearRefinementRegions. A failed call leaves the previous mesh in place.
class DelaunayMesher : public Mesher2d
{
public:
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
    /// is invalid (the mesh then stays as it was).
    EResult adaptivelyRefineMeshImpl(const AdaptiveRefinementParams& params) override;

private:
    std::unique_ptr<Impl> m_impl;
};

} // namespace cae_core
