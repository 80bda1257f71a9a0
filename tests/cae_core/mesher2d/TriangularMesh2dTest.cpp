#include "cae_core/mesher2d/TriangularMesh2d.h"

#include "platform/db/DbSubDMesh.h"
#include "tests/support/Seed.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <unordered_map>

namespace cae_core
{
namespace
{
using Index = std::uint64_t;
using Loop = std::vector<Index>;
using Triangles = std::vector<std::array<Index, 3>>;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

/// Reads the face list over the points, which are given a z that the reader must drop.
TriangularMesh2d readMesh(const std::vector<OdGePoint2d>& points, const std::vector<int>& faceList)
{
    OdGePoint3dArray vertices;
    for (const auto& p : points)
        vertices.append(OdGePoint3d(p.x, p.y, 5.0));
    OdInt32Array faces;
    for (int f : faceList)
        faces.append(f);
    OdDbSubDMeshPtr mesh = OdDbSubDMesh::createObject();
    EXPECT_EQ(mesh->setSubDMesh(vertices, faces, 0), ::eOk);
    return getTriangularMesh2d(*mesh);
}

/// The unit square as two triangles:
///   3 --- 2
///   |   / |
///   | /   |
///   0 --- 1
const std::vector<OdGePoint2d> kSquare{{0, 0}, {1, 0}, {1, 1}, {0, 1}};
const std::vector<int> kSquareFaces{3, 0, 1, 2, 3, 0, 2, 3};

/// A 3 x 3 square with a 1 x 1 square hole in the middle, as a ring of eight triangles.
///   3 ----------- 2
///   |   7 --- 6   |
///   |   | hole|   |
///   |   4 --- 5   |
///   0 ----------- 1
const std::vector<OdGePoint2d> kFrame{{0, 0}, {3, 0}, {3, 3}, {0, 3}, {1, 1}, {2, 1}, {2, 2}, {1, 2}};
const std::vector<int> kFrameFaces{3, 0, 1, 5, 3, 0, 5, 4, 3, 1, 2, 6, 3, 1, 6, 5,
                                   3, 2, 3, 7, 3, 2, 7, 6, 3, 3, 0, 4, 3, 3, 4, 7};

TEST(TriangularMeshReading, DropsZAndTurnsEveryTriangleThatIsNotStrictlyCounterClockwise)
{
    const TriangularMesh2d square = readMesh(kSquare, kSquareFaces);
    ASSERT_EQ(square.vertices.size(), 4u);
    EXPECT_TRUE(square.vertices[2].x == 1.0 && square.vertices[2].y == 1.0);
    EXPECT_EQ(square.triangles, (Triangles{{0, 1, 2}, {0, 2, 3}}));
    // A clockwise triangle is stored counter-clockwise; a zero-area one, or one of undefined area, has its
    // last two indices swapped.
    EXPECT_EQ(readMesh(kSquare, {3, 0, 2, 1, 3, 0, 2, 3}).triangles, (Triangles{{0, 1, 2}, {0, 2, 3}}));
    EXPECT_EQ(readMesh({{0, 0}, {1, 0}, {2, 0}}, {3, 0, 1, 2}).triangles, (Triangles{{0, 2, 1}}));
    EXPECT_EQ(readMesh({{0, 0}, {kNaN, 0}, {0, 1}}, {3, 0, 1, 2}).triangles, (Triangles{{0, 2, 1}}));
}

TEST(TriangularMeshReading, AnyFaceThatIsNotATriangleGivesTheEmptyMeshAndNoFacesGiveVerticesOnly)
{
    for (const std::vector<int>& faces :
         {std::vector<int>{3, 0, 1, 2, 4, 0, 1, 2, 3}, {4, 0, 1, 2, 3, 3, 0, 1, 2}})
    {
        const TriangularMesh2d m = readMesh(kSquare, faces);
        EXPECT_TRUE(m.vertices.empty() && m.boundaries.empty() && m.triangles.empty());
    }
    const TriangularMesh2d m = readMesh(kSquare, {});
    EXPECT_EQ(m.vertices.size(), 4u);
    EXPECT_TRUE(m.triangles.empty() && m.boundaries.empty());
}

TEST(TriangularMeshBoundaries, AnOuterLoopRunsCounterClockwiseAndAHoleClockwise)
{
    EXPECT_EQ(readMesh(kSquare, kSquareFaces).boundaries, std::vector<Loop>{(Loop{2, 3, 0, 1})});
    // The last boundary edge in key order, (6, 7), belongs to the hole, so its loop is traced first.
    EXPECT_EQ(readMesh(kFrame, kFrameFaces).boundaries, (std::vector<Loop>{{7, 6, 5, 4}, {2, 3, 0, 1}}));
}

TEST(TriangularMeshBoundaries, NonManifoldMeshesStopAtTheVertexCountOrRaiseTheMapKeyError)
{
    // Two triangles touching at vertex 0 (a bow tie): the boundary passes vertex 0 twice, but
    // the walk ends after five indices, the vertex count.
    const std::vector<OdGePoint2d> bowTie{{0, 0}, {1, -1}, {1, 1}, {-1, 1}, {-1, -1}};
    EXPECT_EQ(readMesh(bowTie, {3, 0, 1, 2, 3, 0, 3, 4}).boundaries,
              std::vector<Loop>{(Loop{3, 4, 0, 1, 2})});

    // Both triangles lie on the same side of their shared edge 0-1, so the boundary edges end at
    // vertex 0 but none starts there.
    try
    {
        readMesh({{0, 0}, {1, 0}, {0, 1}, {1, 1}}, {3, 0, 1, 2, 3, 0, 1, 3});
        ADD_FAILURE() << "an open boundary must raise";
    }
    catch (const std::out_of_range& e)
    {
        EXPECT_STREQ(e.what(), "invalid unordered_map<K, T> key");
    }
}

// The boundary tracer removes edges from its work list by flagging them. This literal version
// erases them from a vector; both must give the same loops (order and starting vertices).
std::vector<Loop> referenceBoundaries(const Triangles& triangles, std::size_t vertexCount)
{
    using Edge = std::pair<Index, Index>; // start, end
    std::map<Edge, std::pair<Edge, int>> uses;
    for (const auto& t : triangles)
        for (int k = 0; k < 3; ++k)
        {
            const Edge e{t[k], t[(k + 1) % 3]};
            ++uses.try_emplace(std::minmax(e.first, e.second), e, 0).first->second.second;
        }
    std::vector<Edge> work;
    std::unordered_map<Index, Edge> byStart;
    for (const auto& [key, use] : uses)
        if (use.second < 2)
        {
            work.push_back(use.first);
            byStart.emplace(use.first.first, use.first);
        }
    std::vector<Loop> loops;
    std::size_t emitted = 0;
    while (!work.empty() && emitted < vertexCount)
    {
        Edge current = work.back();
        Loop loop;
        do
        {
            loop.push_back(current.first);
            ++emitted;
            work.erase(std::remove(work.begin(), work.end(), current), work.end());
            current = byStart.at(current.second);
        } while (current.first != loop.front() && emitted < vertexCount);
        loops.push_back(loop);
    }
    return loops;
}

TEST(TriangularMeshBoundaries, LoopsMatchTheWorkListEraseVersionOnRandomGrids)
{
    std::mt19937 rng(static_cast<unsigned>(test_support::testSeed()));
    std::bernoulli_distribution hole(0.35), coin(0.5);
    for (int round = 0; round < 300; ++round)
    {
        SCOPED_TRACE("round " + std::to_string(round));
        // An n x n grid of unit cells; each cell is left out or split into two triangles along a random
        // diagonal, each given in a random winding.
        const int n = 1 + round % 7;
        std::vector<OdGePoint2d> points;
        for (int j = 0; j <= n; ++j)
            for (int i = 0; i <= n; ++i)
                points.emplace_back(i, j);
        std::vector<int> faces;
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i)
            {
                if (hole(rng))
                    continue;
                // Corners a, b, c, d counter-clockwise from the lower left.
                const int a = j * (n + 1) + i, b = a + 1, d = a + n + 1, c = d + 1;
                const bool splitAtA = coin(rng);
                for (std::array<int, 3> t : {splitAtA ? std::array{a, b, c} : std::array{a, b, d},
                                             splitAtA ? std::array{a, c, d} : std::array{b, c, d}})
                {
                    if (coin(rng))
                        std::swap(t[1], t[2]);
                    faces.insert(faces.end(), {3, t[0], t[1], t[2]});
                }
            }
        // Grids are oriented consistently, so every boundary closes and nothing throws; the reference
        // starts from the stored triangles.
        const TriangularMesh2d actual = readMesh(points, faces);
        ASSERT_EQ(actual.boundaries, referenceBoundaries(actual.triangles, points.size()));
    }
}

TEST(ClosestVertex, TheNearestVertexWinsUnlessAnEarlierOneIsWithinTheSquaredTolerance)
{
    EXPECT_EQ(getClosestVertex(TriangularMesh2d{}, OdGePoint2d(3, 4)), 0u);

    TriangularMesh2d m;
    m.vertices = {{0, 0}, {4, 0}, {2, 2}, {2, -2}};
    EXPECT_EQ(getClosestVertex(m, OdGePoint2d(3.5, 0.1)), 1u);
    EXPECT_EQ(getClosestVertex(m, OdGePoint2d(2, -1.5)), 3u);
    // (2, 0) is at distance 2 from all four: the first one is taken.
    EXPECT_EQ(getClosestVertex(m, OdGePoint2d(2, 0)), 0u);

    m.vertices = {{0, 0}, {5e-6, 0}};
    // Squared distance 1.6e-11 to vertex 0: taken although vertex 1 is nearer.
    EXPECT_EQ(getClosestVertex(m, OdGePoint2d(4e-6, 0)), 0u);
    // Squared distance 1.21e-10 to vertex 0 is beyond the tolerance: the nearer vertex wins.
    m.vertices = {{0, 0}, {1.2e-5, 0}};
    EXPECT_EQ(getClosestVertex(m, OdGePoint2d(1.1e-5, 0)), 1u);

    // A vertex or a point that is not a number is never nearest; with nothing nearer, 0.
    m.vertices = {{kNaN, 0}, {1, 0}};
    EXPECT_EQ(getClosestVertex(m, OdGePoint2d(0, 0)), 1u);
    EXPECT_EQ(getClosestVertex(m, OdGePoint2d(kNaN, 0)), 0u);
}

TEST(BoundaryChain, TheWalkFollowsTheStoredDirectionOfTheFirstLoopHoldingFrom)
{
    const TriangularMesh2d m = readMesh(kFrame, kFrameFaces);
    const struct
    {
        OdGePoint2d from, to;
        Loop expected;
    } cases[] = {
        // From and to at one place (within the tolerance): the whole loop from its first stored vertex.
        {{0, 0}, {0, 0}, {2, 3, 0, 1}},
        {{2, 1}, {2, 1 + 0.5e-10}, {7, 6, 5, 4}},
        // Both ends included, wrapping round the end of the stored loop.
        {{0, 0}, {3, 3}, {0, 1, 2}},
        {{3, 3}, {0, 0}, {2, 3, 0}},
        {{0, 3}, {3, 0}, {3, 0, 1}},
        {{3, 0}, {0, 3}, {1, 2, 3}},
        // Neighbours against the stored direction take the long way round; the hole runs clockwise.
        {{3, 0}, {0, 0}, {1, 2, 3, 0}},
        {{1, 2}, {2, 1}, {7, 6, 5}},
        // Points match vertices within the global tolerance only.
        {{0, 0.9e-10}, {3 - 0.9e-10, 0}, {0, 1}},
        {{0, 2e-10}, {3, 0}, {}},
        {{0, 0}, {3, 2e-10}, {}},
        // Different loops, or a point that is on no boundary vertex: nothing.
        {{0, 0}, {1, 1}, {}},
        {{1, 1}, {0, 0}, {}},
        {{1.5, 0}, {3, 0}, {}},
        {{1.5, 0}, {1.5, 0}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(getVerticesOnBoundaryBetween(m, c.from, c.to), c.expected)
            << "(" << c.from.x << ", " << c.from.y << ") -> (" << c.to.x << ", " << c.to.y << ")";
    EXPECT_TRUE(
        getVerticesOnBoundaryBetween(TriangularMesh2d{}, OdGePoint2d(0, 0), OdGePoint2d(0, 0)).empty());
}
} // namespace
} // namespace cae_core
