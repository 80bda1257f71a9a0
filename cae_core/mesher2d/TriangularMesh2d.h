#pragma once

#include "platform/ge/GePoint2d.h"

#include <array>
#include <cstdint>
#include <vector>

class OdDbSubDMesh;

namespace cae_core
{
/// A planar triangle mesh detached from the drawing database.
///
/// Indices are positions in `vertices`. Triangles are counter-clockwise (positive signed area)
/// unless they were degenerate. Each boundary loop lists its vertices in walking order without
/// repeating the first: outer boundaries run counter-clockwise, hole boundaries clockwise.
/// All three vectors empty stands for a mesh that could not be read.
struct TriangularMesh2d
{
    std::vector<OdGePoint2d> vertices;
    std::vector<std::vector<std::uint64_t>> boundaries;
    std::vector<std::array<std::uint64_t, 3>> triangles;
};

/// Reads a mesh whose faces are all triangles; x and y of its vertices are kept, z dropped.
/// A face of any other size gives the empty mesh. A boundary that does not close (a mesh that
/// is not a 2-manifold) throws std::out_of_range("invalid unordered_map<K, T> key").
TriangularMesh2d getTriangularMesh2d(const OdDbSubDMesh& mesh);

/// The index of the vertex nearest to `point` (the first of equally near ones); a vertex within
/// squared distance 1e-10 is taken at once even if a later one is nearer. 0 for an empty mesh.
std::uint64_t getClosestVertex(const TriangularMesh2d& mesh, const OdGePoint2d& point);

/// The boundary vertices from the vertex at `from` to the vertex at `to`, both included, walking
/// the first loop that holds `from` in its stored direction. With `from` and `to` at the same
/// place, that whole loop from its first stored vertex. Empty when `from` is on no boundary
/// vertex or `to` is not on the same loop.
std::vector<std::uint64_t> getVerticesOnBoundaryBetween(const TriangularMesh2d& mesh, const OdGePoint2d& from,
                                                        const OdGePoint2d& to);
} // namespace cae_core
