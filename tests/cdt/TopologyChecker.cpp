#include "tests/cdt/TopologyChecker.h"

#include "cdt/Predicates.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <unordered_map>

namespace cdt_test
{

using CDT::ccw;
using CDT::cw;
using CDT::Index;
using CDT::noNeighbor;
using CDT::TriInd;
using CDT::VertInd;

namespace
{

std::uint64_t directed(VertInd a, VertInd b)
{
    return (static_cast<std::uint64_t>(a) << 32) | b;
}

} // namespace

std::string checkTopology(const Tri& t, TopologyCounts* counts)
{
    std::ostringstream problems;
    int reported = 0;
    const auto report = [&](const std::string& what)
    {
        if (reported++ < 5)
            problems << what << '\n';
    };
    const std::size_t nv = t.vertices.size();
    const std::size_t nt = t.triangles.size();
    std::vector<char> used(nv, 0);
    std::unordered_map<std::uint64_t, TriInd> directedEdges;
    long borderEdges = 0;

    for (TriInd i = 0; i < nt; ++i)
    {
        const CDT::Triangle& tri = t.triangles[i];
        const std::string name = "triangle " + std::to_string(i);
        bool indicesValid = true;
        for (const VertInd v : tri.vertices)
            if (v >= nv)
            {
                report(name + " has vertex index " + std::to_string(v) + " out of range");
                indicesValid = false;
            }
        if (!indicesValid)
            continue;
        const VertInd a = tri.vertices[0], b = tri.vertices[1], c = tri.vertices[2];
        if (a == b || b == c || c == a)
        {
            report(name + " repeats a vertex");
            continue;
        }
        for (const VertInd v : tri.vertices)
            used[v] = 1;
        if (CDT::locatePointLine(t.vertices[c], t.vertices[a], t.vertices[b]) != CDT::PtLineLocation::Left)
            report(name + " is not counter-clockwise");
        for (Index k = 0; k < 3; ++k)
        {
            const VertInd from = tri.vertices[k];
            const VertInd to = tri.vertices[ccw(k)];
            if (!directedEdges.emplace(directed(from, to), i).second)
                report(name + " repeats directed edge " + std::to_string(from) + "->" + std::to_string(to));
            const TriInd n = tri.neighbors[k];
            if (n == noNeighbor)
            {
                ++borderEdges;
                continue;
            }
            if (n >= nt)
            {
                report(name + " has neighbour index out of range");
                continue;
            }
            const CDT::Triangle& other = t.triangles[n];
            const Index back = other.neighborIndex(i);
            if (back == 3)
            {
                report(name + " is not a neighbour of its neighbour " + std::to_string(n));
                continue;
            }
            if (other.vertices[back] != to || other.vertices[ccw(back)] != from)
                report(name + " and its neighbour " + std::to_string(n) + " do not share edge " +
                       std::to_string(k));
        }
    }
    // A border edge must really have nothing on the other side.
    for (TriInd i = 0; i < nt; ++i)
    {
        const CDT::Triangle& tri = t.triangles[i];
        for (Index k = 0; k < 3; ++k)
            if (tri.neighbors[k] == noNeighbor && tri.vertices[k] < nv && tri.vertices[ccw(k)] < nv &&
                directedEdges.count(directed(tri.vertices[ccw(k)], tri.vertices[k])) != 0)
                report("triangle " + std::to_string(i) + " has no neighbour across a shared edge");
    }

    if (counts != nullptr)
    {
        counts->usedVertices = std::count(used.begin(), used.end(), 1);
        counts->triangles = static_cast<long>(nt);
        counts->borderEdges = borderEdges;
        counts->edges = (3 * static_cast<long>(nt) + borderEdges) / 2;
    }
    return problems.str();
}

std::string checkDelaunay(const Tri& t)
{
    std::ostringstream problems;
    int reported = 0;
    for (TriInd i = 0; i < t.triangles.size(); ++i)
    {
        const CDT::Triangle& tri = t.triangles[i];
        for (Index k = 0; k < 3; ++k)
        {
            const TriInd n = tri.neighbors[k];
            if (n == noNeighbor || t.fixedEdges.count(CDT::Edge(tri.vertices[k], tri.vertices[ccw(k)])) != 0)
                continue;
            const CDT::Triangle& other = t.triangles[n];
            const VertInd far = other.vertices[cw(other.neighborIndex(i))];
            if (CDT::locatePointCircle(t.vertices[far], t.vertices[tri.vertices[0]],
                                       t.vertices[tri.vertices[1]],
                                       t.vertices[tri.vertices[2]]) == CDT::PtCircleLocation::Inside &&
                reported++ < 5)
                problems << "vertex " << far << " lies inside the circumcircle of triangle " << i << '\n';
        }
    }
    return problems.str();
}

std::string checkConstraintsPresent(const Tri& t)
{
    std::unordered_map<std::uint64_t, int> edges;
    for (const CDT::Triangle& tri : t.triangles)
        for (Index k = 0; k < 3; ++k)
        {
            const CDT::Edge e(tri.vertices[k], tri.vertices[ccw(k)]);
            edges[directed(e.v1(), e.v2())] = 1;
        }
    std::ostringstream problems;
    for (const CDT::Edge& e : t.fixedEdges)
        if (edges.count(directed(e.v1(), e.v2())) == 0)
            problems << "constraint edge (" << e.v1() << ", " << e.v2() << ") is not a triangle edge\n";
    return problems.str();
}

std::string checkOpen(const Tri& t)
{
    TopologyCounts counts;
    std::string problems = checkTopology(t, &counts);
    if (!problems.empty())
        return problems;
    if (counts.euler() != 1)
        problems += "Euler's relation fails: V - E + T = " + std::to_string(counts.euler()) + '\n';
    if (counts.borderEdges != 3)
        problems += "the border has " + std::to_string(counts.borderEdges) +
                    " edges instead of the helper triangle's 3\n";
    if (counts.usedVertices != static_cast<long>(t.vertices.size()))
        problems += "only " + std::to_string(counts.usedVertices) + " of " +
                    std::to_string(t.vertices.size()) + " vertices are used by triangles\n";
    return problems + checkDelaunay(t) + checkConstraintsPresent(t);
}

std::vector<std::array<VertInd, 3>> canonicalTriangles(const Tri& t)
{
    std::vector<std::array<VertInd, 3>> result;
    for (const CDT::Triangle& tri : t.triangles)
    {
        const auto& v = tri.vertices;
        const Index first = static_cast<Index>(std::min_element(v.begin(), v.end()) - v.begin());
        result.push_back({v[first], v[ccw(first)], v[cw(first)]});
    }
    std::sort(result.begin(), result.end());
    return result;
}

std::uint64_t testSeed()
{
    std::uint64_t seed = 0;
    if (const char* fromEnv = std::getenv("CDT_TEST_SEED"); fromEnv != nullptr && *fromEnv != '\0')
        seed = std::strtoull(fromEnv, nullptr, 10);
    else
        seed = (static_cast<std::uint64_t>(std::random_device{}()) << 32) ^ std::random_device{}();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::cout << "[   SEED   ] " << (info != nullptr ? info->name() : "")
              << ": replay with CDT_TEST_SEED=" << seed << '\n';
    ::testing::Test::RecordProperty("CDT_TEST_SEED", std::to_string(seed));
    return seed;
}

std::vector<P> randomPoints(std::mt19937_64& rng, std::size_t n, double x0, double y0, double x1, double y1)
{
    std::uniform_real_distribution<double> ux(x0, x1);
    std::uniform_real_distribution<double> uy(y0, y1);
    std::vector<P> points(n);
    for (P& p : points)
    {
        p.x = ux(rng);
        p.y = uy(rng);
    }
    return points;
}

double totalArea(const Tri& t)
{
    double area = 0.0;
    for (const CDT::Triangle& tri : t.triangles)
    {
        const P& a = t.vertices[tri.vertices[0]];
        const P& b = t.vertices[tri.vertices[1]];
        const P& c = t.vertices[tri.vertices[2]];
        area += 0.5 * ((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x));
    }
    return area;
}

} // namespace cdt_test
