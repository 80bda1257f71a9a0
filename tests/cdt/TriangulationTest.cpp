// Vertex insertion: validity after every operation on random and adversarial inputs, agreement of batch and
// single insertion, and errors with the exception guarantee.

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

/// Inserts the points one at a time, checking every invariant after each of the first `checked` insertions.
void insertOneByOne(Tri& t, const std::vector<P>& points, std::size_t checked)
{
    for (std::size_t k = 0; k < points.size(); ++k)
    {
        t.insertVertices({points[k]});
        ASSERT_TRUE(k >= checked || checkOpen(t).empty()) << checkOpen(t) << "after inserting point " << k;
    }
}

/// The inserted points as the caller numbered them.
std::vector<P> userPoints(const Tri& t)
{
    return {t.vertices().begin() + t.helperVertexCount(), t.vertices().end()};
}

/// Inserting the points must throw a DuplicateVertexError naming v1 and v2 and leave t unchanged.
void expectDuplicate(Tri& t, const std::vector<P>& points, CDT::VertInd v1, CDT::VertInd v2)
{
    const Tri before = t;
    try
    {
        t.insertVertices(points);
        ADD_FAILURE() << "no error";
    }
    catch (const CDT::DuplicateVertexError& e)
    {
        EXPECT_TRUE(e.v1() == v1 && e.v2() == v2) << e.what();
        EXPECT_NE(std::string(e.what()).find("point " + std::to_string(v2)), std::string::npos) << e.what();
    }
    EXPECT_TRUE(t.vertices() == before.vertices() && t.triangles() == before.triangles() &&
                t.fixedEdges() == before.fixedEdges());
}

TEST(CdtVertexInsertion, RandomPointsGiveTheSameValidDelaunayTriangulationInBatchesAndOneByOne)
{
    std::mt19937_64 rng(cdt_test::testSeed());
    // The same first call builds the same helper triangle; random points are in general position, so the
    // Delaunay triangulation is unique and both ways must reach it exactly.
    const std::vector<P> corners = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    const std::vector<P> points = cdt_test::randomPoints(rng, 3000);
    Tri batch;
    batch.insertVertices(corners);
    // Batches are inserted in a spatial order, but keep the caller's numbering.
    for (std::size_t from = 0; from < points.size(); from += 1000)
    {
        batch.insertVertices({points.begin() + from, points.begin() + from + 1000});
        ASSERT_EQ(checkOpen(batch), "") << "after the batch from " << from;
    }
    Tri single;
    single.insertVertices(corners);
    insertOneByOne(single, points, 200);
    ASSERT_EQ(checkOpen(single), "");
    EXPECT_EQ(batch.vertices(), single.vertices());
    EXPECT_TRUE(std::equal(points.begin(), points.end(), userPoints(single).begin() + 4));
    EXPECT_EQ(cdt_test::canonicalTriangles(batch), cdt_test::canonicalTriangles(single));
    EXPECT_EQ(single.triangles().size(), 2 * single.vertices().size() - 5);
}

TEST(CdtVertexInsertion, DegenerateInputsStayValidInBatchesAndOneByOneAtEveryScale)
{
    std::mt19937_64 rng(cdt_test::testSeed());
    struct Case
    {
        std::string name;
        std::vector<P> points;
        std::size_t checked; // insertions one by one after which every invariant is checked
    };
    std::vector<Case> cases;
    for (const double scale : {1.0, 1e8, 1e-8, 0.1})
    {
        // Grids: collinear rows and co-circular quadruples everywhere.
        cases.push_back({"20 x 20 grid at " + std::to_string(scale), gridPoints(20, 20, scale), 0});
        cases.push_back({"8 x 8 grid at " + std::to_string(scale), gridPoints(8, 8, scale), 64});
        if (scale != 1.0 && scale != 0.1)
            cases.push_back({"random at " + std::to_string(scale),
                             cdt_test::randomPoints(rng, 2000, 3 * scale, -scale, 4 * scale, 0.0), 0});
    }
    std::vector<P> line;
    for (int i = 0; i < 200; ++i)
        line.push_back({0.1 * i, 0.3 * i + 7.0});
    cases.push_back({"200 points on one line", line, 200});

    for (Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        Tri batch;
        batch.insertVertices(c.points);
        ASSERT_EQ(checkOpen(batch), "");
        std::shuffle(c.points.begin(), c.points.end(), rng);
        Tri single;
        insertOneByOne(single, c.points, c.checked);
        ASSERT_EQ(checkOpen(single), "");
        EXPECT_EQ(single.triangles().size(), batch.triangles().size());
    }
}

