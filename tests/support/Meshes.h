#pragma once

// Structured triangle meshes of a rectangle, shared by the solver tests and the benchmarks.

#include "cae_core/mesher2d/TriangularMesh2d.h"

#include <cstdint>

namespace test_meshes
{

/// The rectangle [0, lx] x [0, ly] in nx by ny cells, each cut into two counter-clockwise triangles along
/// its rising diagonal or, with `alternate`, along rising and falling diagonals in a chequerboard. Vertex
/// (i, j) lies at (lx i / nx, ly j / ny) and has index j (nx + 1) + i. No boundary loops.
struct RectangleMesh
{
    cae_core::TriangularMesh2d mesh;
    int nx = 0, ny = 0;
    std::uint64_t vertex(int i, int j) const
    {
        return std::uint64_t(j) * std::uint64_t(nx + 1) + std::uint64_t(i);
    }
};

inline RectangleMesh rectangleMesh(double lx, double ly, int nx, int ny, bool alternate = false)
{
    RectangleMesh r{{}, nx, ny};
    for (int j = 0; j <= ny; ++j)
        for (int i = 0; i <= nx; ++i)
            r.mesh.vertices.emplace_back(lx * i / nx, ly * j / ny);
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i)
        {
            const std::uint64_t a = r.vertex(i, j), b = r.vertex(i + 1, j), c = r.vertex(i + 1, j + 1),
                                d = r.vertex(i, j + 1);
            if (!alternate || (i + j) % 2 == 0)
            {
                r.mesh.triangles.push_back({a, b, c});
                r.mesh.triangles.push_back({a, c, d});
            }
            else
            {
                r.mesh.triangles.push_back({a, b, d});
                r.mesh.triangles.push_back({b, c, d});
            }
        }
    return r;
}

} // namespace test_meshes
