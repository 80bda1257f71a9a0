#pragma once

#include "cae_core/solver2d/Solver2d.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

/// Exact equality of two points or vectors (their operator== allows the global tolerance).
#define EXPECT_SAME_XY(a, b)                                                                                 \
    do                                                                                                       \
    {                                                                                                        \
        EXPECT_EQ((a).x, (b).x);                                                                             \
        EXPECT_EQ((a).y, (b).y);                                                                             \
    } while (false)

namespace cae_core::test
{

/// A structured triangulation of the rectangle [0, lx] x [0, ly] with nx by ny cells, each cut into two
/// counter-clockwise triangles along its rising diagonal. Vertex (i, j) has index j (nx + 1) + i.
struct RectangleMesh
{
    TriangularMesh2d mesh;
    int nx = 0;
    int ny = 0;

    std::uint64_t vertex(int i, int j) const
    {
        return std::uint64_t(j) * std::uint64_t(nx + 1) + std::uint64_t(i);
    }
};

inline RectangleMesh rectangleMesh(double lx, double ly, int nx, int ny)
{
    RectangleMesh r;
    r.nx = nx;
    r.ny = ny;
    for (int j = 0; j <= ny; ++j)
        for (int i = 0; i <= nx; ++i)
            r.mesh.vertices.emplace_back(lx * i / nx, ly * j / ny);
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i)
        {
            const std::uint64_t a = r.vertex(i, j), b = r.vertex(i + 1, j), c = r.vertex(i + 1, j + 1),
                                d = r.vertex(i, j + 1);
            r.mesh.triangles.push_back({a, b, c});
            r.mesh.triangles.push_back({a, c, d});
        }
    return r;
}

inline Solver2dInput plateInput(const TriangularMesh2d& mesh, fea2d::EElementType type,
                                double youngsModulus = 1.0, double poissonRatio = 0.3, double thickness = 1.0,
                                fea2d::EMode mode = fea2d::ePlanarStress)
{
    Solver2dInput input;
    input.elementType = type;
    input.youngsModulus = youngsModulus;
    input.poissonRatio = poissonRatio;
    input.thickness = thickness;
    input.mode = mode;
    input.mesh = mesh;
    return input;
}

inline EResult runInHouse(const Solver2dInput& input, Solver2dOutput& output)
{
    const std::unique_ptr<Solver2d> solver = Solver2d::create(Solver2d::eInHouse);
    return solver->execute(input, output);
}

} // namespace cae_core::test
