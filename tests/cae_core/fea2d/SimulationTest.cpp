#include "cae_core/fea2d/Simulation.h"
#include "platform/db/DbSubDMesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace
{

using namespace cae_core;
using namespace cae_core::fea2d;

/// The rectangle [0, lx] x [0, ly] with nx by ny cells, each cut into two counter-clockwise triangles;
/// vertex (i, j) has index j (nx + 1) + i.
struct Plate
{
    int nx = 0;
    int ny = 0;
    double lx = 0.0;
    double ly = 0.0;
    std::uint64_t vertex(int i, int j) const { return std::uint64_t(j * (nx + 1) + i); }
    OdGePoint2d point(int i, int j) const { return OdGePoint2d(lx * i / nx, ly * j / ny); }
};

OdSmartPtr<OdDbSubDMesh> plateMesh(const Plate& plate, int extraVertices = 0)
{
    OdGePoint3dArray vertices;
    for (int j = 0; j <= plate.ny; ++j)
        for (int i = 0; i <= plate.nx; ++i)
            vertices.push_back(OdGePoint3d(plate.point(i, j).x, plate.point(i, j).y, 0.0));
    for (int e = 0; e < extraVertices; ++e)
        vertices.push_back(OdGePoint3d(10.0 + e, 10.0, 0.0));
    OdInt32Array faces;
    for (int j = 0; j < plate.ny; ++j)
        for (int i = 0; i < plate.nx; ++i)
        {
            const int a = int(plate.vertex(i, j)), b = int(plate.vertex(i + 1, j)),
                      c = int(plate.vertex(i + 1, j + 1)), d = int(plate.vertex(i, j + 1));
            for (const int v : {3, a, b, c, 3, a, c, d})
                faces.push_back(v);
        }
    OdSmartPtr<OdDbSubDMesh> mesh = OdDbSubDMesh::createObject();
    EXPECT_EQ(mesh->setSubDMesh(vertices, faces, 0), ::eOk);
    return mesh;
}

Params2d plateParams(const Plate& plate, EElementType type = eTriangle3)
{
    Params2d params;
    params.mesh = plateMesh(plate);
    params.elementType = type;
    params.mode = ePlanarStress;
    params.materialProperties = {0.5, 200.0, 0.3, 1.0};
    return params;
}

PointLoad pointLoad(const OdGePoint2d& at, const OdGeVector2d& direction, double magnitude)
{
    PointLoad load;
    load.location = at;
    load.direction = direction;
    load.magnitude = magnitude;
    return load;
}

PointSupport pointSupport(const OdGePoint2d& at, bool rolling, const OdGeVector2d& direction = {})
{
    PointSupport support;
    support.location = at;
    support.rolling = rolling;
    support.direction = direction;
    return support;
}

LinearSupport linearSupport(const OdGePoint2d& start, const OdGePoint2d& end, bool rolling,
                            bool flipped = true)
{
    LinearSupport support;
    support.startLocation = start;
    support.endLocation = end;
    support.rolling = rolling;
    support.flipped = flipped;
    return support;
}

LinearLoad linearLoad(const OdGePoint2d& start, const OdGePoint2d& end, double magnitude, double angle,
                      bool relative, bool flipped = true)
{
    LinearLoad load;
    load.startLocation = start;
    load.endLocation = end;
    load.magnitude = magnitude;
    load.angle = angle;
    load.angleRelativeToBoundary = relative;
    load.flipped = flipped;
    return load;
}

const Plate kPlate{4, 2, 2.0, 1.0};

TEST(RunSimulation, PointLoadsAtOneVertexAddUpAndActAtTheNearestVertexEvenInside)
{
    Params2d params = plateParams(kPlate);
    params.loadsAndSupports = {pointLoad(OdGePoint2d(2.0, 1.0), OdGeVector2d(0, -1), 3.0),
                               pointLoad(OdGePoint2d(2.01, 0.99), OdGeVector2d(1, 0), 2.0),
                               pointLoad(OdGePoint2d(0.9, 0.55), OdGeVector2d(0, 1), 1.0),
                               linearSupport(kPlate.point(0, 2), kPlate.point(0, 0), false)};
    const SimulationOutput output = runSimulation(params, Solver2d::eInHouse);
    ASSERT_EQ(output.result, cae_core::eOk);
    const auto& forces = output.solverInput.vertexForces;
    ASSERT_EQ(forces.size(), 2u);
    EXPECT_DOUBLE_EQ(forces.at(kPlate.vertex(4, 2)).x, 2.0);
    EXPECT_DOUBLE_EQ(forces.at(kPlate.vertex(4, 2)).y, -3.0);
    // (0.9, 0.55) is nearer to the interior vertex (1, 0.5) than to any boundary vertex.
    EXPECT_DOUBLE_EQ(forces.at(kPlate.vertex(2, 1)).y, 1.0);
}

TEST(RunSimulation, AFixedAndARollingPointSupportAtOneVertexFixItInEitherOrder)
{
    const OdGePoint2d corner = kPlate.point(4, 0);
    for (const bool fixedFirst : {true, false})
    {
        Params2d params = plateParams(kPlate);
        const PointSupport fixed = pointSupport(corner, false);
        const PointSupport rolling = pointSupport(corner, true, OdGeVector2d(0, 1));
        params.loadsAndSupports = {linearSupport(kPlate.point(0, 2), kPlate.point(0, 0), false)};
        params.loadsAndSupports.push_back(fixedFirst ? LoadOrSupport(fixed) : LoadOrSupport(rolling));
        params.loadsAndSupports.push_back(fixedFirst ? LoadOrSupport(rolling) : LoadOrSupport(fixed));
        const SimulationOutput output = runSimulation(params, Solver2d::eInHouse);
        EXPECT_EQ(output.solverInput.fixedVertices, std::vector<std::uint64_t>{kPlate.vertex(4, 0)});
        EXPECT_TRUE(output.solverInput.rollingVertices.empty());
    }
}

TEST(RunSimulation, RollingPointSupportsAtOneVertexMergeByDirection)
{
    const OdGePoint2d corner = kPlate.point(4, 0);
    Params2d params = plateParams(kPlate);
    params.loadsAndSupports = {pointSupport(corner, true, OdGeVector2d(0, 1)),
                               pointSupport(corner, true, OdGeVector2d(0, -3))};
    SimulationOutput output = runSimulation(params, Solver2d::eInHouse);
    ASSERT_EQ(output.solverInput.rollingVertices.size(), 1u);
    EXPECT_EQ(output.solverInput.rollingVertices.begin()->second.y, 1.0) << "the first direction stays";
    EXPECT_TRUE(output.solverInput.fixedVertices.empty());

    params.loadsAndSupports.push_back(pointSupport(corner, true, OdGeVector2d(1, 1)));
    output = runSimulation(params, Solver2d::eInHouse);
    EXPECT_TRUE(output.solverInput.rollingVertices.empty());
    EXPECT_EQ(output.solverInput.fixedVertices, std::vector<std::uint64_t>{kPlate.vertex(4, 0)});
}

TEST(RunSimulation, ALinearSupportFromAPointToItselfHoldsTheWholeLoopButNotItsClosingEdge)
{
    Params2d params = plateParams(kPlate);
    params.loadsAndSupports = {linearSupport(kPlate.point(2, 0), kPlate.point(2, 0), false)};
    const SimulationOutput output = runSimulation(params, Solver2d::eInHouse);
    const std::vector<std::uint64_t>& loop = output.solverInput.mesh.boundaries.at(0);
    const auto& edges = output.solverInput.fixedEdges;
    ASSERT_EQ(edges.size(), loop.size() - 1);
    for (std::size_t k = 0; k + 1 < loop.size(); ++k)
        EXPECT_EQ(edges[k], std::make_pair(loop[k], loop[k + 1]));
    EXPECT_EQ(std::count(edges.begin(), edges.end(), std::make_pair(loop.back(), loop.front())), 0);
}

TEST(RunSimulation, LinearLoadsFollowTheirChainAndDirectionRule)
{
    const double angle = std::numbers::pi / 2.0;
    // Along the bottom, walked from (0, 0) to (2, 0): turned by +90 degrees the load points up.
    Params2d params = plateParams(kPlate);
    params.loadsAndSupports = {linearLoad(kPlate.point(0, 0), kPlate.point(4, 0), 2.0, angle, true)};
    SimulationOutput output = runSimulation(params, Solver2d::eInHouse);
    ASSERT_EQ(output.solverInput.edgeLoads.size(), 4u);
    for (const auto& [edge, q] : output.solverInput.edgeLoads)
    {
        EXPECT_EQ(output.solverInput.mesh.vertices[edge.first].y, 0.0);
        EXPECT_NEAR(q.x, 0.0, 1e-15);
        EXPECT_NEAR(q.y, 2.0, 1e-15);
    }
    // Not flipped, the chain runs from the end back to the start the long way round: right, top and left
    // sides, eight edges.
    params.loadsAndSupports = {linearLoad(kPlate.point(0, 0), kPlate.point(4, 0), 2.0, 0.0, false, false)};
    output = runSimulation(params, Solver2d::eInHouse);
    EXPECT_EQ(output.solverInput.edgeLoads.size(), 8u);
    // An absolute angle gives (-cos, -sin) on every edge, whatever its direction.
    for (const auto& [edge, q] : output.solverInput.edgeLoads)
    {
        EXPECT_DOUBLE_EQ(q.x, -2.0);
        EXPECT_NEAR(q.y, 0.0, 1e-15);
    }
    // Two loads on the same directed edges add up.
    params.loadsAndSupports.push_back(params.loadsAndSupports.front());
    output = runSimulation(params, Solver2d::eInHouse);
    EXPECT_DOUBLE_EQ(output.solverInput.edgeLoads.begin()->second.x, -4.0);
}

TEST(RunSimulation, ReactionsAreKeyedByTheSupportsIndexAndBalanceTheLoads)
{
    for (const EElementType type : {eTriangle3, eTriangle6})
    {
        Params2d params = plateParams(kPlate, type);
        params.loadsAndSupports = {pointLoad(kPlate.point(4, 2), OdGeVector2d(0, -1), 3.0),
                                   linearLoad(kPlate.point(4, 0), kPlate.point(4, 2), 1.5, 0.0, false),
                                   linearSupport(kPlate.point(0, 2), kPlate.point(0, 0), false)};
        const SimulationOutput output = runSimulation(params, Solver2d::eInHouse);
        ASSERT_EQ(output.result, cae_core::eOk);
        ASSERT_EQ(output.reactionForces.size(), 1u);
        ASSERT_EQ(output.reactionForces.begin()->first, 2u);
        // Applied: (0, -3) at the tip and (-1.5, 0) per length over the right side of length 1.
        const OdGeVector2d r = output.reactionForces.at(2);
        EXPECT_NEAR(r.x, 1.5, 1e-9);
        EXPECT_NEAR(r.y, 3.0, 1e-9);
        EXPECT_GE(output.solverOutput.time, 0.0);
        EXPECT_NE(output.solverOutput.pointEvaluator, nullptr);
    }
}

TEST(RunSimulation, SupportsSharingAVertexBothCountItsReaction)
{
    Params2d params = plateParams(kPlate);
    // The left side and the bottom, fixed; they share the corner (0, 0).
    params.loadsAndSupports = {linearSupport(kPlate.point(0, 2), kPlate.point(0, 0), false),
                               linearSupport(kPlate.point(0, 0), kPlate.point(4, 0), false),
                               pointLoad(kPlate.point(4, 2), OdGeVector2d(1, -1), 2.0)};
    const SimulationOutput output = runSimulation(params, Solver2d::eInHouse);
    ASSERT_EQ(output.result, cae_core::eOk);
    const auto& data = output.solverOutput.vertexData;
    const OdGeVector2d corner = data[0].internalForce - data[0].externalForce;
    ASSERT_GT(corner.length(), 1e-6);
    const OdGeVector2d total = output.reactionForces.at(0) + output.reactionForces.at(1);
    // Both sums hold the corner, so together they exceed the applied load by exactly that reaction.
    EXPECT_NEAR(total.x - corner.x, -2.0, 1e-9);
    EXPECT_NEAR(total.y - corner.y, 2.0, 1e-9);
}

TEST(RunSimulation, WithoutASolverTheResultIsFailedWithACopyOfTheParametersAndNothingElse)
{
    Params2d params = plateParams(kPlate);
    params.loadsAndSupports = {pointLoad(kPlate.point(4, 2), OdGeVector2d(0, -1), 3.0),
                               linearSupport(kPlate.point(0, 2), kPlate.point(0, 0), false)};
    for (const auto impl :
         {static_cast<Solver2d::EImpl>(7), static_cast<Solver2d::EImpl>(-1), Solver2d::eNastran})
    {
        const SimulationOutput output = runSimulation(params, impl);
        EXPECT_EQ(output.result, cae_core::eFailed);
        EXPECT_EQ(output.params.mesh.get(), params.mesh.get());
        EXPECT_EQ(output.params.loadsAndSupports.size(), 2u);
        EXPECT_TRUE(output.solverInput.mesh.vertices.empty());
        EXPECT_TRUE(output.solverInput.vertexForces.empty());
        EXPECT_TRUE(output.solverInput.fixedEdges.empty());
        EXPECT_TRUE(output.solverOutput.vertexData.empty());
        EXPECT_EQ(output.solverOutput.pointEvaluator, nullptr);
        EXPECT_TRUE(output.reactionForces.empty());
    }
}

TEST(RunSimulation, AFailedSolveLeavesTheReactionsEmpty)
{
    Params2d params = plateParams(kPlate);
    // A vertex without a triangle has no stiffness: the solver reports an exact zero pivot.
    params.mesh = plateMesh(kPlate, 1);
    params.loadsAndSupports = {linearSupport(kPlate.point(0, 2), kPlate.point(0, 0), false),
                               pointSupport(kPlate.point(4, 0), false)};
    const SimulationOutput output = runSimulation(params, Solver2d::eInHouse);
    EXPECT_EQ(output.result, cae_core::eFailed);
    EXPECT_TRUE(output.solverOutput.vertexData.empty());
    EXPECT_TRUE(output.reactionForces.empty());
}

TEST(RunSimulation, UnknownElementTypesAndModesFallBackToZeroAndAMissingMeshGivesAnEmptyInput)
{
    Params2d params = plateParams(kPlate);
    params.elementType = static_cast<EElementType>(5);
    params.mode = static_cast<EMode>(9);
    params.materialProperties = {0.25, 70.0, 0.33, 1.0};
    SimulationOutput output = runSimulation(params, Solver2d::eInHouse);
    EXPECT_EQ(output.solverInput.elementType, eTriangle6);
    EXPECT_EQ(output.solverInput.mode, ePlanarStress);
    EXPECT_EQ(output.solverInput.thickness, 0.25);
    EXPECT_EQ(output.solverInput.youngsModulus, 70.0);
    EXPECT_EQ(output.solverInput.poissonRatio, 0.33);

    params.elementType = eTriangle3;
    params.mode = ePlanarStrain;
    params.mesh = OdSmartPtr<OdDbSubDMesh>();
    params.loadsAndSupports = {pointLoad(kPlate.point(4, 2), OdGeVector2d(0, -1), 3.0),
                               pointSupport(kPlate.point(0, 0), false)};
    output = runSimulation(params, Solver2d::eInHouse);
    EXPECT_EQ(output.solverInput.elementType, eTriangle3);
    EXPECT_EQ(output.solverInput.mode, ePlanarStrain);
    EXPECT_TRUE(output.solverInput.mesh.vertices.empty());
    EXPECT_TRUE(output.solverInput.vertexForces.empty());
    EXPECT_TRUE(output.solverInput.fixedVertices.empty());
    EXPECT_TRUE(output.reactionForces.empty());
}

} // namespace
