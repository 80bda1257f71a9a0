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

/// Appends the square loop [x0, x1]^2 sampled with n segments per side to the points; returns its edges
/// in user indices.
std::vector<Edge> appendSquareLoop(std::vector<P>& points, double x0, double x1, int n)
{
    const auto first = static_cast<CDT::VertInd>(points.size());
    const double h = (x1 - x0) / n;
    const P corners[4] = {{x0, x0}, {x1, x0}, {x1, x1}, {x0, x1}};
    const P steps[4] = {{h, 0}, {0, h}, {-h, 0}, {0, -h}};
    std::vector<Edge> edges;
    for (int side = 0; side < 4; ++side)
        for (int i = 0; i < n; ++i)
        {
            const auto k = static_cast<CDT::VertInd>(points.size());
            edges.emplace_back(k, side == 3 && i == n - 1 ? first : k + 1);
            points.push_back({corners[side].x + i * steps[side].x, corners[side].y + i * steps[side].y});
        }
    return edges;
}

TEST(CdtConstraints, NestedLoopsAlternateBetweenRegionAndHoleWithPointsAddedInsideOutsideAndOnThem)
{
    std::mt19937_64 rng(cdt_test::testSeed());
    std::vector<P> points;
    const auto l1 = appendSquareLoop(points, 0.0, 10.0, 5);
    const auto l2 = appendSquareLoop(points, 2.0, 8.0, 3);
    const auto l3 = appendSquareLoop(points, 4.0, 6.0, 2);
    const std::size_t boundaryCount = points.size();
    Tri t;
    t.insertVertices(points);
    for (const auto* loop : {&l3, &l1, &l2})
        t.insertEdges(*loop);
    ASSERT_EQ(checkOpen(t), "");
    const std::size_t constraintCount = t.fixedEdges().size();

    // Random points one at a time, some outside the domain and two exactly on constraint edges; then a
    // batch with three points exactly on constraint edges (one per loop) and two off them.
    std::vector<P> later = cdt_test::randomPoints(rng, 400, -0.5, -0.5, 10.5, 10.5);
    later.insert(later.end(), {{0.3, 0.0}, {2.0, 3.3}});
    for (std::size_t k = 0; k < later.size(); ++k)
    {
        t.insertVertices({later[k]});
        ASSERT_TRUE((k >= 40 && k % 40 != 0 && k + 2 < later.size()) || checkOpen(t).empty())
            << checkOpen(t) << "after point " << k;
    }
    const std::vector<P> batch{{1.0, 0.0}, {8.0, 5.0}, {4.5, 6.0}, {9.0, 9.0}, {5.0, 5.0}};
    t.insertVertices(batch);
    ASSERT_EQ(checkOpen(t), "");
    EXPECT_EQ(t.fixedEdges().size(), constraintCount + 5)
        << "five constraints split by points inserted on them";
    // The first edge of the outer loop, from user point 0 to 1, is split at (0.3, 0) and then at (1, 0).
    const auto onBottom = static_cast<CDT::VertInd>(t.helperVertexCount() + boundaryCount + 400);
    const auto onBottomLater = static_cast<CDT::VertInd>(onBottom + 2);
    for (const Edge& piece : {Edge(3, onBottom), Edge(onBottom, onBottomLater), Edge(onBottomLater, 4)})
        EXPECT_TRUE(t.fixedEdges().count(piece)) << piece.v1() << ", " << piece.v2();

    t.eraseOuterTrianglesAndHoles();
    cdt_test::TopologyCounts counts;
    ASSERT_EQ(cdt_test::checkErased(t, &counts), "");
    EXPECT_EQ(counts.euler(), 1) << "a ring and a disc";
    EXPECT_TRUE(t.isFinalized() && t.helperVertexCount() == 0);
    EXPECT_EQ(t.fixedEdges().size(), constraintCount + 5) << "every constraint borders the domain";
    const Tri once = t;
    t.eraseOuterTrianglesAndHoles(); // a second time changes nothing
    EXPECT_TRUE(t.triangles() == once.triangles() && t.vertices() == once.vertices() &&
                t.fixedEdges() == once.fixedEdges());
    EXPECT_NEAR(cdt_test::totalArea(t), (100.0 - 36.0) + 4.0, 100.0 * areaTolerance);
    for (const CDT::Triangle& tri : t.triangles())
    {
        const P &a = t.vertices()[tri.vertices[0]], &b = t.vertices()[tri.vertices[1]],
                &c = t.vertices()[tri.vertices[2]];
        const double ring =
            std::max(std::fabs((a.x + b.x + c.x) / 3 - 5.0), std::fabs((a.y + b.y + c.y) / 3 - 5.0));
        EXPECT_TRUE(ring < 1.0 || (ring > 3.0 && ring < 5.0)) << ring;
    }
    // Vertices are the inserted points in order, the unused ones outside the domain included.
    points.insert(points.end(), later.begin(), later.end());
    points.insert(points.end(), batch.begin(), batch.end());
    EXPECT_EQ(t.vertices(), points);
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
    EXPECT_EQ(t.fixedEdges().size(), onSegment.size() - 1);
    for (std::size_t k = 0; k + 1 < onSegment.size(); ++k)
        EXPECT_TRUE(t.fixedEdges().count(Edge(onSegment[k] + o, onSegment[k + 1] + o)));

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
    EXPECT_TRUE(g.fixedEdges().count(Edge(0 + o, 1 + o)));
    EXPECT_TRUE(g.fixedEdges().count(Edge(13 * 5 + o, 13 * 6 + o)));
    EXPECT_TRUE(g.fixedEdges().count(Edge(1 + o, 26 + o)));
    EXPECT_EQ(g.fixedEdges().size(), 11u + 11u + 11u + 1u);
}

