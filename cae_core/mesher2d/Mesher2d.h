#pragma once

#include "cae_core/core/Result.h"
#include "cae_core/mesher2d/MeshVectorField2d.h"
#include "cae_core/mesher2d/RefinementRegion.h"
#include "platform/base/SmartPtr.h"
#include "platform/db/DbRegion.h"
#include "platform/db/DbSubDMesh.h"
#include "platform/ge/GeVector2d.h"

#include <functional>
#include <memory>

namespace cae_core
{

/// The abstract 2D mesher the host's commands drive: meshes a planar region with triangles of a
/// requested size, refines the mesh inside refinement regions and, when supported, adaptively.
/// Meshers are obtained through create(), which calls the provider the module registered at start-up.
///
/// Threads: the provider is a process-wide value without a lock. It is set while the module loads, before
/// any command runs, and must not change while a mesher is being created. One mesher object is used by one
/// thread at a time; different meshers may run on different threads at once (the host runs an analysis
/// on a worker thread while its command thread waits or shows progress).
class Mesher2d
{
public:
    /// Settings of adaptive refinement. Both functions must be set before use.
    struct AdaptiveRefinementParams
    {
        /// The defaults of the three numbers below, for callers that keep the settings elsewhere.
        static constexpr int kDefaultBoundaryRefinement = 3;
        static constexpr int kDefaultInternalTriangleThreshold = 20;
        static constexpr int kDefaultMaxIterations = 25;

        /// Computes the field on a mesh (for instance by solving the analysis on it).
        std::function<std::shared_ptr<MeshVectorField2d>(OdSmartPtr<OdDbSubDMesh>)> computeField;
        /// True when two values of the field at one point agree, so the point need not be added.
        std::function<bool(OdGeVector2d oldValue, OdGeVector2d newValue)> fieldConverged;
        /// Iterations numbered (from 1) below this value also refine the boundary.
        int boundaryRefinement = kDefaultBoundaryRefinement;
        /// A triangle is a refinement candidate when its area is at least meshSize^2 / this value.
        int internalTriangleThreshold = kDefaultInternalTriangleThreshold;
        /// The loop stops after this many iterations; below 1 none runs.
        int maxIterations = kDefaultMaxIterations;
    };

    Mesher2d() = default;
    Mesher2d(const Mesher2d&) = default;
    Mesher2d& operator=(const Mesher2d&) = default;
    virtual ~Mesher2d();

    /// Forgets the refinement regions applied so far; the current mesh stays.
    virtual EResult clearRefinementRegions() = 0;
    /// The current mesh, null before the first successful meshing.
    virtual OdSmartPtr<OdDbSubDMesh> getMesh() const = 0;
    /// Whether adaptivelyRefineMesh can do anything (the host offers it only then).
    virtual bool supportsAdaptiveRefinement();

    /// Replaces the stored provider; Mesher2d::create calls it from then on.
    static void initProvider(std::function<std::unique_ptr<Mesher2d>()> provider);
    /// A new mesher from the provider, or null when no provider was registered.
    static std::unique_ptr<Mesher2d> create();

    /// Meshes region with elements of about meshSize, then applies smoothingIterations Laplacian passes.
    /// elapsed (may be null) receives the time taken in milliseconds, whatever the result. Refusals come
    /// back as results (eLimitExceeded for a mesh over the triangle budget); a boundary whose edges cross
    /// each other throws CDT::IntersectingConstraintsError, and a failed allocation std::bad_alloc. After
    /// any failure the mesher keeps its previous mesh.
    EResult createMesh(OdSmartPtr<OdDbRegion> region, double meshSize, double* elapsed,
                       int smoothingIterations);
    /// Refines the current mesh inside region (size divided by its ratio); timing as createMesh.
    EResult refineMesh(std::unique_ptr<RefinementRegion> region, double* elapsed, int smoothingIterations);
    /// Refines the current mesh where the field of params still changes; timing as createMesh.
    EResult adaptivelyRefineMesh(const AdaptiveRefinementParams& params, double* elapsed);

protected:
    virtual EResult createMeshImpl(OdSmartPtr<OdDbRegion> region, double meshSize,
                                   int smoothingIterations) = 0;
    virtual EResult refineMeshImpl(std::unique_ptr<RefinementRegion> region, int smoothingIterations) = 0;
    /// eNotPossible unless a mesher supports adaptive refinement.
    virtual EResult adaptivelyRefineMeshImpl(const AdaptiveRefinementParams& params);
};

} // namespace cae_core
