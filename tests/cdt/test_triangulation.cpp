// Vertex insertion: validity after every operation on random and adversarial inputs, agreement of batch and
// single insertion, errors, the exception guarantee, copies, and the order in which triangles are created.

#include "cdt/Triangulation.h"
#include "tests/cdt/TopologyChecker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

namespace
{

using cdt_test::checkOpen;
using cdt_test::P;
using cdt_test::Tri;

std::vector<P> gridPoints(int nx, int ny, double scale = 1.0)
{
    std::vector<P> points;
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i)
            points.push_back({i * scale, j * scale});
    return points;
}

void insertOneByOne(Tri& t, const std::vector<P>& points, bool checkEach)
{
    for (const P& p : points)
    {
        t.insertVertices({p});
        if (checkEach)
        {
            ASSERT_EQ(checkOpen(t), "") << "after inserting point " << t.vertices.size() - 4;
        }
    }
}

/// The inserted points as the caller numbered them.
std::vector<P> userPoints(const Tri& t)
{
    return {t.vertices.begin() + t.helperVertexCount(), t.vertices.end()};
}

TEST(CdtVertexInsertion, RandomPointsGiveAValidDelaunayTriangulationAfterEveryInsertion)
{
    std::mt19937_64 rng(cdt_test::testSeed());
    const std::vector<P> points = cdt_test::randomPoints(rng, 200);
    Tri t;
    insertOneByOne(t, points, true);
    EXPECT_EQ(userPoints(t), points);
    EXPECT_EQ(t.triangles.size(), 2 * t.vertices.size() - 5);
}

TEST(CdtVertexInsertion, RandomBatchesKeepTheCallersNumbering)
{
    std::mt19937_64 rng(cdt_test::testSeed());
    Tri t;
    std::vector<P> all;
    for (int batch = 0; batch < 4; ++batch)
    {
        const std::vector<P> points = cdt_test::randomPoints(rng, 2000, -batch, 0.0, 1.0 + batch, 1.0);
        t.insertVertices(points);
        all.insert(all.end(), points.begin(), points.end());
        ASSERT_EQ(checkOpen(t), "") << "after batch " << batch;
        ASSERT_EQ(userPoints(t), all);
    }
}

TEST(CdtVertexInsertion, BatchAndSingleInsertionGiveTheSameDelaunayTriangulation)
{
    std::mt19937_64 rng(cdt_test::testSeed());
    // The same first call builds the same helper triangle; random points are in general position, so the
    // Delaunay triangulation is unique and both ways must reach it exactly.
    const std::vector<P> corners = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    const std::vector<P> points = cdt_test::randomPoints(rng, 3000);
    Tri batch;
    batch.insertVertices(corners);
    batch.insertVertices(points);
    Tri single;
    single.insertVertices(corners);
    insertOneByOne(single, points, false);
    ASSERT_EQ(checkOpen(batch), "");
    ASSERT_EQ(checkOpen(single), "");
    EXPECT_EQ(batch.vertices, single.vertices);
    EXPECT_EQ(cdt_test::canonicalTriangles(batch), cdt_test::canonicalTriangles(single));
}

TEST(CdtVertexInsertion, ARegularGridOfCocircularQuadruplesStaysValid)
{
    for (const double scale : {1.0, 1e8, 1e-8})
    {
        SCOPED_TRACE(scale);
        const std::vector<P> grid = gridPoints(20, 20, scale);
        Tri batch;
        batch.insertVertices(grid);
        ASSERT_EQ(checkOpen(batch), "");

        std::vector<P> shuffled = grid;
        std::mt19937_64 rng(cdt_test::testSeed());
        std::shuffle(shuffled.begin(), shuffled.end(), rng);
        Tri single;
        insertOneByOne(single, shuffled, false);
        ASSERT_EQ(checkOpen(single), "");
        EXPECT_EQ(single.triangles.size(), batch.triangles.size());
    }
}

TEST(CdtVertexInsertion, SmallGridIsValidAfterEveryInsertionInEveryScale)
{
    for (const double scale : {1.0, 1e8, 1e-8, 0.1})
    {
        SCOPED_TRACE(scale);
        std::vector<P> grid = gridPoints(8, 8, scale);
        std::mt19937_64 rng(cdt_test::testSeed());
        std::shuffle(grid.begin(), grid.end(), rng);
        Tri t;
        insertOneByOne(t, grid, true);
    }
}

TEST(CdtVertexInsertion, PointsOnOneLineAreTriangulatedWithTheHelperVertices)
{
    std::vector<P> line;
    for (int i = 0; i < 200; ++i)
        line.push_back({0.1 * i, 0.3 * i + 7.0});
    Tri batch;
    batch.insertVertices(line);
    ASSERT_EQ(checkOpen(batch), "");
    Tri single;
    insertOneByOne(single, line, true);
}

