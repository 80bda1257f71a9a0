#include "apps/analysis/ResultFigures.h"
#include "apps/output/ResultGrid.h"

#include "tests/apps/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace cae_app;
using cae_core::Solver2dInput;
using cae_core::Solver2dOutput;

namespace
{
/// Two triangles over the unit square, split along (0,0)-(1,1), with made-up results that make
/// every figure distinguishable.
struct Square
{
    Solver2dInput input;
    Solver2dOutput output;

    Square()
    {
        input.mesh.vertices = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        input.mesh.triangles = {{0, 1, 2}, {0, 2, 3}};
        input.mesh.boundaries = {{0, 1, 2, 3}};
        input.fixedEdges = {{3, 0}};
        input.rollingVertices[1] = OdGeVector2d(0, 1);
        input.vertexForces[2] = OdGeVector2d(0, -5);
        input.edgeLoads[{1, 2}] = OdGeVector2d(3, 0); // 3 per length on an edge of length 1
        for (std::uint64_t v = 0; v < 4; ++v)
        {
            Solver2dOutput::VertexData d;
            d.index = v;
            d.position = input.mesh.vertices[v];
            d.displacement = OdGeVector2d(0.1 * v, -0.2 * v);
            output.vertexData.push_back(d);
        }
        // Reactions (internal - external) at the supported vertices 0, 1 and 3 cancel the loads (3, -5).
        output.vertexData[0].internalForce = OdGeVector2d(-1, 2);
        output.vertexData[1].internalForce = OdGeVector2d(0, 3);
        output.vertexData[1].externalForce = OdGeVector2d(1.5, 0);
        output.vertexData[1].internalForce += output.vertexData[1].externalForce;
        output.vertexData[3].internalForce = OdGeVector2d(-2, 0);
        for (std::uint64_t e = 0; e < 2; ++e)
        {
            Solver2dOutput::ElementData d;
            d.index = e;
            d.vertices = input.mesh.triangles[e];
            for (int k = 0; k < 3; ++k)
            {
                d.corners[k].position = input.mesh.vertices[d.vertices[k]];
                d.corners[k].stress.vonMises = 10.0 * (e + 1) + k;
            }
            d.center.stress = {1.0 + e, 2.0 + e, 3.0 + e, 4.0 + e};
            output.elementData.push_back(d);
        }
    }
};
} // namespace

TEST(ResultFigures, FindTheExtremesAndTheLoadBalance)
{
    const Square s;
    const ResultFigures f = resultFigures(s.input, s.output);
    EXPECT_EQ(f.maxVonMises, 22.0); // second element, third corner: vertex 3
    EXPECT_TRUE(f.maxVonMisesAt.isEqualTo({0, 1}));
    EXPECT_NEAR(f.maxDisplacement, std::hypot(0.3, 0.6), 1e-15);
    EXPECT_TRUE(f.maxDisplacementAt.isEqualTo({0, 1}));
    EXPECT_TRUE(f.appliedLoad.isEqualTo(OdGeVector2d(3, -5)));
    EXPECT_TRUE(f.reactionSum.isEqualTo(OdGeVector2d(-3, 5)));
    EXPECT_EQ(supportedVertices(s.input), (std::vector<std::uint64_t>{0, 1, 3}));
    EXPECT_DOUBLE_EQ(f.loadScale, 5.0 + 3.0); // the point load's length plus the edge load's
    EXPECT_TRUE(f.finite);
}

TEST(ResultFigures, OnlyReactionsShorterThanABillionthOfTheLoadBecomeZero)
{
    std::map<std::uint64_t, OdGeVector2d> reactions{
        {0, {3e-10, 4e-10}}, {1, {0, 9e-7}}, {2, {-1000, 1e-12}}, {3, {0, 0}}};
    zeroNegligibleReactions(reactions, 1000.0); // the floor: 1e-6
    EXPECT_EQ(reactions.size(), 4u);
    for (const std::uint64_t i : {0, 1, 3})
        EXPECT_TRUE(reactions[i].x == 0.0 && reactions[i].y == 0.0) << i;
    EXPECT_EQ(reactions[2].y, 1e-12) << "a real reaction keeps its every component";
    reactions = {{0, {2e-6, 0}}};
    zeroNegligibleReactions(reactions, 1000.0);
    EXPECT_EQ(reactions[0].x, 2e-6);
}

