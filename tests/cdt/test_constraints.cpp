// Constraint edges and erasing: recovery of constraints through arbitrary triangulations, splitting at
// vertices on a constraint, crossing errors, and the domain left after erasing outer triangles and holes.

#include "cdt/Predicates.h"
#include "cdt/Triangulation.h"
#include "tests/cdt/TopologyChecker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace
{

using CDT::Edge;
using cdt_test::checkOpen;
using cdt_test::P;
using cdt_test::Tri;

/// Relative accuracy of an area summed in floating point over a few thousand triangles.
constexpr double areaTolerance = 1e-12;

/// Appends a square loop [x0, x1]^2 sampled with n segments per side; returns the user indices of its
/// vertices.
std::vector<CDT::VertInd> appendSquareLoop(std::vector<P>& points, double x0, double x1, int n)
{
    std::vector<CDT::VertInd> loop;
    const double h = (x1 - x0) / n;
    const P corners[4] = {{x0, x0}, {x1, x0}, {x1, x1}, {x0, x1}};
    const P steps[4] = {{h, 0}, {0, h}, {-h, 0}, {0, -h}};
    for (int side = 0; side < 4; ++side)
        for (int i = 0; i < n; ++i)
        {
            loop.push_back(static_cast<CDT::VertInd>(points.size()));
            points.push_back({corners[side].x + i * steps[side].x, corners[side].y + i * steps[side].y});
        }
    return loop;
}

std::vector<Edge> loopEdges(const std::vector<CDT::VertInd>& loop)
{
    std::vector<Edge> edges;
    for (std::size_t i = 0; i < loop.size(); ++i)
        edges.emplace_back(loop[i], loop[(i + 1) % loop.size()]);
    return edges;
}

bool hasTriangleEdge(const Tri& t, CDT::VertInd a, CDT::VertInd b)
{
    for (const CDT::Triangle& tri : t.triangles)
        if (tri.containsVertex(a) && tri.containsVertex(b))
            return true;
    return false;
}

P centroid(const Tri& t, const CDT::Triangle& tri)
{
    const P& a = t.vertices[tri.vertices[0]];
    const P& b = t.vertices[tri.vertices[1]];
    const P& c = t.vertices[tri.vertices[2]];
    return {(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3};
}

TEST(CdtConstraints, ASquareWithASquareHoleErasesToExactlyThePolygonsArea)
{
    std::mt19937_64 rng(cdt_test::testSeed());
    std::vector<P> points;
    const auto outer = appendSquareLoop(points, -2.0, 2.0, 40);
    const auto hole = appendSquareLoop(points, -1.0, 1.0, 13);
    const std::size_t boundaryCount = points.size();
    Tri t;
    t.insertVertices(points);
    ASSERT_EQ(checkOpen(t), "");
    std::vector<Edge> edges = loopEdges(outer);
    const std::vector<Edge> holeEdges = loopEdges(hole);
    edges.insert(edges.end(), holeEdges.begin(), holeEdges.end());
    t.insertEdges(edges);
    ASSERT_EQ(checkOpen(t), "");

    // Interior points one at a time, some exactly on constraint edges and some outside the domain.
    std::vector<P> interior = cdt_test::randomPoints(rng, 600, -2.5, -2.5, 2.5, 2.5);
    interior.push_back({0.05, -2.0});
    interior.push_back({1.0, 0.33});
    for (std::size_t k = 0; k < interior.size(); ++k)
    {
        t.insertVertices({interior[k]});
        if (k < 40 || k % 40 == 0 || k + 2 >= interior.size())
        {
            ASSERT_EQ(checkOpen(t), "") << "after interior point " << k;
        }
    }

    t.eraseOuterTrianglesAndHoles();
    cdt_test::TopologyCounts counts;
    ASSERT_EQ(cdt_test::checkTopology(t, &counts), "");
    EXPECT_EQ(counts.euler(), 0) << "an annulus";
    EXPECT_EQ(cdt_test::checkDelaunay(t), "");
    EXPECT_EQ(cdt_test::checkConstraintsPresent(t), "");
    EXPECT_NEAR(cdt_test::totalArea(t), 16.0 - 4.0, 12.0 * areaTolerance);
    for (const CDT::Triangle& tri : t.triangles)
    {
        const P c = centroid(t, tri);
        const bool inOuter = std::fabs(c.x) < 2.0 && std::fabs(c.y) < 2.0;
        const bool inHole = std::fabs(c.x) < 1.0 && std::fabs(c.y) < 1.0;
        EXPECT_TRUE(inOuter && !inHole) << c.x << ", " << c.y;
    }
    // Vertices are the inserted points in order; constraints refer to them and every boundary vertex is on
    // one.
    ASSERT_EQ(t.vertices.size(), boundaryCount + interior.size());
    EXPECT_TRUE(std::equal(points.begin(), points.end(), t.vertices.begin()));
    EXPECT_TRUE(std::equal(interior.begin(), interior.end(), t.vertices.begin() + boundaryCount));
    EXPECT_EQ(t.fixedEdges.size(), edges.size() + 2) << "two constraints split by points inserted on them";
    const auto onBottom = static_cast<CDT::VertInd>(boundaryCount + 600);
    EXPECT_TRUE(t.fixedEdges.count(Edge(20, onBottom)));
    EXPECT_TRUE(t.fixedEdges.count(Edge(onBottom, 21)));
}

TEST(CdtConstraints, NestedLoopsAlternateBetweenRegionAndHole)
{
    std::vector<P> points;
    const auto l1 = appendSquareLoop(points, 0.0, 10.0, 5);
    const auto l2 = appendSquareLoop(points, 2.0, 8.0, 3);
    const auto l3 = appendSquareLoop(points, 4.0, 6.0, 2);
    Tri t;
    t.insertVertices(points);
    for (const auto* loop : {&l3, &l1, &l2})
        t.insertEdges(loopEdges(*loop));
    ASSERT_EQ(checkOpen(t), "");
    const std::size_t constraintCount = t.fixedEdges.size();
    // A later batch with three points exactly on constraint edges (one per loop) and two off them.
    t.insertVertices({{1.0, 0.0}, {8.0, 5.0}, {4.5, 6.0}, {9.0, 9.0}, {5.0, 5.0}});
    ASSERT_EQ(checkOpen(t), "");
    EXPECT_EQ(t.fixedEdges.size(), constraintCount + 3);
    t.eraseOuterTrianglesAndHoles();
    ASSERT_EQ(cdt_test::checkTopology(t), "");
    EXPECT_NEAR(cdt_test::totalArea(t), (100.0 - 36.0) + 4.0, 100.0 * areaTolerance);
    for (const CDT::Triangle& tri : t.triangles)
    {
        const P c = centroid(t, tri);
        const double ring = std::max(std::fabs(c.x - 5.0), std::fabs(c.y - 5.0));
        EXPECT_TRUE(ring < 1.0 || (ring > 3.0 && ring < 5.0)) << c.x << ", " << c.y;
    }
    for (const CDT::Triangle& tri : t.triangles)
        for (const CDT::TriInd n : tri.neighbors)
            EXPECT_TRUE(n == CDT::noNeighbor || n < t.triangles.size());
}

TEST(CdtConstraints, ConstraintsThroughVerticesExactlyOnThemAreSplitThere)
{
    // Points 0..10 on the diagonal y = x, plus points off it so the diagonal is not already a chain of edges.
    // 0.1 * i is not exact, so only the vertices exactly on the segment split it; every piece is an edge.
    std::vector<P> diagonal;
    for (int i = 0; i <= 10; ++i)
        diagonal.push_back({0.1 * i, 0.1 * i});
    diagonal.insert(diagonal.end(), {{0.9, 0.05}, {0.05, 0.9}, {0.52, 0.48}, {0.48, 0.52}});
    Tri t;
    t.insertVertices(diagonal);
    t.insertEdges({Edge(0, 10)});
    ASSERT_EQ(checkOpen(t), "");
    const CDT::VertInd o = t.helperVertexCount();
    std::vector<CDT::VertInd> onSegment;
    for (CDT::VertInd i = 0; i <= 10; ++i)
        if (CDT::locatePointLine(diagonal[i], diagonal[0], diagonal[10]) == CDT::PtLineLocation::OnLine)
            onSegment.push_back(i);
    ASSERT_GE(onSegment.size(), 3u);
    EXPECT_EQ(t.fixedEdges.size(), onSegment.size() - 1);
    for (std::size_t k = 0; k + 1 < onSegment.size(); ++k)
        EXPECT_TRUE(t.fixedEdges.count(Edge(onSegment[k] + o, onSegment[k + 1] + o)));

    // On a 12 x 12 grid: a row, a column, the diagonal (all through grid vertices) and a knight's move
    // (through none).
    std::vector<P> grid;
    for (int j = 0; j < 12; ++j)
        for (int i = 0; i < 12; ++i)
            grid.push_back({static_cast<double>(i), static_cast<double>(j)});
    Tri g;
    g.insertVertices(grid);
    g.insertEdges({Edge(0, 11), Edge(5, 137), Edge(0, 143), Edge(1, 26)});
    ASSERT_EQ(checkOpen(g), "");
    EXPECT_TRUE(g.fixedEdges.count(Edge(0 + o, 1 + o)));
    EXPECT_TRUE(g.fixedEdges.count(Edge(13 * 5 + o, 13 * 6 + o)));
    EXPECT_TRUE(g.fixedEdges.count(Edge(1 + o, 26 + o)));
    EXPECT_EQ(g.fixedEdges.size(), 11u + 11u + 11u + 1u);
}

TEST(CdtConstraints, LongRandomConstraintsAreRecoveredAndCrossingsRejectedWithoutChange)
{
    std::mt19937_64 rng(cdt_test::testSeed());
    const std::vector<P> points = cdt_test::randomPoints(rng, 400);
    Tri t;
    t.insertVertices(points);
    std::uniform_int_distribution<CDT::VertInd> pick(0, 399);
    int inserted = 0;
    int rejected = 0;
    for (int k = 0; k < 40; ++k)
    {
        const CDT::VertInd a = pick(rng);
        const CDT::VertInd b = pick(rng);
        if (a == b)
            continue;
        const Tri before = t;
        try
        {
            t.insertEdges({Edge(a, b)});
            ++inserted;
            ASSERT_TRUE(hasTriangleEdge(t, a + 3, b + 3));
            ASSERT_TRUE(t.fixedEdges.count(Edge(a + 3, b + 3)));
        }
        catch (const CDT::IntersectingConstraintsError& e)
        {
            ++rejected;
            EXPECT_EQ(e.e2(), Edge(a, b));
            EXPECT_TRUE(before.fixedEdges.count(Edge(e.e1().v1() + 3, e.e1().v2() + 3))) << e.what();
            ASSERT_EQ(t.triangles, before.triangles);
            ASSERT_EQ(t.fixedEdges, before.fixedEdges);
        }
        ASSERT_EQ(checkOpen(t), "") << "after edge " << a << ", " << b;
        // Points inserted later keep the constraints.
        t.insertVertices(cdt_test::randomPoints(rng, 5));
        ASSERT_EQ(checkOpen(t), "");
    }
    EXPECT_GT(inserted, 0);
    EXPECT_GT(rejected, 0);
}

TEST(CdtConstraints, CrossingMissingOrDegenerateEdgesRaiseErrorsNamingThem)
{
    Tri t;
    t.insertVertices({{0, 0}, {2, 0}, {2, 2}, {0, 2}, {1, 3}});
    t.insertEdges({Edge(0, 2)});
    try
    {
        t.insertEdges({Edge(2, 3), Edge(1, 3), Edge(3, 4)});
        FAIL() << "no error";
    }
    catch (const CDT::IntersectingConstraintsError& e)
    {
        EXPECT_EQ(e.e1(), Edge(0, 2));
        EXPECT_EQ(e.e2(), Edge(1, 3));
        EXPECT_NE(std::string(e.what()).find("(1, 3)"), std::string::npos) << e.what();
    }
    // The edge before the offending one is in, the one after it is not.
    ASSERT_EQ(checkOpen(t), "");
    EXPECT_TRUE(t.fixedEdges.count(Edge(5, 6)));
    EXPECT_FALSE(t.fixedEdges.count(Edge(6, 7)));
    EXPECT_EQ(t.fixedEdges.size(), 2u);

    // Edges naming a missing point or one point twice are refused before anything changes.
    const CDT::EdgeUSet before = t.fixedEdges;
    try
    {
        t.insertEdges({Edge(0, 1), Edge(1, 5)});
        FAIL() << "no error";
    }
    catch (const CDT::Error& e)
    {
        EXPECT_NE(std::string(e.what()).find("point 5"), std::string::npos) << e.what();
    }
    EXPECT_THROW(t.insertEdges({Edge(2, 2)}), CDT::Error);
    EXPECT_EQ(t.fixedEdges, before);
    EXPECT_THROW(Tri().insertEdges({Edge(0, 1)}), CDT::Error);
}

TEST(CdtConstraints, ACircleBoundaryRefinedLikeTheMesherStaysConstrainedDelaunay)
{
    // A boundary sampled on a circle (all co-circular) with its segments as constraints, then circumcentres
    // of large triangles inside it inserted one at a time in a sweep over the triangles by index. The
    // triangles an insertion creates are appended, so the sweep reaches them too.
    constexpr int n = 64;
    constexpr double radius = 3.0;
    std::vector<P> boundary;
    std::vector<Edge> edges;
    for (int i = 0; i < n; ++i)
    {
        const double a = 2.0 * 3.141592653589793 * i / n;
        boundary.push_back({radius * std::cos(a), radius * std::sin(a)});
        edges.emplace_back(i, (i + 1) % n);
    }
    Tri t;
    t.insertVertices(boundary);
    t.insertEdges(edges);
    constexpr double size = 0.5;
    const std::size_t sizeAtStart = t.triangles.size();
    bool refinedATriangleOfTheSameSweep = false;
    for (std::size_t i = 0; i < t.triangles.size() && t.triangles.size() < 5000; ++i)
    {
        const auto& v = t.triangles[i].vertices;
        const P a = t.vertices[v[0]];
        const P b = t.vertices[v[1]];
        const P c = t.vertices[v[2]];
        const double bx = b.x - a.x, by = b.y - a.y, cx = c.x - a.x, cy = c.y - a.y;
        const double d = 2 * (bx * cy - cx * by);
        const P cc{a.x + (cy * (bx * bx + by * by) - by * (cx * cx + cy * cy)) / d,
                   a.y + (bx * (cx * cx + cy * cy) - cx * (bx * bx + by * by)) / d};
        const double longest = std::sqrt(std::max(
            {bx * bx + by * by, cx * cx + cy * cy, (c.x - b.x) * (c.x - b.x) + (c.y - b.y) * (c.y - b.y)}));
        if (std::hypot(cc.x, cc.y) < radius * 0.99 && longest > size)
        {
            try
            {
                t.insertVertices({cc});
                refinedATriangleOfTheSameSweep |= i >= sizeAtStart;
            }
            catch (const CDT::DuplicateVertexError&)
            {
            }
        }
    }
    EXPECT_TRUE(refinedATriangleOfTheSameSweep);
    ASSERT_EQ(checkOpen(t), "");
    t.eraseOuterTrianglesAndHoles();
    cdt_test::TopologyCounts counts;
    ASSERT_EQ(cdt_test::checkTopology(t, &counts), "");
    EXPECT_EQ(counts.euler(), 1);
    EXPECT_EQ(counts.borderEdges, n);
    EXPECT_EQ(cdt_test::checkConstraintsPresent(t), "");
    EXPECT_GT(t.triangles.size(), 200u);
}

TEST(CdtConstraints, GridSubsetsWithRandomConstraintsAndPointsOnThemStayValid)
{
    // Degenerate everywhere: random subsets of small grids (collinear runs, co-circular quadruples) at three
    // scales, random constraints through collinear vertices, and later points at midpoints of vertex pairs,
    // which often fall exactly on constraint edges. Every invariant is checked after every operation.
    const std::uint64_t seed = cdt_test::testSeed();
    for (int round = 0; round < 16; ++round)
    {
        SCOPED_TRACE("round " + std::to_string(round));
        std::mt19937_64 rng(seed + static_cast<std::uint64_t>(round));
        const int n = 4 + static_cast<int>(rng() % 9);
        const double scale = round % 3 == 0 ? 1e-8 : (round % 3 == 1 ? 1.0 : 1e8);
        std::vector<P> points;
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i)
                if (rng() % 3 != 0)
                    points.push_back({i * scale, j * scale});
        std::shuffle(points.begin(), points.end(), rng);
        const std::size_t half = points.size() / 2;
        Tri t;
        t.insertVertices(std::vector<P>(points.begin(), points.begin() + static_cast<std::ptrdiff_t>(half)));
        const auto insertRandomEdges = [&](std::size_t count)
        {
            for (int k = 0; k < 8; ++k)
            {
                const auto a = static_cast<CDT::VertInd>(rng() % count);
                const auto b = static_cast<CDT::VertInd>(rng() % count);
                if (a == b)
                    continue;
                try
                {
                    t.insertEdges({Edge(a, b)});
                }
                catch (const CDT::IntersectingConstraintsError&)
                {
                }
                ASSERT_EQ(checkOpen(t), "") << "after edge " << a << ", " << b;
            }
        };
        insertRandomEdges(half);
        for (std::size_t k = half; k < points.size(); ++k)
        {
            const P& p = points[rng() % k];
            const P& q = points[rng() % k];
            for (const P& r : {P{(p.x + q.x) / 2, (p.y + q.y) / 2}, points[k]})
            {
                try
                {
                    t.insertVertices({r});
                }
                catch (const CDT::DuplicateVertexError&)
                {
                }
            }
            ASSERT_EQ(checkOpen(t), "") << "after point " << k;
        }
        insertRandomEdges(t.vertices.size() - t.helperVertexCount());
        t.eraseOuterTrianglesAndHoles();
        ASSERT_EQ(cdt_test::checkTopology(t), "");
        ASSERT_EQ(cdt_test::checkDelaunay(t), "");
        ASSERT_EQ(cdt_test::checkConstraintsPresent(t), "");
    }
}

TEST(CdtErasing, ErasingTwiceChangesNothingAndAnEmptyTriangulationStaysEmpty)
{
    Tri empty;
    empty.eraseOuterTrianglesAndHoles();
    EXPECT_TRUE(empty.vertices.empty());
    EXPECT_TRUE(empty.triangles.empty());

    Tri t;
    t.insertVertices({{0, 0}, {1, 0}, {1, 1}, {0, 1}, {5, 5}});
    t.insertEdges({Edge(0, 1), Edge(1, 2), Edge(2, 3), Edge(3, 0)});
    t.eraseOuterTrianglesAndHoles();
    EXPECT_EQ(t.helperVertexCount(), 0u);
    EXPECT_TRUE(t.isFinalized());
    EXPECT_EQ(t.vertices.size(), 5u) << "the point outside the loop stays in the vertex list";
    EXPECT_EQ(t.triangles.size(), 2u);
    EXPECT_EQ(t.fixedEdges.size(), 4u);
    const Tri once = t;
    t.eraseOuterTrianglesAndHoles();
    EXPECT_EQ(t.triangles, once.triangles);
    EXPECT_EQ(t.vertices, once.vertices);
}

} // namespace
