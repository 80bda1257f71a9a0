#pragma once

#include "host/solid/GmshBody.h"
#include "platform/ge/GePoint3d.h"

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace solid
{
/// Gmsh's sizing and optimisation settings for one meshing run. Lengths in drawing units.
struct GmshMeshOptions
{
    double sizeMin = 0.0;          ///< Mesh.MeshSizeMin
    double sizeMax = 1e22;         ///< Mesh.MeshSizeMax
    double elementsPerTwoPi = 0.0; ///< Mesh.MeshSizeFromCurvature; 0 leaves curvature out
    int optimize = 1;              ///< Mesh.Optimize (0 or 1)
    bool optimizeNetgen = false;   ///< Mesh.OptimizeNetgen
    int threads = 1;               ///< General.NumThreads
    int order = 1;                 ///< Mesh.ElementOrder: 2 adds mid-edge nodes on the geometry
};

/// A tetrahedral mesh of a body. Node positions are 0-based indices into `nodes`; each node,
/// boundary edge and boundary triangle carries the body entity it lies on (Gmsh dimension and tag;
/// dimension 3 for interior nodes). A second-order mesh (`order` 2) also has, parallel to the element
/// lists, the mid-edge nodes of every element: of a segment; of a triangle's edges (0,1), (1,2), (2,0);
/// of a tetrahedron's edges (0,1), (1,2), (2,0), (0,3), (1,3), (2,3).
struct GmshSolidMesh
{
    struct Node
    {
        OdGePoint3d point;
        int dim = 3;
        int tag = 0;
    };
    template <std::size_t N> struct Element
    {
        std::array<std::size_t, N> nodes{};
        int tag = 0; ///< the curve (edges) or surface (triangles) it lies on
    };
    std::vector<Node> nodes;
    std::vector<Element<2>> edges;
    std::vector<Element<3>> triangles;
    std::vector<std::array<std::size_t, 4>> tetras;
    int order = 1;
    std::vector<std::size_t> edgeMids;
    std::vector<std::array<std::size_t, 3>> triangleMids;
    std::vector<std::array<std::size_t, 6>> tetraMids;
};

/// Sets Gmsh's options for meshing the current model with `options`, as meshBody does.
void applyMeshOptions(const GmshMeshOptions& options);

/// The volume of `body` (cubic drawing units); 0 when Gmsh cannot tell.
double bodyVolume(const GmshBody& body);

/// Meshes `body` with tetrahedra of `options.order`. `stage` is told 1 when the surface mesh is done, 2 when
/// the volume mesh is done and 3 when the mesh has been read back. False, with Gmsh's message in
/// `error`, when Gmsh cannot mesh the body; the body's previous mesh is dropped either way.
bool meshBody(const GmshBody& body, const GmshMeshOptions& options, GmshSolidMesh& mesh, std::string& error,
              const std::function<void(int)>& stage = {});
} // namespace solid