TEST(CdtVertexInsertion, ScaledRandomPointsStayValid)
{
    std::mt19937_64 rng(cdt_test::testSeed());
    for (const double scale : {1e8, 1e-8})
    {
        SCOPED_TRACE(scale);
        const std::vector<P> points = cdt_test::randomPoints(rng, 2000, 3 * scale, -scale, 4 * scale, 0.0);
        Tri t;
        t.insertVertices(points);
        ASSERT_EQ(checkOpen(t), "");
    }
}

TEST(CdtVertexInsertion, APointOutsideTheHelperTriangleRebuildsItAroundAllPoints)
{
    Tri t;
    t.insertVertices({{0.5, 0.5}});
    t.insertVertices({{1.0, 0.5}, {0.5, 1.0}, {0.0, 0.0}});
    t.insertEdges({CDT::Edge(1, 2), CDT::Edge(2, 3), CDT::Edge(3, 1)});
    const CDT::EdgeUSet constraintsBefore = t.fixedEdges;
    t.insertVertices({{1e6, -3e6}});
    ASSERT_EQ(checkOpen(t), "");
    t.insertVertices({{-2e7, 4e7}, {5e8, 1.0}});
    ASSERT_EQ(checkOpen(t), "");
    EXPECT_EQ(t.fixedEdges, constraintsBefore);
    const std::vector<P> expected = {{0.5, 0.5},  {1.0, 0.5},  {0.5, 1.0}, {0.0, 0.0},
                                     {1e6, -3e6}, {-2e7, 4e7}, {5e8, 1.0}};
    EXPECT_EQ(userPoints(t), expected);
}

TEST(CdtVertexInsertion, SplittingRewritesTheHoldingTriangleAndAppendsTheOthers)
{
    Tri t;
    t.insertVertices({{0, 0}, {4, 0}, {0, 4}});
    const std::vector<CDT::Triangle> before = t.triangles;
    // Inside a triangle: it is split into three, two appended.
    t.insertVertices({{1, 1}});
    ASSERT_EQ(t.triangles.size(), before.size() + 2);
    // On an edge: two triangles become four, two appended.
    const std::size_t size = t.triangles.size();
    t.insertVertices({{2, 0}});
    ASSERT_EQ(t.triangles.size(), size + 2);
    ASSERT_EQ(checkOpen(t), "");
}