TEST(CdtVertexInsertion, APointOutsideTheHelperTriangleRebuildsItAroundAllPoints)
{
    Tri t;
    t.insertVertices({{0.5, 0.5}});
    t.insertVertices({{1.0, 0.5}, {0.5, 1.0}, {0.0, 0.0}});
    t.insertEdges({CDT::Edge(1, 2), CDT::Edge(2, 3), CDT::Edge(3, 1)});
    const CDT::EdgeUSet constraintsBefore = t.fixedEdges();
    t.insertVertices({{1e6, -3e6}});
    ASSERT_EQ(checkOpen(t), "");
    t.insertVertices({{-2e7, 4e7}, {5e8, 1.0}});
    ASSERT_EQ(checkOpen(t), "");
    EXPECT_EQ(t.fixedEdges(), constraintsBefore);
    const std::vector<P> expected = {{0.5, 0.5},  {1.0, 0.5},  {0.5, 1.0}, {0.0, 0.0},
                                     {1e6, -3e6}, {-2e7, 4e7}, {5e8, 1.0}};
    EXPECT_EQ(userPoints(t), expected);
}

TEST(CdtVertexInsertionErrors, DuplicatesNameBothPointsAndLeaveTheTriangulationAsItWas)
{
    // In the first batch: the triangulation stays empty and usable.
    Tri first;
    expectDuplicate(first, {{0, 0}, {1, 0}, {2, 2}, {1, 1}, {1, 0}}, 1, 4);
    EXPECT_TRUE(first.vertices().empty());
    first.insertVertices({{0, 0}, {1, 0}, {0, 1}});
    EXPECT_EQ(checkOpen(first), "");

    // Single points repeating inserted ones, with a constraint present.
    std::mt19937_64 rng(cdt_test::testSeed());
    const std::vector<P> points = cdt_test::randomPoints(rng, 500);
    Tri t;
    t.insertVertices(points);
    t.insertEdges({CDT::Edge(0, 1)});
    for (const CDT::VertInd k : {0u, 1u, 77u, 499u})
        expectDuplicate(t, {points[k]}, k, 500);
    t.insertVertices({{0.5, 0.5 + 1e-9}});
    EXPECT_EQ(checkOpen(t), "");

    // Later batches: a repeat inside the batch, of an inserted point beside a point far outside, and of an
    // inserted point after a point that would grow the helper triangle.
    Tri grid;
    grid.insertVertices(gridPoints(5, 5));
    expectDuplicate(grid, {{0.5, 0.5}, {9, 9}, {0.5, 0.5}}, 25, 27);
    expectDuplicate(grid, {{0.5, 0.5}, {100, 100}, {3, 2}}, 13, 27);
    expectDuplicate(grid, {{1e9, 0.5}, {2, 2}}, 12, 26);
}

TEST(CdtVertexInsertionErrors, BadCoordinatesAndInsertionsAfterErasingAreRejected)
{
    Tri t;
    t.insertVertices({{0, 0}, {1, 0}, {0, 1}});
    const Tri before = t;
    for (const P bad : {P{std::nan(""), 0.0}, P{0.0, std::numeric_limits<double>::infinity()}, P{1e61, 0.0}})
    {
        EXPECT_EQ(cdt_test::messageOf<CDT::Error>(
                      [&] {
                          t.insertVertices({{0.25, 0.25}, bad});
                      })
                      .find("Point 4 "),
                  0u);
        EXPECT_TRUE(t.vertices() == before.vertices() && t.triangles() == before.triangles());
    }
    t.insertEdges({CDT::Edge(0, 1), CDT::Edge(1, 2), CDT::Edge(2, 0)});
    t.eraseOuterTrianglesAndHoles();
    EXPECT_THROW(t.insertVertices({{0.2, 0.2}}), CDT::Error);
    EXPECT_THROW(t.insertEdges({CDT::Edge(0, 1)}), CDT::Error);
    Tri empty; // erasing an empty triangulation leaves it empty
    empty.eraseOuterTrianglesAndHoles();
    EXPECT_TRUE(empty.vertices().empty() && empty.triangles().empty());
}

} // namespace