TEST(CdtConstraints, CrossingMissingOrDegenerateEdgesRaiseErrorsNamingThem)
{
    using cdt_test::messageOf;
    Tri t;
    t.insertVertices({{0, 0}, {2, 0}, {2, 2}, {0, 2}, {1, 3}});
    t.insertEdges({Edge(0, 2)});
    EXPECT_EQ(messageOf<CDT::IntersectingConstraintsError>(
                  [&] {
                      t.insertEdges({Edge(2, 3), Edge(1, 3), Edge(3, 4)});
                  }),
              "Intersecting constraint edges: new edge (1, 3) crosses constraint edge (0, 2)");
    // The edge before the offending one is in, the one after it is not.
    ASSERT_EQ(checkOpen(t), "");
    EXPECT_EQ(t.fixedEdges(), (CDT::EdgeUSet{Edge(3, 5), Edge(5, 6)}));

    // Edges naming a missing point or one point twice are refused before anything changes.
    EXPECT_EQ(messageOf<CDT::Error>(
                  [&] {
                      t.insertEdges({Edge(0, 1), Edge(1, 5)});
                  }),
              "Constraint edge 1 (1, 5) names point 5, but only 5 points are inserted");
    EXPECT_EQ(messageOf<CDT::Error>([&] { t.insertEdges({Edge(2, 2)}); }),
              "Constraint edge 0 (2, 2) joins a point to itself");
    EXPECT_EQ(t.fixedEdges(), (CDT::EdgeUSet{Edge(3, 5), Edge(5, 6)}));
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
    const std::size_t sizeAtStart = t.triangles().size();
    bool refinedATriangleOfTheSameSweep = false;
    for (std::size_t i = 0; i < t.triangles().size() && t.triangles().size() < 5000; ++i)
    {
        const auto& v = t.triangles()[i].vertices;
        const P a = t.vertices()[v[0]], b = t.vertices()[v[1]], c = t.vertices()[v[2]];
        const double bx = b.x - a.x, by = b.y - a.y, cx = c.x - a.x, cy = c.y - a.y,
                     d = 2 * (bx * cy - cx * by);
        const P centre{a.x + (cy * (bx * bx + by * by) - by * (cx * cx + cy * cy)) / d,
                       a.y + (bx * (cx * cx + cy * cy) - cx * (bx * bx + by * by)) / d};
        const double longest = std::sqrt(std::max(
            {bx * bx + by * by, cx * cx + cy * cy, (c.x - b.x) * (c.x - b.x) + (c.y - b.y) * (c.y - b.y)}));
        if (std::hypot(centre.x, centre.y) >= radius * 0.99 || longest <= size)
            continue;
        try
        {
            t.insertVertices({centre});
            refinedATriangleOfTheSameSweep |= i >= sizeAtStart;
        }
        catch (const CDT::DuplicateVertexError&)
        {
        }
    }
    EXPECT_TRUE(refinedATriangleOfTheSameSweep);
    ASSERT_EQ(checkOpen(t), "");
    t.eraseOuterTrianglesAndHoles();
    cdt_test::TopologyCounts counts;
    ASSERT_EQ(cdt_test::checkErased(t, &counts), "");
    EXPECT_TRUE(counts.euler() == 1 && counts.borderEdges == n);
    EXPECT_GT(t.triangles().size(), 200u);
}

TEST(CdtConstraints, RandomConstraintsAndPointsOnThemKeepEveryInvariantAndCrossingsChangeNothing)
{
    // Random subsets of small grids at three scales (collinear runs and co-circular quadruples everywhere),
    // and every fifth round random points in general position; random constraints, long ones and ones through
    // collinear vertices; then points at midpoints of vertex pairs, which often fall exactly on constraint
    // edges. Every invariant is checked after every operation; a rejected crossing changes nothing.
    const std::uint64_t seed = cdt_test::testSeed();
    int inserted = 0, rejected = 0;
    for (int round = 0; round < 20; ++round)
    {
        SCOPED_TRACE("round " + std::to_string(round));
        std::mt19937_64 rng(seed + static_cast<std::uint64_t>(round));
        const bool generalPosition = round % 5 == 4;
        std::vector<P> points = cdt_test::randomPoints(rng, generalPosition ? 200 : 0);
        const int n = generalPosition ? 0 : 4 + static_cast<int>(rng() % 9);
        const double scale = round % 3 == 0 ? 1e-8 : (round % 3 == 1 ? 1.0 : 1e8);
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
                const auto a = static_cast<CDT::VertInd>(rng() % count),
                           b = static_cast<CDT::VertInd>(rng() % count);
                if (a == b)
                    continue;
                const Tri before = t;
                try
                {
                    t.insertEdges({Edge(a, b)});
                    ++inserted;
                }
                catch (const CDT::IntersectingConstraintsError& e)
                {
                    ++rejected;
                    EXPECT_EQ(e.e2(), Edge(a, b));
                    EXPECT_TRUE(before.fixedEdges().count(Edge(e.e1().v1() + 3, e.e1().v2() + 3)))
                        << e.what();
                    ASSERT_TRUE(t.triangles() == before.triangles() && t.fixedEdges() == before.fixedEdges());
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
        insertRandomEdges(t.vertices().size() - t.helperVertexCount());
        t.eraseOuterTrianglesAndHoles();
        ASSERT_EQ(cdt_test::checkErased(t), "");
    }
    EXPECT_TRUE(inserted > 0 && rejected > 0);
}

} // namespace
