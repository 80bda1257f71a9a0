#include "cae_core/fea2d/Simulation.h"
#include "platform/db/DbSubDMesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

namespace
{

using namespace cae_core;
using namespace cae_core::fea2d;

/// The 2 x 1 rectangle with 4 x 2 cells, each cut into two counter-clockwise triangles; vertex (i, j) has
/// index 5 j + i and lies at (i / 2, j / 2). Its boundary loop runs counter-clockwise.
std::uint64_t vertex(int i, int j)
{
    return std::uint64_t(j * 5 + i);
}

OdGePoint2d point(int i, int j)
{
    return OdGePoint2d(0.5 * i, 0.5 * j);
}

/// The plate's mesh; `extraVertices` vertices that no triangle uses come after the plate's.
OdSmartPtr<OdDbSubDMesh> plateMesh(int extraVertices = 0)
{
    OdGePoint3dArray vertices;
    for (int j = 0; j <= 2; ++j)
        for (int i = 0; i <= 4; ++i)
            vertices.push_back(OdGePoint3d(point(i, j).x, point(i, j).y, 0.0));
    for (int e = 0; e < extraVertices; ++e)
        vertices.push_back(OdGePoint3d(10.0 + e, 10.0, 0.0));
    OdInt32Array faces;
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 4; ++i)
        {
            const int a = int(vertex(i, j)), b = a + 1, c = a + 6, d = a + 5;
            for (const int v : {3, a, b, c, 3, a, c, d})
                faces.push_back(v);
        }
    OdSmartPtr<OdDbSubDMesh> mesh = OdDbSubDMesh::createObject();
    EXPECT_EQ(mesh->setSubDMesh(vertices, faces, 0), ::eOk);
    return mesh;
}

Params2d plateParams(const std::vector<LoadOrSupport>& loadsAndSupports, EElementType type = eTriangle3)
{
    Params2d params;
    params.mesh = plateMesh();
    params.elementType = type;
    params.mode = ePlanarStress;
    params.materialProperties = {0.5, 200.0, 0.3, 1.0};
    params.loadsAndSupports = loadsAndSupports;
    return params;
}

PointLoad pointLoad(const OdGePoint2d& at, const OdGeVector2d& direction, double magnitude)
{
    return {{}, direction, magnitude, at};
}

/// A fixed point support, or with `rolling` a rolling one blocking `rolling`'s direction.
PointSupport pointSupport(const OdGePoint2d& at, std::optional<OdGeVector2d> rolling = std::nullopt)
{
    return {{}, rolling.value_or(OdGeVector2d()), at, rolling.has_value()};
}

LinearSupport linearSupport(const OdGePoint2d& from, const OdGePoint2d& to, bool rolling = false,
                            bool flipped = true)
{
    return {{}, from, to, rolling, flipped};
}

LinearLoad linearLoad(const OdGePoint2d& from, const OdGePoint2d& to, double magnitude, double angle,
                      bool relative, bool flipped = true)
{
    return {{}, magnitude, relative, angle, from, to, flipped};
}

/// The left side, fixed: enough to solve.
const LinearSupport kClampLeft = linearSupport(point(0, 2), point(0, 0));

TEST(RunSimulation, PointLoadsAddUpAtTheNearestVertexEvenInside)
{
    const SimulationOutput output =
        runSimulation(plateParams({pointLoad(OdGePoint2d(2.0, 1.0), OdGeVector2d(0, -1), 3.0),
                                   pointLoad(OdGePoint2d(2.01, 0.99), OdGeVector2d(1, 0), 2.0),
                                   pointLoad(OdGePoint2d(0.9, 0.55), OdGeVector2d(0, 1), 1.0), kClampLeft}),
                      Solver2d::eInHouse);
    ASSERT_EQ(output.result, cae_core::eOk);
    const auto& forces = output.solverInput.vertexForces;
    ASSERT_EQ(forces.size(), 2u);
    EXPECT_EQ(forces.at(vertex(4, 2)).x, 2.0);
    EXPECT_EQ(forces.at(vertex(4, 2)).y, -3.0);
    // (0.9, 0.55) is nearer to the interior vertex (1, 0.5) than to any boundary vertex.
    EXPECT_EQ(forces.at(vertex(2, 1)).y, 1.0);
}

