#pragma once

// One shared checker of triangulation invariants for every cdt test, and the helpers of randomised tests.
// Each check returns a description of the first problems found, empty when the triangulation is valid.

#include "cdt/Triangulation.h"
#include "tests/support/Seed.h"

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace cdt_test
{

using Tri = CDT::Triangulation;
using P = CDT::V2d<double>;

/// Counts taken while checking the topology.
struct TopologyCounts
{
    long usedVertices = 0; ///< vertices used by at least one triangle
    long edges = 0;
    long triangles = 0;
    long borderEdges = 0; ///< edges with noNeighbor on one side
    long euler() const { return usedVertices - edges + triangles; }
};

/// Every index in range, every triangle counter-clockwise by the exact predicate with three distinct
/// vertices, every neighbour link symmetric and across the same edge, no directed edge used twice.
std::string checkTopology(const Tri& t, TopologyCounts* counts = nullptr);

/// Every edge that is not a constraint is locally Delaunay (exact predicate), which everywhere means
/// constrained Delaunay; and every constraint edge in fixedEdges is an edge of some triangle.
std::string checkDelaunayAndConstraints(const Tri& t);

/// All invariants of an open (not erased) triangulation: topology, Euler's relation of a triangulated disc
/// (V - E + T = 1) bordered by the three helper edges, every vertex used, Delaunay, constraints present.
std::string checkOpen(const Tri& t);

/// The invariants left after erasing: topology, Delaunay, constraints present.
std::string checkErased(const Tri& t, TopologyCounts* counts = nullptr);

/// Triangles as sorted vertex triples, each rotated to start at its smallest vertex (winding kept).
std::vector<std::array<CDT::VertInd, 3>> canonicalTriangles(const Tri& t);

using test_support::testSeed;

/// n points uniformly distributed in [x0, x1] x [y0, y1].
std::vector<P> randomPoints(std::mt19937_64& rng, std::size_t n, double x0 = 0.0, double y0 = 0.0,
                            double x1 = 1.0, double y1 = 1.0);

/// Sum of the triangles' signed areas.
double totalArea(const Tri& t);

/// The message of the E that f throws, or "no error".
template <typename E, typename F> std::string messageOf(F&& f)
{
    try
    {
        f();
    }
    catch (const E& e)
    {
        return e.what();
    }
    return "no error";
}

} // namespace cdt_test