TEST(ResultFigures, ANumberThatIsNotFiniteAnywhereMakesTheSolutionNotFinite)
{
    for (int where = 0; where < 3; ++where)
    {
        Square s;
        const double nan = std::numeric_limits<double>::quiet_NaN();
        if (where == 0)
            s.output.vertexData[2].displacement.x = HUGE_VAL;
        else if (where == 1)
            s.output.elementData[1].center.stress.vonMises = nan;
        else
            s.output.vertexData[2].externalForce.y = nan;
        EXPECT_FALSE(resultFigures(s.input, s.output).finite) << where;
    }
}

TEST(ResultGrid, HoldsEveryElementNodeWithItsStressesAndKeepsReactionsAtSupportsOnly)
{
    Square s;
    s.output.vertexData[2].internalForce = OdGeVector2d(1e-13, 0); // round-off at a free vertex
    for (auto& e : s.output.elementData)
        for (auto& c : e.corners)
            c.stress = {3.0, 1.0, 1.0, 0.0};
    const VtuGrid g = resultGrid(s.input, s.output, nodalField(s.input, s.output), {"mm", "N", "MPa"});
    // Six-node elements: the four corners, then the mid-side nodes of the five edges.
    ASSERT_EQ(g.points.size(), 9u);
    EXPECT_EQ(g.nodesPerCell, 6);
    EXPECT_EQ(g.connectivity, (std::vector<std::uint64_t>{0, 1, 2, 4, 5, 6, 0, 2, 3, 6, 7, 8}));
    EXPECT_EQ(g.points[5], (std::array<double, 3>{1.0, 0.5, 0.0}));
    std::vector<std::string> names;
    for (const auto& a : g.pointData)
        names.push_back(a.name);
    EXPECT_EQ(names, (std::vector<std::string>{"vonMises", "sxx", "syy", "sxy", "s1", "s2", "s1Angle",
                                               "displacement", "reaction"}));
    // A uniform stress state stays uniform at every node, mid-side nodes included.
    EXPECT_EQ(g.pointData[1].values, std::vector<double>(9, 3.0));
    EXPECT_DOUBLE_EQ(g.pointData[4].values[7], 2.0 + std::sqrt(2.0));
    EXPECT_DOUBLE_EQ(g.pointData[6].values[7], 22.5);
    EXPECT_DOUBLE_EQ(g.pointData[0].values[7], std::sqrt(9.0 + 1.0 - 3.0 + 3.0));
    const VtuArray& u = g.pointData[7];
    EXPECT_EQ(u.values[9], 0.30000000000000004);
    EXPECT_EQ(u.values[11], 0.0);
    const VtuArray& r = g.pointData[8];
    EXPECT_EQ(r.values[0], -1.0);
    EXPECT_EQ(r.values[6], 0.0);     // vertex 2 is free: no reaction shown
    EXPECT_EQ(r.values[3 * 8], 0.0); // mid-side node of the fixed edge: its share is the corners'
    ASSERT_EQ(g.cellData.size(), 4u);
    EXPECT_EQ(g.cellData[0].values, (std::vector<double>{4.0, 5.0}));
    EXPECT_EQ(g.cellData[3].name, "sxy");
    EXPECT_EQ(g.cellData[3].values, (std::vector<double>{3.0, 4.0}));
    ASSERT_EQ(g.fieldData.size(), 1u);
    EXPECT_EQ(g.fieldData[0].values.size(), g.pointData.size());
    EXPECT_EQ(g.fieldData[0].values[7], "displacement: mm");
    EXPECT_NO_THROW(formatVtu(g));
}