TEST(RunSimulation, PointSupportsAtOneVertexFixItOnceAFixedOneOrTwoRollingDirectionsMeetThere)
{
    const OdGePoint2d corner = point(4, 0);
    const PointSupport fixed = pointSupport(corner), up = pointSupport(corner, OdGeVector2d(0, 1)),
                       down = pointSupport(corner, OdGeVector2d(0, -3)),
                       slanted = pointSupport(corner, OdGeVector2d(1, 1));
    const struct
    {
        const char* name;
        std::vector<LoadOrSupport> supports;
        bool fixes;
    } cases[] = {
        {"fixed, then rolling", {fixed, up}, true},
        {"rolling, then fixed", {up, fixed}, true},
        {"rolling both ways along one line", {up, down}, false},
        {"rolling along two lines", {up, down, slanted}, true},
        {"rolling along two lines, one twice", {up, slanted, up}, true},
        {"fixed twice", {fixed, fixed}, true},
    };
    for (const auto& [name, supports, fixes] : cases)
    {
        SCOPED_TRACE(name);
        const Solver2dInput input = runSimulation(plateParams(supports), Solver2d::eInHouse).solverInput;
        EXPECT_EQ(input.fixedVertices, std::vector<std::uint64_t>(fixes ? 1 : 0, vertex(4, 0)));
        EXPECT_EQ(input.rollingVertices.size(), fixes ? 0u : 1u);
        EXPECT_TRUE(fixes || input.rollingVertices.at(vertex(4, 0)).y == 1.0) << "the first direction stays";
    }
}

TEST(RunSimulation, LinearLoadsAndSupportsFollowTheirChainAndDirectionRules)
{
    // Along the bottom, walked from (0, 0) to (2, 0) in the loop's direction: the edge direction (1, 0)
    // turned by +90 degrees points up.
    Params2d params = plateParams({linearLoad(point(0, 0), point(4, 0), 2.0, std::numbers::pi / 2.0, true),
                                   linearSupport(point(0, 0), point(4, 0), true)});
    SimulationOutput output = runSimulation(params, Solver2d::eInHouse);
    using Edge = Solver2dInput::Edge;
    const std::vector<Edge> bottom = {{0, 1}, {1, 2}, {2, 3}, {3, 4}};
    ASSERT_EQ(output.solverInput.edgeLoads.size(), 4u);
    for (const auto& [edge, q] : output.solverInput.edgeLoads)
    {
        EXPECT_NE(std::find(bottom.begin(), bottom.end(), edge), bottom.end());
        EXPECT_NEAR(q.x, 0.0, 1e-15);
        EXPECT_NEAR(q.y, 2.0, 1e-15);
    }
    EXPECT_EQ(output.solverInput.rollingEdges, bottom);
    EXPECT_TRUE(output.solverInput.fixedEdges.empty());

    // Not flipped, a chain runs from the end back to the start the long way round: the right, top and left
    // sides, eight edges. An absolute angle gives (-cos, -sin) on every edge, whatever its direction; two
    // loads on the same directed edges add up.
    const LinearLoad absolute = linearLoad(point(0, 0), point(4, 0), 2.0, 0.0, false, false);
    params.loadsAndSupports = {absolute, absolute, linearSupport(point(0, 0), point(4, 0), false, false)};
    output = runSimulation(params, Solver2d::eInHouse);
    EXPECT_EQ(output.solverInput.edgeLoads.size(), 8u);
    for (const auto& [edge, q] : output.solverInput.edgeLoads)
    {
        EXPECT_EQ(q.x, -4.0);
        EXPECT_NEAR(q.y, 0.0, 1e-15);
    }
    ASSERT_EQ(output.solverInput.fixedEdges.size(), 8u);
    EXPECT_EQ(output.solverInput.fixedEdges.front(), Edge(vertex(4, 0), vertex(4, 1)));

    // From a point to itself: the whole loop as the mesh query returns it, without its closing edge.
    params.loadsAndSupports = {linearSupport(point(2, 0), point(2, 0))};
    output = runSimulation(params, Solver2d::eInHouse);
    const std::vector<std::uint64_t>& loop = output.solverInput.mesh.boundaries.at(0);
    const auto& edges = output.solverInput.fixedEdges;
    ASSERT_EQ(edges.size(), loop.size() - 1);
    for (std::size_t k = 0; k + 1 < loop.size(); ++k)
        EXPECT_EQ(edges[k], Edge(loop[k], loop[k + 1]));
}

