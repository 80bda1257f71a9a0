#pragma once

#include "cae_core/task/Mesh.h"
#include "host/solid/GmshMeshing.h"

namespace tetra
{
/// The host's tetrahedral generator: meshes a solid whose body Gmsh made (solid::GmshBody) with
/// tetrahedra and fills the task's mesh with its nodes, boundary triangles (on faces, type 1),
/// boundary segments (on edges, type 2) and tetrahedra. Nodes carry the face, edge or vertex
/// (type 3) they lie on; interior nodes a null id. Installed with TetraMeshGenerator::init.
///
/// Lengths written "*D", "D/" and "r" are resolved with D, the diagonal of the solid's bounding box.
/// How the meshing parameters reach Gmsh:
///
/// | Option                                   | Gmsh                                                    |
/// |------------------------------------------|---------------------------------------------------------|
/// | surface global_physical_size, max_size;  | Mesh.MeshSizeMax: the smallest positive one             |
/// | tetra max_size                           |                                                         |
/// | surface min_size; tetra min_size         | Mesh.MeshSizeMin: the largest positive one (<= max)     |
/// | geometric_approximation_angle (degrees)  | Mesh.MeshSizeFromCurvature = 360 / angle                |
/// | chordal_error e                          | Mesh.MeshSizeFromCurvature = pi / acos(1 - 2e/D): the   |
/// |                                          | elements per turn that keep e on a radius of D/2; the   |
/// |                                          | larger of this and the angle's count is used            |
/// | tetra optimisation_level                 | light: Mesh.Optimize 0; standard: 1; strong: 1 and      |
/// |                                          | Mesh.OptimizeNetgen 1                                   |
/// | tetra max_number_of_threads              | General.NumThreads                                      |
///
/// No counterpart, ignored: surface and tetra gradation, volume_gradation (Gmsh's 3D meshers take
/// sizes from the boundary and the size bounds, with no growth-rate limit), anisotropic_ratio,
/// metric, closed_geometry, correct_surface_intersections, discard_input_topology,
/// enforce_cad_edge_sizes, geometric_size_mode, manifold_geometry, optimisation, physical_size_mode,
/// process_3d_topology, remove_tiny_edges, sewing_tolerance, tiny_edge_length,
/// tiny_edge_respect_geometry, pthreadsMode, boundary_regeneration, use_volume_proximity,
/// volume_proximity_layers.
///
/// Settings: `order` 2 gives a second-order mesh (Mesh::order() 2) whose mid-edge vertices lie on the
/// solid's curved faces and edges and carry the sub-entity they lie on, as corners do. A non-zero
/// `elementBudget` makes the generator estimate the tetrahedron count before meshing and refuse a solid
/// whose estimate exceeds it (eLimitExceeded, reported with the estimate and the budget).
class GmshTetraMeshGenerator : public cae_core::TetraMeshGenerator
{
public:
    struct Settings
    {
        int order = 1;                   ///< 1 or 2
        std::uint64_t elementBudget = 0; ///< most tetrahedra allowed; 0: no limit
    };

    GmshTetraMeshGenerator() = default;
    explicit GmshTetraMeshGenerator(const Settings& settings) : m_settings(settings) {}

    /// eInvalidArgument for a null task or entity, or a solid id that does not open as a solid with a
    /// Gmsh body; eNotPossible, after reporting eRpt_Fmt_TetraSessionFailed with Gmsh's message, when
    /// Gmsh cannot mesh the body, or when mid vertices placed on curved faces fold tetrahedra of a
    /// second-order mesh inside out. Progress goes to the host's progress meter.
    cae_core::EResult generate(ut::IReporter& reporter, const OdDbObjectId& solidId, cae_core::Task* task,
                               cae_core::Entity* entity, cae_core::MeshingParameters& parameters,
                               std::shared_ptr<cae_core::Mesh>& mesh) const override;

    /// Gmsh's settings for `parameters` on a solid whose bounding-box diagonal is `diagonal`.
    static solid::GmshMeshOptions options(const cae_core::MeshingParameters& parameters, double diagonal);

    /// Fills a new mesh of `task` from Gmsh's mesh (points in drawing units).
    static std::shared_ptr<cae_core::Mesh> toTaskMesh(cae_core::Task* task, const solid::GmshSolidMesh& mesh);

    /// About how many tetrahedra Gmsh makes of a solid of `volume` meshed with `options` (lengths in
    /// the same unit); see the definition for how close it comes.
    static double estimateTetrahedra(double volume, double diagonal, const solid::GmshMeshOptions& options);

    /// How many tetrahedra of a second-order mesh are folded inside out by their curved mid vertices (a
    /// Jacobian that is not positive at a corner or the centroid); 0 for a linear mesh.
    static std::size_t invertedTetrahedra(const cae_core::Mesh& mesh);

    const Settings& settings() const { return m_settings; }

private:
    Settings m_settings;
};
} // namespace tetra
