#include "tests/cdt/TopologyChecker.h"

#include "cdt/Predicates.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <unordered_map>
#include <unordered_set>

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

/// Collects the first few problems, so that a broken triangulation gives a readable report.
class Report
{
public:
    void operator()(const std::string& what)
    {
        if (m_count++ < 5)
            m_text << what << '\n';
    }
    std::string str() const { return m_text.str(); }

private:
    std::ostringstream m_text;
    int m_count = 0;
};

} // namespace

std::string checkTopology(const Tri& t, TopologyCounts* counts)
{
    Report report;
    const std::size_t nv = t.vertices().size();
    const std::size_t nt = t.triangles().size();
    std::vector<char> used(nv, 0);
    std::unordered_map<std::uint64_t, TriInd> directedEdges;
    long borderEdges = 0;
    for (TriInd i = 0; i < nt; ++i)
    {
        const CDT::Triangle& tri = t.triangles()[i];
        const std::string name = "triangle " + std::to_string(i);
        const auto& v = tri.vertices;
        if (std::any_of(v.begin(), v.end(), [&](VertInd k) { return k >= nv; }))
        {
            report(name + " has a vertex index out of range");
            continue;
        }
        if (v[0] == v[1] || v[1] == v[2] || v[2] == v[0])
        {
            report(name + " repeats a vertex");
            continue;
        }
        for (const VertInd k : v)
            used[k] = 1;
        if (CDT::locatePointLine(t.vertices()[v[2]], t.vertices()[v[0]], t.vertices()[v[1]]) !=
            CDT::PtLineLocation::Left)
            report(name + " is not counter-clockwise");
        for (Index k = 0; k < 3; ++k)
        {
            const VertInd from = v[k], to = v[ccw(k)];
            if (!directedEdges.emplace(directed(from, to), i).second)
                report(name + " repeats directed edge " + std::to_string(from) + "->" + std::to_string(to));
            const TriInd n = tri.neighbors[k];
            if (n == noNeighbor)
                ++borderEdges;
            else if (n >= nt)
                report(name + " has neighbour index out of range");
            else if (const Index back = t.triangles()[n].neighborIndex(i); back == 3)
                report(name + " is not a neighbour of its neighbour " + std::to_string(n));
            else if (t.triangles()[n].vertices[back] != to || t.triangles()[n].vertices[ccw(back)] != from)
                report(name + " and its neighbour " + std::to_string(n) + " do not share edge " +
                       std::to_string(k));
        }
    }
    // A border edge must really have nothing on the other side.
    for (TriInd i = 0; i < nt; ++i)
        for (Index k = 0; k < 3; ++k)
        {
            const auto& v = t.triangles()[i].vertices;
            if (t.triangles()[i].neighbors[k] == noNeighbor && v[k] < nv && v[ccw(k)] < nv &&
                directedEdges.count(directed(v[ccw(k)], v[k])) != 0)
                report("triangle " + std::to_string(i) + " has no neighbour across a shared edge");
        }
    if (counts != nullptr)
        *counts = {std::count(used.begin(), used.end(), 1), (3 * static_cast<long>(nt) + borderEdges) / 2,
                   static_cast<long>(nt), borderEdges};
    return report.str();
}

std::string checkDelaunayAndConstraints(const Tri& t)
{
    Report report;
    std::unordered_set<std::uint64_t> edges;
    for (TriInd i = 0; i < t.triangles().size(); ++i)
    {
        const CDT::Triangle& tri = t.triangles()[i];
        for (Index k = 0; k < 3; ++k)
        {
            const CDT::Edge e(tri.vertices[k], tri.vertices[ccw(k)]);
            edges.insert(directed(e.v1(), e.v2()));
            const TriInd n = tri.neighbors[k];
            if (n == noNeighbor || t.fixedEdges().count(e) != 0)
                continue;
            const VertInd far = t.triangles()[n].vertices[cw(t.triangles()[n].neighborIndex(i))];
            if (CDT::locatePointCircle(t.vertices()[far], t.vertices()[tri.vertices[0]],
                                       t.vertices()[tri.vertices[1]],
                                       t.vertices()[tri.vertices[2]]) == CDT::PtCircleLocation::Inside)
                report("vertex " + std::to_string(far) + " lies inside the circumcircle of triangle " +
                       std::to_string(i));
        }
    }
    for (const CDT::Edge& e : t.fixedEdges())
        if (edges.count(directed(e.v1(), e.v2())) == 0)
            report("constraint edge (" + std::to_string(e.v1()) + ", " + std::to_string(e.v2()) +
                   ") is not a triangle edge");
    return report.str();
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
        problems +=
            "the border has " + std::to_string(counts.borderEdges) + " edges instead of the helper's 3\n";
    if (counts.usedVertices != static_cast<long>(t.vertices().size()))
        problems += "only " + std::to_string(counts.usedVertices) + " of " +
                    std::to_string(t.vertices().size()) + " vertices are used by triangles\n";
    return problems + checkDelaunayAndConstraints(t);
}

std::string checkErased(const Tri& t, TopologyCounts* counts)
{
    const std::string problems = checkTopology(t, counts);
    return problems.empty() ? checkDelaunayAndConstraints(t) : problems;
}

std::vector<std::array<VertInd, 3>> canonicalTriangles(const Tri& t)
{
    std::vector<std::array<VertInd, 3>> result;
    for (const CDT::Triangle& tri : t.triangles())
    {
        const auto& v = tri.vertices;
        const Index first = static_cast<Index>(std::min_element(v.begin(), v.end()) - v.begin());
        result.push_back({v[first], v[ccw(first)], v[cw(first)]});
    }
    std::sort(result.begin(), result.end());
    return result;
}

std::vector<P> randomPoints(std::mt19937_64& rng, std::size_t n, double x0, double y0, double x1, double y1)
{
    std::uniform_real_distribution<double> ux(x0, x1), uy(y0, y1);
    std::vector<P> points(n);
    for (P& p : points)
        p = {ux(rng), uy(rng)};
    return points;
}

double totalArea(const Tri& t)
{
    double area = 0.0;
    for (const CDT::Triangle& tri : t.triangles())
    {
        const P &a = t.vertices()[tri.vertices[0]], &b = t.vertices()[tri.vertices[1]],
                &c = t.vertices()[tri.vertices[2]];
        area += 0.5 * ((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x));
    }
    return area;
}

} // namespace cdt_test