TEST(RunSimulation, ALinearLoadTurnsItsEdgeOrTheNegativeXAxisByItsAngle)
{
    // On the right side, walked upwards (edge direction (0, 1)), with magnitude 2.
    const double pi = std::numbers::pi;
    struct Case
    {
        const char* name;
        double angle;
        bool relative;
        OdGeVector2d expected;
    };
    const Case cases[] = {
        {"relative, a sixth of a turn", pi / 3, true,
         2.0 * OdGeVector2d(-std::sin(pi / 3), std::cos(pi / 3))},
        {"relative, backwards", pi, true, OdGeVector2d(0.0, -2.0)},
        {"absolute, a sixth of a turn", pi / 3, false,
         -2.0 * OdGeVector2d(std::cos(pi / 3), std::sin(pi / 3))},
        {"absolute, clockwise", -pi / 4, false, -2.0 * OdGeVector2d(std::cos(pi / 4), -std::sin(pi / 4))},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const Params2d params =
            plateParams({linearLoad(point(4, 0), point(4, 2), 2.0, c.angle, c.relative), kClampLeft});
        const SimulationOutput output = runSimulation(params, Solver2d::eInHouse);
        ASSERT_EQ(output.solverInput.edgeLoads.size(), 2u);
        for (const auto& [edge, q] : output.solverInput.edgeLoads)
        {
            EXPECT_NEAR(q.x, c.expected.x, 1e-15);
            EXPECT_NEAR(q.y, c.expected.y, 1e-15);
        }
    }
}

TEST(RunSimulation, ReactionsAreKeyedBySupportIndexAndBalanceTheLoads)
{
    for (const EElementType type : {eTriangle3, eTriangle6})
    {
        // Applied: (0, -3) at the tip and (-1.5, 0) per length over the right side of length 1.
        SimulationOutput output =
            runSimulation(plateParams({pointLoad(point(4, 2), OdGeVector2d(0, -1), 3.0),
                                       linearLoad(point(4, 0), point(4, 2), 1.5, 0.0, false), kClampLeft},
                                      type),
                          Solver2d::eInHouse);
        ASSERT_EQ(output.result, cae_core::eOk);
        ASSERT_EQ(output.reactionForces.size(), 1u);
        ASSERT_EQ(output.reactionForces.begin()->first, 2u);
        EXPECT_NEAR(output.reactionForces.at(2).x, 1.5, 1e-9);
        EXPECT_NEAR(output.reactionForces.at(2).y, 3.0, 1e-9);
        EXPECT_GE(output.solverOutput.time, 0.0);
        EXPECT_NE(output.solverOutput.pointEvaluator, nullptr);
    }
}

TEST(RunSimulation, AVertexSharedByTwoSupportsCountsInTheReactionOfEach)
{
    // The left side fixed, the bottom rolling: they share the corner (0, 0), whose reaction both sums hold.
    const SimulationOutput output =
        runSimulation(plateParams({kClampLeft, linearSupport(point(0, 0), point(4, 0), true),
                                   pointLoad(point(4, 2), OdGeVector2d(1, -1), 2.0)}),
                      Solver2d::eInHouse);
    ASSERT_EQ(output.result, cae_core::eOk);
    const auto& corner = output.solverOutput.vertexData[vertex(0, 0)];
    const OdGeVector2d cornerReaction = corner.internalForce - corner.externalForce;
    ASSERT_GT(cornerReaction.length(), 1e-6);
    const OdGeVector2d total = output.reactionForces.at(0) + output.reactionForces.at(1);
    EXPECT_NEAR(total.x - cornerReaction.x, -2.0, 1e-9);
    EXPECT_NEAR(total.y - cornerReaction.y, 2.0, 1e-9);
}

