#pragma once

#include "cae_core/solver2d/Solver2d.h"

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>

namespace cae_core::test
{

/// A structured triangulation of the rectangle [x0, x0 + lx] x [y0, y0 + ly] with nx by ny cells, each cut
/// into two counter-clockwise triangles along its rising diagonal. Vertex (i, j) has index j (nx + 1) + i.
/// The one boundary loop runs counter-clockwise from the lower-left corner.
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

inline RectangleMesh rectangleMesh(double lx, double ly, int nx, int ny, double x0 = 0.0, double y0 = 0.0)
{
    RectangleMesh r;
    r.nx = nx;
    r.ny = ny;
    for (int j = 0; j <= ny; ++j)
        for (int i = 0; i <= nx; ++i)
            r.mesh.vertices.emplace_back(x0 + lx * i / nx, y0 + ly * j / ny);
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i)
        {
            const std::uint64_t a = r.vertex(i, j), b = r.vertex(i + 1, j), c = r.vertex(i + 1, j + 1),
                                d = r.vertex(i, j + 1);
            r.mesh.triangles.push_back({a, b, c});
            r.mesh.triangles.push_back({a, c, d});
        }
    std::vector<std::uint64_t> loop;
    for (int i = 0; i < nx; ++i)
        loop.push_back(r.vertex(i, 0));
    for (int j = 0; j < ny; ++j)
        loop.push_back(r.vertex(nx, j));
    for (int i = nx; i > 0; --i)
        loop.push_back(r.vertex(i, ny));
    for (int j = ny; j > 0; --j)
        loop.push_back(r.vertex(0, j));
    r.mesh.boundaries.push_back(loop);
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

/// Seed of a randomised test: CAE_TEST_SEED replays a run, otherwise a fixed default; printed either way.
inline std::uint32_t testSeed(std::uint32_t fallback)
{
    std::uint32_t seed = fallback;
    if (const char* env = std::getenv("CAE_TEST_SEED"))
        seed = std::uint32_t(std::stoul(env));
    std::cout << "[ seed ] " << seed << " (replay with CAE_TEST_SEED=" << seed << ")\n";
    return seed;
}

} // namespace cae_core::test