TEST(CdtVertexInsertion, ASweepByIndexReachesTrianglesCreatedDuringIt)
{
    // Refine like the mesher does: sweep over the triangles by index, inserting the centroid of every
    // triangle inside the unit square larger than a threshold, until a sweep inserts nothing. Triangles
    // appended during a sweep are refined in the same sweep.
    Tri t;
    t.insertVertices({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    t.insertEdges({CDT::Edge(0, 1), CDT::Edge(1, 2), CDT::Edge(2, 3), CDT::Edge(3, 0)});
    constexpr double maxArea = 0.002; // about 500 triangles in the unit square
    bool refinedATriangleOfTheSameSweep = false;
    for (bool inserted = true; inserted;)
    {
        inserted = false;
        const std::size_t sizeAtStart = t.triangles.size();
        for (std::size_t i = 0; i < t.triangles.size(); ++i)
        {
            const auto& v = t.triangles[i].vertices;
            const P& a = t.vertices[v[0]];
            const P& b = t.vertices[v[1]];
            const P& c = t.vertices[v[2]];
            const P centroid{(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3};
            const double area = 0.5 * ((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x));
            if (centroid.x > 0 && centroid.x < 1 && centroid.y > 0 && centroid.y < 1 && area > maxArea)
            {
                t.insertVertices({centroid});
                inserted = true;
                refinedATriangleOfTheSameSweep |= i >= sizeAtStart;
            }
        }
    }
    EXPECT_TRUE(refinedATriangleOfTheSameSweep);
    ASSERT_EQ(checkOpen(t), "");
    t.eraseOuterTrianglesAndHoles();
    EXPECT_NEAR(cdt_test::totalArea(t), 1.0, 1e-12);
    for (std::size_t i = 0; i < t.triangles.size(); ++i)
    {
        const auto& v = t.triangles[i].vertices;
        const P& a = t.vertices[v[0]];
        const P& b = t.vertices[v[1]];
        const P& c = t.vertices[v[2]];
        EXPECT_LE(0.5 * ((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x)), maxArea) << i;
    }
}

TEST(CdtVertexInsertionErrors, ADuplicateInTheFirstBatchNamesBothPointsAndLeavesTheTriangulationEmpty)
{
    Tri t;
    try
    {
        t.insertVertices({{0, 0}, {1, 0}, {2, 2}, {1, 1}, {1, 0}});
        FAIL() << "no error";
    }
    catch (const CDT::DuplicateVertexError& e)
    {
        EXPECT_EQ(e.v1(), 1u);
        EXPECT_EQ(e.v2(), 4u);
        EXPECT_NE(std::string(e.what()).find("point 4"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(t.vertices.empty());
    EXPECT_TRUE(t.triangles.empty());
    t.insertVertices({{0, 0}, {1, 0}, {0, 1}});
    EXPECT_EQ(checkOpen(t), "");
}

TEST(CdtVertexInsertionErrors, AFailedSingleInsertionLeavesTheTriangulationExactlyAsItWas)
{
    std::mt19937_64 rng(cdt_test::testSeed());
    const std::vector<P> points = cdt_test::randomPoints(rng, 500);
    Tri t;
    t.insertVertices(points);
    t.insertEdges({CDT::Edge(0, 1)});
    const Tri before = t;
    for (const std::size_t k : {0u, 1u, 77u, 499u})
    {
        try
        {
            t.insertVertices({points[k]});
            FAIL() << "no error";
        }
        catch (const CDT::DuplicateVertexError& e)
        {
            EXPECT_EQ(e.v1(), k);
            EXPECT_EQ(e.v2(), 500u);
        }
        EXPECT_EQ(t.vertices, before.vertices);
        EXPECT_EQ(t.triangles, before.triangles);
        EXPECT_EQ(t.fixedEdges, before.fixedEdges);
    }
    // The triangulation still works after the failures.
    t.insertVertices({{0.5, 0.5 + 1e-9}});
    EXPECT_EQ(checkOpen(t), "");
}

TEST(CdtVertexInsertionErrors, AFailedLaterBatchLeavesTheTriangulationExactlyAsItWas)
{
    Tri t;
    t.insertVertices(gridPoints(5, 5));
    const Tri before = t;
    const auto expectDuplicate = [&](const std::vector<P>& batch, CDT::VertInd v1, CDT::VertInd v2)
    {
        try
        {
            t.insertVertices(batch);
            ADD_FAILURE() << "no error";
        }
        catch (const CDT::DuplicateVertexError& e)
        {
            EXPECT_EQ(e.v1(), v1);
            EXPECT_EQ(e.v2(), v2);
        }
        EXPECT_EQ(t.vertices, before.vertices);
        EXPECT_EQ(t.triangles, before.triangles);
    };
    expectDuplicate({{0.5, 0.5}, {9, 9}, {0.5, 0.5}}, 25, 27); // inside the batch
    expectDuplicate({{0.5, 0.5}, {100, 100}, {3, 2}}, 13, 27); // an inserted point, with a far point present
    expectDuplicate({{1e9, 0.5}, {2, 2}}, 12, 26);
}

TEST(CdtVertexInsertionErrors, NonFiniteAndHugeCoordinatesAreRejectedWithThePointsIndex)
{
    Tri t;
    t.insertVertices({{0, 0}, {1, 0}, {0, 1}});
    const Tri before = t;
    for (const P bad : {P{std::nan(""), 0.0}, P{0.0, std::numeric_limits<double>::infinity()}, P{1e61, 0.0}})
    {
        try
        {
            t.insertVertices({{0.25, 0.25}, bad});
            FAIL() << "no error";
        }
        catch (const CDT::Error& e)
        {
            EXPECT_NE(std::string(e.what()).find("Point 4"), std::string::npos) << e.what();
        }
        EXPECT_EQ(t.vertices, before.vertices);
        EXPECT_EQ(t.triangles, before.triangles);
    }
}

TEST(CdtVertexInsertionErrors, InsertingAfterErasingIsRejected)
{
    Tri t;
    t.insertVertices({{0, 0}, {1, 0}, {0, 1}});
    t.insertEdges({CDT::Edge(0, 1), CDT::Edge(1, 2), CDT::Edge(2, 0)});
    t.eraseOuterTrianglesAndHoles();
    EXPECT_THROW(t.insertVertices({{0.2, 0.2}}), CDT::Error);
    EXPECT_THROW(t.insertEdges({CDT::Edge(0, 1)}), CDT::Error);
}

TEST(CdtCopies, ACopyIsIndependentOfItsOriginal)
{
    std::mt19937_64 rng(cdt_test::testSeed());
    // Random points in the unit square, then its corners 200..203: constraints along two opposite sides.
    std::vector<P> points = cdt_test::randomPoints(rng, 200);
    points.insert(points.end(), {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    Tri original;
    original.insertVertices(points);
    original.insertEdges({CDT::Edge(200, 201)});
    const Tri snapshot = original;

    Tri copy(original);
    copy.insertVertices(cdt_test::randomPoints(rng, 50));
    copy.insertEdges({CDT::Edge(202, 203)});
    copy.eraseOuterTrianglesAndHoles();
    EXPECT_EQ(original.vertices, snapshot.vertices);
    EXPECT_EQ(original.triangles, snapshot.triangles);
    EXPECT_EQ(original.fixedEdges, snapshot.fixedEdges);

    Tri assigned;
    assigned = original;
    original.insertVertices({{0.5, 0.5 + 1e-7}});
    EXPECT_EQ(assigned.triangles, snapshot.triangles);
    assigned.insertVertices({{0.25, 0.75 + 1e-7}});
    EXPECT_EQ(checkOpen(assigned), "");
    EXPECT_EQ(checkOpen(original), "");
}

} // namespace