TEST(RunSimulation, WithoutASolverOrASolutionTheRunFailsWithNoResults)
{
    const std::vector<LoadOrSupport> items = {pointLoad(point(4, 2), OdGeVector2d(0, -1), 3.0), kClampLeft,
                                              pointSupport(point(4, 0))};
    const Params2d params = plateParams(items);
    for (const auto impl :
         {static_cast<Solver2d::EImpl>(7), static_cast<Solver2d::EImpl>(-1), Solver2d::eNastran})
    {
        const SimulationOutput output = runSimulation(params, impl);
        EXPECT_EQ(output.result, cae_core::eFailed);
        EXPECT_EQ(output.params.mesh.get(), params.mesh.get());
        EXPECT_EQ(output.params.loadsAndSupports.size(), 3u);
        EXPECT_TRUE(output.solverInput.mesh.vertices.empty() && output.solverInput.vertexForces.empty() &&
                    output.solverInput.fixedEdges.empty());
        EXPECT_TRUE(output.solverOutput.vertexData.empty());
        EXPECT_EQ(output.solverOutput.pointEvaluator, nullptr);
        EXPECT_TRUE(output.reactionForces.empty());
    }

    // A vertex without a triangle has no stiffness: the solver reports an exact zero pivot.
    Params2d unused = params;
    unused.mesh = plateMesh(1);
    const SimulationOutput failed = runSimulation(unused, Solver2d::eInHouse);
    EXPECT_EQ(failed.result, cae_core::eFailed);
    EXPECT_TRUE(failed.solverOutput.vertexData.empty());
    EXPECT_TRUE(failed.reactionForces.empty());
}

TEST(RunSimulation, WithoutAMeshNothingReachesTheSolverWhichSolvesTheEmptyProblem)
{
    const Params2d params = plateParams(
        {pointLoad(point(4, 2), OdGeVector2d(0, -1), 3.0), kClampLeft, pointSupport(point(4, 0))});
    // A missing mesh or one without vertices.
    for (const OdSmartPtr<OdDbSubDMesh>& mesh : {OdSmartPtr<OdDbSubDMesh>(), OdDbSubDMesh::createObject()})
    {
        Params2d noMesh = params;
        noMesh.mesh = mesh;
        const SimulationOutput output = runSimulation(noMesh, Solver2d::eInHouse);
        EXPECT_EQ(output.result, cae_core::eOk);
        EXPECT_TRUE(output.solverInput.mesh.vertices.empty() && output.solverInput.vertexForces.empty() &&
                    output.solverInput.fixedVertices.empty() && output.solverInput.fixedEdges.empty());
        EXPECT_TRUE(output.reactionForces.empty());
    }
}

TEST(RunSimulation, UnknownElementTypesAndModesFallBackToTheFirstOfTheirEnumerations)
{
    Params2d params = plateParams({pointLoad(point(4, 2), OdGeVector2d(0, -1), 3.0), kClampLeft});
    params.elementType = static_cast<EElementType>(5);
    params.mode = static_cast<EMode>(9);
    params.materialProperties = {0.25, 70.0, 0.33, 1.0};
    SimulationOutput output = runSimulation(params, Solver2d::eInHouse);
    EXPECT_EQ(output.solverInput.elementType, eTriangle6);
    EXPECT_EQ(output.solverInput.mode, ePlanarStress);
    EXPECT_EQ(output.solverInput.thickness, 0.25);
    EXPECT_EQ(output.solverInput.youngsModulus, 70.0);
    EXPECT_EQ(output.solverInput.poissonRatio, 0.33);
}

} // namespace
