#include "cae_core/solver2d/VelmorSolver2d.h"
#include "cae_core/solver2d/detail/Solver2dPointEvaluatorImpl.h"
#include "cae_core/solver2d/detail/VelmorModel.h"
#include "tests/cae_core/solver2d/SolverTestSupport.h"

#include <Eigen/Dense>
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <stdexcept>
#include <string>

namespace
{

using namespace cae_core;
using namespace cae_core::test;
using namespace cae_core::solver2d::detail;

/// Relative round-off of a solve on the small, well-conditioned systems of these tests.
constexpr double kSolveTolerance = 1e-10;

const fea2d::EElementType kBothTypes[] = {fea2d::eTriangle3, fea2d::eTriangle6};

std::string typeName(fea2d::EElementType type)
{
    return type == fea2d::eTriangle3 ? "three-node" : "six-node";
}

/// Calls check with the model the solver builds for the input's element type.
template <class Check> void withModel(const Solver2dInput& input, Check&& check)
{
    if (input.elementType == fea2d::eTriangle3)
        check(buildModel3(input));
    else
        check(buildModel6(input));
}

/// Fixed edges along x = 0 and a load per length q on the edges of x = lx, walked upwards.
void clampLeftLoadRight(const RectangleMesh& rm, Solver2dInput& input, const OdGeVector2d& q)
{
    for (int j = 0; j < rm.ny; ++j)
    {
        input.fixedEdges.push_back({rm.vertex(0, j + 1), rm.vertex(0, j)});
        input.edgeLoads[{rm.vertex(rm.nx, j), rm.vertex(rm.nx, j + 1)}] = q;
    }
}

OdGeVector2d reaction(const Solver2dOutput::VertexData& v)
{
    return v.internalForce - v.externalForce;
}

/// A 3 x 2 rectangle sheared so that its left edge leans: rolling supports there block a slanted direction.
RectangleMesh shearedMesh()
{
    RectangleMesh rm = rectangleMesh(3.0, 2.0, 3, 2);
    for (OdGePoint2d& p : rm.mesh.vertices)
        p.x += 0.5 * p.y;
    return rm;
}

TEST(SolverEquilibrium, AppliedLoadsAndSupportReactionsBalance)
{
    for (const auto type : kBothTypes)
    {
        SCOPED_TRACE(typeName(type));
        const RectangleMesh rm = rectangleMesh(1.0, 1.0, 4, 4);
        Solver2dInput input = plateInput(rm.mesh, type, 70.0, 0.3, 0.2);
        const OdGeVector2d q(2.0, -1.0);
        clampLeftLoadRight(rm, input, q);
        input.vertexForces[rm.vertex(2, 4)] = OdGeVector2d(0.0, -0.5);

        Solver2dOutput output;
        ASSERT_EQ(runInHouse(input, output), cae_core::eOk);
        ASSERT_EQ(output.vertexData.size(), rm.mesh.vertices.size());
        const OdGeVector2d applied = q * 1.0 + OdGeVector2d(0.0, -0.5);
        OdGeVector2d external, supportReaction;
        for (const auto& v : output.vertexData)
        {
            external += v.externalForce;
            if (rm.mesh.vertices[v.index].x == 0.0)
                supportReaction += reaction(v);
            else
                EXPECT_LE(reaction(v).length(), kSolveTolerance * applied.length()) << "vertex " << v.index;
        }
        EXPECT_NEAR(external.x, applied.x, 1e-14);
        EXPECT_NEAR(external.y, applied.y, 1e-14);
        EXPECT_NEAR(supportReaction.x, -applied.x, kSolveTolerance);
        EXPECT_NEAR(supportReaction.y, -applied.y, kSolveTolerance);
    }
}

TEST(SolverEquilibrium, SixNodeEdgeLoadPutsAQuarterOnEachEndAndHalfOnTheMidSideNode)
{
    TriangularMesh2d mesh;
    mesh.vertices = {{0, 0}, {2, 0}, {2, 2}, {0, 2}};
    mesh.triangles = {{0, 1, 2}, {0, 2, 3}};
    Solver2dInput input = plateInput(mesh, fea2d::eTriangle6);
    input.fixedEdges = {{3, 0}};
    input.edgeLoads[{1, 2}] = OdGeVector2d(1.5, 0.0); // total P = 3 over the edge of length 2

    const Model<6> model = buildModel6(input);
    EXPECT_EQ(model.nodes[1].force.x, 0.75);
    EXPECT_EQ(model.nodes[2].force.x, 0.75);
    EXPECT_EQ(model.nodes[5].force.x, 1.5); // mid-side node of 1-2

    Solver2dOutput output;
    ASSERT_EQ(runInHouse(input, output), cae_core::eOk);
    // The vertex list hands half of the mid-side node's load to each corner.
    EXPECT_EQ(output.vertexData[1].externalForce.x, 1.5);
    EXPECT_EQ(output.vertexData[2].externalForce.x, 1.5);
    EXPECT_NEAR((reaction(output.vertexData[0]) + reaction(output.vertexData[3])).x, -3.0, kSolveTolerance);
}

/// A 2 x 1 plate under uniaxial tension q per length on x = 2, held by rolling edges along x = 0 and y = 0.
Solver2dInput uniaxialTension(const RectangleMesh& rm, fea2d::EElementType type, fea2d::EMode mode, double q)
{
    Solver2dInput input = plateInput(rm.mesh, type, 200.0, 0.3, 0.5, mode);
    for (int j = 0; j < rm.ny; ++j)
    {
        input.rollingEdges.push_back({rm.vertex(0, j + 1), rm.vertex(0, j)});
        input.edgeLoads[{rm.vertex(rm.nx, j), rm.vertex(rm.nx, j + 1)}] = OdGeVector2d(q, 0.0);
    }
    for (int i = 0; i < rm.nx; ++i)
        input.rollingEdges.push_back({rm.vertex(i, 0), rm.vertex(i + 1, 0)});
    return input;
}

TEST(SolverSupports, RollingEdgesBlockOnlyTheirNormalAndUniaxialTensionIsUniformWithLinearTriangles)
{
    const RectangleMesh rm = rectangleMesh(2.0, 1.0, 4, 3);
    const double q = 3.0, t = 0.5, e = 200.0, nu = 0.3, s = q / t;
    for (const auto type : kBothTypes)
        for (const auto mode : {fea2d::ePlanarStress, fea2d::ePlanarStrain})
        {
            SCOPED_TRACE(testing::Message() << typeName(type) << ", mode " << mode);
            Solver2dOutput output;
            ASSERT_EQ(runInHouse(uniaxialTension(rm, type, mode, q), output), cae_core::eOk);
            // Blocked normal to y = 0 and x = 0, free along them; fixed where the two edges meet.
            for (int i = 1; i <= rm.nx; ++i)
            {
                EXPECT_EQ(output.vertexData[rm.vertex(i, 0)].displacement.y, 0.0) << "bottom " << i;
                EXPECT_GT(output.vertexData[rm.vertex(i, 0)].displacement.x, 0.0) << "bottom " << i;
            }
            for (int j = 1; j <= rm.ny; ++j)
            {
                EXPECT_EQ(output.vertexData[rm.vertex(0, j)].displacement.x, 0.0) << "left " << j;
                EXPECT_LT(output.vertexData[rm.vertex(0, j)].displacement.y, 0.0) << "left " << j;
            }
            EXPECT_EQ(output.vertexData[rm.vertex(0, 0)].displacement.length(), 0.0);
            // Linear triangles carry the edge load as the exact nodal forces of a uniform traction (the
            // six-node split 1/4, 1/2, 1/4 is not), so the state is exactly the uniform one.
            if (type == fea2d::eTriangle6)
                continue;
            // Plane stress: szz = 0; plane strain: ezz = 0, so szz = nu s enters the strains and von Mises.
            const double exx = mode == fea2d::ePlanarStress ? s / e : s * (1.0 - nu * nu) / e;
            const double eyy = mode == fea2d::ePlanarStress ? -nu * s / e : -nu * (1.0 + nu) * s / e;
            const double vm = mode == fea2d::ePlanarStress ? s : s * std::sqrt(1.0 - nu + nu * nu);
            for (const auto& el : output.elementData)
                for (const auto& sample : {el.center, el.corners[0], el.corners[1], el.corners[2]})
                {
                    EXPECT_NEAR(sample.stress.sxx, s, 1e-12 * s);
                    EXPECT_NEAR(sample.stress.syy, 0.0, 1e-12 * s);
                    EXPECT_NEAR(sample.stress.sxy, 0.0, 1e-12 * s);
                    EXPECT_NEAR(sample.stress.vonMises, vm, 1e-12 * s);
                }
            for (const auto& v : output.vertexData)
            {
                EXPECT_NEAR(v.displacement.x, exx * v.position.x, 1e-12 * exx);
                EXPECT_NEAR(v.displacement.y, eyy * v.position.y, 1e-12 * exx);
            }
        }
}

TEST(SolverSupports, RollingPointSupportBlocksItsDirectionAndAZeroDirectionBlocksNothing)
{
    const RectangleMesh rm = rectangleMesh(2.0, 1.0, 4, 2);
    const std::uint64_t tip = rm.vertex(rm.nx, rm.ny);
    for (const auto type : kBothTypes)
    {
        SCOPED_TRACE(typeName(type));
        Solver2dInput input = plateInput(rm.mesh, type);
        clampLeftLoadRight(rm, input, OdGeVector2d(0.3, -1.0));
        Solver2dOutput free, zeroDirection, rolling;
        ASSERT_EQ(runInHouse(input, free), cae_core::eOk);
        input.rollingVertices[tip] = OdGeVector2d(0.0, 0.0);
        ASSERT_EQ(runInHouse(input, zeroDirection), cae_core::eOk);
        for (std::size_t v = 0; v < free.vertexData.size(); ++v)
        {
            EXPECT_EQ(zeroDirection.vertexData[v].displacement.x, free.vertexData[v].displacement.x);
            EXPECT_EQ(zeroDirection.vertexData[v].displacement.y, free.vertexData[v].displacement.y);
        }

        const OdGeVector2d blocked(2.0, 2.0);
        input.rollingVertices[tip] = blocked;
        ASSERT_EQ(runInHouse(input, rolling), cae_core::eOk);
        const OdGeVector2d u = rolling.vertexData[tip].displacement;
        EXPECT_LE(std::abs(u.dotProduct(blocked.normal())), 1e-14 * u.length());
        EXPECT_GT(u.length(), 0.1 * free.vertexData[tip].displacement.length());
        // The reaction there acts along the blocked direction only.
        const OdGeVector2d r = reaction(rolling.vertexData[tip]);
        EXPECT_LE(std::abs(r.crossProduct(blocked.normal())), kSolveTolerance * r.length());
    }
}

TEST(SolverSupports, RollingRuleKeepsParallelDirectionsAndFixesCrossingOnes)
{
    Node node;
    applyRollingRule(node, OdGeVector2d(0.0, 2.0));
    EXPECT_TRUE(node.hasBlockedDirection && !node.fixed);
    applyRollingRule(node, OdGeVector2d(0.0, -5.0)); // parallel, opposite sense: the first one stays
    EXPECT_TRUE(node.hasBlockedDirection && !node.fixed);
    EXPECT_EQ(node.blockedDirection.y, 2.0);
    applyRollingRule(node, OdGeVector2d(1.0, 1.0));
    EXPECT_TRUE(node.fixed && !node.hasBlockedDirection);
    applyRollingRule(node, OdGeVector2d(1.0, 0.0)); // a fixed node stays fixed
    EXPECT_TRUE(node.fixed && !node.hasBlockedDirection);
}

TEST(SolverFailure, AZeroPivotReturnsFailedAndLeavesTheOutputUntouched)
{
    const RectangleMesh rm = rectangleMesh(1.0, 1.0, 2, 2);
    for (const auto type : kBothTypes)
    {
        SCOPED_TRACE(typeName(type));
        Solver2dInput input = plateInput(rm.mesh, type);
        clampLeftLoadRight(rm, input, OdGeVector2d(1.0, 0.0));
        Solver2dOutput output;
        ASSERT_EQ(runInHouse(input, output), cae_core::eOk);
        const Solver2dPointEvaluator* evaluator = output.pointEvaluator.get();
        const OdGeVector2d before = output.vertexData[rm.vertex(2, 2)].displacement;

        // A vertex that no triangle uses has no stiffness at all: an exact zero pivot.
        input.mesh.vertices.emplace_back(5.0, 5.0);
        output.time = -1.0;
        EXPECT_EQ(runInHouse(input, output), cae_core::eFailed);
        EXPECT_EQ(output.pointEvaluator.get(), evaluator);
        EXPECT_EQ(output.vertexData.size(), rm.mesh.vertices.size());
        EXPECT_EQ(output.vertexData[rm.vertex(2, 2)].displacement.x, before.x);
        EXPECT_GE(output.time, 0.0) << "the time is stored also on failure";

        // Held fixed, the same vertex gets a unit diagonal and solves.
        input.fixedVertices.push_back(input.mesh.vertices.size() - 1);
        ASSERT_EQ(runInHouse(input, output), cae_core::eOk);
        EXPECT_EQ(output.vertexData.back().displacement.length(), 0.0);
        EXPECT_NEAR(output.vertexData[rm.vertex(2, 2)].displacement.x, before.x, kSolveTolerance * before.x);
    }
}

TEST(SolverFailure, IndicesOutsideTheMeshThrowOutOfRange)
{
    const auto expectThrow = [](const Solver2dInput& input, const char* message)
    {
        Solver2dOutput output;
        try
        {
            runInHouse(input, output);
            ADD_FAILURE() << "no exception, expected " << message;
        }
        catch (const std::out_of_range& e)
        {
            EXPECT_STREQ(e.what(), message);
        }
    };
    const RectangleMesh rm = rectangleMesh(1.0, 1.0, 1, 1); // triangles (0,1,3), (0,3,2)
    for (const auto type : kBothTypes)
    {
        SCOPED_TRACE(typeName(type));
        // Bounds are those of the model's nodes: the four corners, then (six-node) the five mid-side nodes.
        const std::uint64_t beyond = type == fea2d::eTriangle3 ? 4 : 9;
        std::vector<Solver2dInput> spoilt(5, plateInput(rm.mesh, type));
        spoilt[0].fixedVertices = {beyond};
        spoilt[1].rollingVertices[beyond] = OdGeVector2d(1, 0);
        spoilt[2].vertexForces[beyond] = OdGeVector2d(1, 0);
        spoilt[3].edgeLoads[{0, beyond}] = OdGeVector2d(1, 0);
        spoilt[4].mesh.triangles.push_back({0, 1, 4});
        for (const Solver2dInput& input : spoilt)
            expectThrow(input, "invalid vector subscript");
    }
    // Only the six-node model looks edges up; 1-2 is not an edge of the two triangles.
    std::vector<Solver2dInput> noEdge(3, plateInput(rm.mesh, fea2d::eTriangle6));
    noEdge[0].fixedEdges = {{1, 2}};
    noEdge[1].rollingEdges = {{2, 1}};
    noEdge[2].edgeLoads[{2, 1}] = OdGeVector2d(1, 0);
    for (const Solver2dInput& input : noEdge)
        expectThrow(input, "invalid map<K, T> key");
}

TEST(SolverFailure, BadMaterialValuesElementTypesAndEmptyMeshesGiveACodeOrNonFiniteValuesNeverACrash)
{
    const RectangleMesh rm = rectangleMesh(1.0, 1.0, 2, 2);
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case
    {
        const char* what;
        double youngsModulus, poissonRatio, thickness;
        int mode;
        EResult result;
        bool finite;
    };
    // Zero stiffness has exact zero pivots. NaN, and the singular ratios the formulas are used at without a
    // guard, make every pivot NaN, which is not exactly zero: the solve succeeds with non-finite values.
    const Case cases[] = {
        {"zero modulus", 0.0, 0.3, 1.0, 0, cae_core::eFailed, true},
        {"zero thickness", 70.0, 0.3, 0.0, 1, cae_core::eFailed, true},
        {"unknown mode", 70.0, 0.3, 1.0, 7, cae_core::eFailed, true},
        {"negative modulus", -70.0, 0.3, 1.0, 0, cae_core::eOk, true},
        {"NaN modulus", nan, 0.3, 1.0, 0, cae_core::eOk, false},
        {"NaN thickness", 70.0, 0.3, nan, 1, cae_core::eOk, false},
        {"nu 1 in plane stress", 70.0, 1.0, 1.0, 0, cae_core::eOk, false},
        {"nu 0.5 in plane strain", 70.0, 0.5, 1.0, 1, cae_core::eOk, false},
    };
    for (const auto type : kBothTypes)
        for (const Case& c : cases)
        {
            SCOPED_TRACE(testing::Message() << typeName(type) << ", " << c.what);
            Solver2dInput input = plateInput(rm.mesh, type, c.youngsModulus, c.poissonRatio, c.thickness,
                                             static_cast<fea2d::EMode>(c.mode));
            clampLeftLoadRight(rm, input, OdGeVector2d(1.0, 0.5));
            Solver2dOutput output;
            ASSERT_EQ(runInHouse(input, output), c.result);
            if (c.result != cae_core::eOk)
            {
                EXPECT_TRUE(output.vertexData.empty());
                continue;
            }
            const OdGeVector2d tip = output.vertexData[rm.vertex(2, 2)].displacement;
            EXPECT_EQ(std::isfinite(tip.x), c.finite);
            // Non-finite displacements place the displayed corners nowhere, even at scale 0 (0 times NaN).
            const auto atCentre = output.pointEvaluator->evaluate(OdGePoint2d(0.5, 0.5), 0.0);
            EXPECT_EQ(atCentre.has_value(), c.finite);
            if (atCentre)
            {
                EXPECT_TRUE(std::isfinite(atCentre->vonMises));
            }
        }

    Solver2dInput input = plateInput(rm.mesh, fea2d::eTriangle6);
    // An unknown element type fails before anything is touched; an empty mesh solves to nothing.
    Solver2dOutput output;
    output.vertexData.resize(7);
    input.elementType = static_cast<fea2d::EElementType>(2);
    EXPECT_EQ(runInHouse(input, output), cae_core::eFailed);
    EXPECT_EQ(output.vertexData.size(), 7u);
    EXPECT_EQ(output.pointEvaluator, nullptr);
    for (const auto type : kBothTypes)
    {
        ASSERT_EQ(runInHouse(plateInput(TriangularMesh2d(), type), output), cae_core::eOk);
        EXPECT_TRUE(output.vertexData.empty() && output.elementData.empty());
        EXPECT_FALSE(output.pointEvaluator->evaluate(OdGePoint2d(), 0.0).has_value());
    }
}

TEST(SixNodeModel, NumbersMidSideNodesInTriangleAndEdgeOrderAndSharesThem)
{
    TriangularMesh2d mesh;
    mesh.vertices = {{0, 0}, {2, 0}, {2, 2}, {0, 2}};
    mesh.triangles = {{0, 1, 2}, {0, 2, 3}};
    Solver2dInput input = plateInput(mesh, fea2d::eTriangle6);
    input.fixedEdges = {{3, 0}};
    input.rollingEdges = {{1, 2}};
    const Model<6> model = buildModel6(input);
    ASSERT_EQ(model.cornerCount, 4u);
    ASSERT_EQ(model.nodes.size(), 9u);
    EXPECT_EQ(model.elements[0], (std::array<std::uint64_t, 6>{0, 1, 2, 4, 5, 6}));
    EXPECT_EQ(model.elements[1], (std::array<std::uint64_t, 6>{0, 2, 3, 6, 7, 8}));
    using E = std::pair<std::uint64_t, std::uint64_t>;
    EXPECT_EQ(model.midNodeEdges, (std::vector<E>{{0, 1}, {1, 2}, {0, 2}, {2, 3}, {0, 3}}));
    EXPECT_SAME_XY(model.nodes[6].position, OdGePoint2d(1.0, 1.0));
    // The fixed edge 3-0 holds both ends and its mid-side node; the rolling edge 1-2 its three nodes, along
    // the edge vector (0, 2) turned by +90 degrees.
    for (const std::uint64_t n : {0, 3, 8})
        EXPECT_TRUE(model.nodes[n].fixed) << n;
    for (const std::uint64_t n : {1, 2, 5})
    {
        EXPECT_TRUE(model.nodes[n].hasBlockedDirection) << n;
        EXPECT_SAME_XY(model.nodes[n].blockedDirection, OdGeVector2d(-2.0, 0.0));
    }
    EXPECT_FALSE(model.nodes[4].fixed || model.nodes[4].hasBlockedDirection);
}

/// K u for the linear field u = (0.1 + 0.02 x - 0.03 y, -0.2 + 0.01 x + 0.04 y) vanishes at every node off
/// the boundary of the 3 x 2 rectangle.
template <std::size_t N> void expectPatchTestPassed(const Model<N>& model)
{
    const SparseMatrix k = assembleStiffness(model);
    Eigen::VectorXd u(k.rows());
    for (std::size_t n = 0; n < model.nodes.size(); ++n)
    {
        const OdGePoint2d p = model.nodes[n].position;
        u.segment<2>(Eigen::Index(2 * n)) << 0.1 + 0.02 * p.x - 0.03 * p.y, -0.2 + 0.01 * p.x + 0.04 * p.y;
    }
    const Eigen::VectorXd r = k * u;
    int interior = 0;
    for (std::size_t n = 0; n < model.nodes.size(); ++n)
    {
        const OdGePoint2d p = model.nodes[n].position;
        if (p.x == 0.0 || p.x == 3.0 || p.y == 0.0 || p.y == 2.0)
            continue;
        ++interior;
        EXPECT_NEAR(r(Eigen::Index(2 * n)), 0.0, 1e-13) << n;
        EXPECT_NEAR(r(Eigen::Index(2 * n + 1)), 0.0, 1e-13) << n;
    }
    EXPECT_GE(interior, 2);
}

TEST(AssembledPatchTest, ALinearFieldLeavesEveryInteriorNodeInEquilibrium)
{
    // Distorted interior vertices: the patch test must not rely on a regular mesh.
    RectangleMesh rm = rectangleMesh(3.0, 2.0, 3, 2);
    rm.mesh.vertices[rm.vertex(1, 1)] = OdGePoint2d(1.3, 0.8);
    rm.mesh.vertices[rm.vertex(2, 1)] = OdGePoint2d(1.9, 1.15);
    for (const auto type : kBothTypes)
        withModel(plateInput(rm.mesh, type, 10.0, 0.25),
                  [](const auto& model) { expectPatchTestPassed(model); });
}

/// The assembled K against Eigen's setFromTriplets of the same triplets: same layout, same bits.
template <std::size_t N> void expectSetFromTripletsBitForBit(const Model<N>& model)
{
    const SparseMatrix k = assembleStiffness(model);
    EXPECT_EQ((k - SparseMatrix(k.transpose())).cwiseAbs().sum(), 0.0) << "exactly symmetric";
    std::vector<Triplet> triplets = elementTriplets(model);
    // Reserved up front for exactly 36 or 144 triplets per element.
    EXPECT_EQ(triplets.capacity(), model.elements.size() * (N == 3 ? 36u : 144u));
    EXPECT_EQ(triplets.size(), triplets.capacity());
    // Sums of negative zeros stay negative zeros in a plain summation; so must the matrix.
    for (Triplet& t : triplets)
        if (t.row() % 4 == 0)
            t = Triplet(t.row(), t.col(), -0.0);
    const int size = int(2 * model.nodes.size());
    SparseMatrix expected(size, size);
    expected.setFromTriplets(triplets.begin(), triplets.end());
    const SparseMatrix built = compressTriplets(nodeAdjacency(model), triplets);
    ASSERT_EQ(built.nonZeros(), expected.nonZeros());
    ASSERT_TRUE(built.isCompressed());
    for (int j = 0; j <= size; ++j)
        EXPECT_EQ(built.outerIndexPtr()[j], expected.outerIndexPtr()[j]);
    for (Eigen::Index p = 0; p < built.nonZeros(); ++p)
    {
        EXPECT_EQ(built.innerIndexPtr()[p], expected.innerIndexPtr()[p]);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(built.valuePtr()[p]),
                  std::bit_cast<std::uint64_t>(expected.valuePtr()[p]))
            << "entry " << p << ": " << built.valuePtr()[p] << " against " << expected.valuePtr()[p];
    }
}

TEST(Assembly, TheStiffnessIsEigensSetFromTripletsBitForBitAndExactlySymmetric)
{
    RectangleMesh rm = rectangleMesh(3.0, 2.0, 3, 2);
    rm.mesh.vertices[rm.vertex(1, 1)] = OdGePoint2d(1.3, 0.8);
    // A vertex without element: its columns stay empty.
    rm.mesh.vertices.emplace_back(9.0, 9.0);
    for (const auto type : kBothTypes)
        withModel(plateInput(rm.mesh, type, 10.0, 0.25),
                  [](const auto& model) { expectSetFromTripletsBitForBit(model); });
}

/// The constrained solution by an independent route: a dense basis Z of the admissible displacements in
/// global x, y (no rotated degrees of freedom), u = Z (Z^T K Z)^-1 Z^T F.
template <std::size_t N> Eigen::VectorXd denseReferenceSolution(const Model<N>& model)
{
    const Eigen::MatrixXd k = Eigen::MatrixXd(assembleStiffness(model));
    Eigen::MatrixXd z = Eigen::MatrixXd::Zero(k.rows(), k.rows());
    Eigen::Index columns = 0;
    for (std::size_t n = 0; n < model.nodes.size(); ++n)
    {
        const Node& node = model.nodes[n];
        const Eigen::Index x = Eigen::Index(2 * n), y = x + 1;
        if (node.fixed)
            continue;
        if (node.hasBlockedDirection && node.blockedDirection.length() > 0.0)
        {
            const OdGeVector2d tangent = node.blockedDirection.perpVector().normal();
            z(x, columns) = tangent.x;
            z(y, columns++) = tangent.y;
            continue;
        }
        z(x, columns++) = 1.0;
        z(y, columns++) = 1.0;
    }
    z.conservativeResize(Eigen::NoChange, columns);
    const Eigen::VectorXd f = assembleForces(model.nodes);
    return z * (z.transpose() * k * z).fullPivLu().solve(z.transpose() * f);
}

/// Mixed supports and loads on a 2 x 1 plate, lengths scaled by `length` and stresses by `modulus`.
Solver2dInput scaledModel(fea2d::EElementType type, double length, double modulus)
{
    RectangleMesh rm = rectangleMesh(2.0 * length, 1.0 * length, 4, 2);
    Solver2dInput input = plateInput(rm.mesh, type, 70.0 * modulus, 0.3, 0.1 * length);
    for (int j = 0; j < rm.ny; ++j)
        input.fixedEdges.push_back({rm.vertex(0, j + 1), rm.vertex(0, j)});
    for (int i = 0; i < rm.nx; ++i)
        input.rollingEdges.push_back({rm.vertex(i, 0), rm.vertex(i + 1, 0)});
    input.rollingVertices[rm.vertex(4, 2)] = OdGeVector2d(1.0, 1.0);
    // Point forces scale with length^2 and loads per length with length, so that stresses scale with the
    // modulus alone.
    input.vertexForces[rm.vertex(2, 2)] = OdGeVector2d(0.2, -0.7) * (length * length * modulus);
    input.edgeLoads[{rm.vertex(4, 0), rm.vertex(4, 1)}] = OdGeVector2d(1.0, 0.4) * (length * modulus);
    return input;
}

TEST(SolverScaling, ResultsAreUnchangedWhenTheModelIsScaledBy1e8Or1eMinus8)
{
    for (const auto type : kBothTypes)
    {
        SCOPED_TRACE(typeName(type));
        Solver2dOutput base;
        ASSERT_EQ(runInHouse(scaledModel(type, 1.0, 1.0), base), cae_core::eOk);
        double maxU = 0.0, maxS = 0.0;
        for (const auto& v : base.vertexData)
            maxU = std::max(maxU, v.displacement.length());
        for (const auto& e : base.elementData)
            maxS = std::max(maxS, e.center.stress.vonMises);
        for (const auto& [length, modulus] : {std::pair{1e8, 1e-8}, std::pair{1e-8, 1e8}})
        {
            SCOPED_TRACE(testing::Message() << "length x" << length << ", modulus x" << modulus);
            Solver2dOutput scaled;
            ASSERT_EQ(runInHouse(scaledModel(type, length, modulus), scaled), cae_core::eOk);
            // Displacements scale with length, stresses with the modulus.
            for (std::size_t v = 0; v < base.vertexData.size(); ++v)
            {
                const OdGeVector2d u = scaled.vertexData[v].displacement / length;
                EXPECT_NEAR(u.x, base.vertexData[v].displacement.x, 1e-9 * maxU);
                EXPECT_NEAR(u.y, base.vertexData[v].displacement.y, 1e-9 * maxU);
            }
            for (std::size_t e = 0; e < base.elementData.size(); ++e)
                for (std::size_t c = 0; c < 3; ++c)
                {
                    const auto& s = scaled.elementData[e].corners[c].stress;
                    const auto& b = base.elementData[e].corners[c].stress;
                    EXPECT_NEAR(s.sxy / modulus, b.sxy, 1e-9 * maxS);
                    EXPECT_NEAR(s.vonMises / modulus, b.vonMises, 1e-9 * maxS);
                }
        }
    }
}

/// The model's displacement vector as the solver left it, read back from the point evaluator (which holds
/// every node's displacement, mid-side nodes included).
template <std::size_t N>
Eigen::VectorXd solvedDisplacements(const Model<N>& model, const Solver2dOutput& output)
{
    const auto& evaluator =
        dynamic_cast<const Solver2dPointEvaluatorImpl<std::array<OdGePoint2d, N>>&>(*output.pointEvaluator);
    Eigen::VectorXd u = Eigen::VectorXd::Zero(Eigen::Index(2 * model.nodes.size()));
    for (std::size_t e = 0; e < model.elements.size(); ++e)
        for (std::size_t k = 0; k < N; ++k)
            u.segment<2>(Eigen::Index(2 * model.elements[e][k])) << evaluator.elements[e].displacements[k].x,
                evaluator.elements[e].displacements[k].y;
    return u;
}

/// Every vertex's internal force is its rows of K u, plus half of those of the mid-side nodes on its edges.
template <std::size_t N>
void expectInternalForcesAreKTimesU(const Model<N>& model, const Solver2dOutput& output)
{
    const Eigen::VectorXd r = assembleStiffness(model) * solvedDisplacements(model, output);
    const auto at = [&](std::size_t n)
    { return OdGeVector2d(r(Eigen::Index(2 * n)), r(Eigen::Index(2 * n + 1))); };
    std::vector<OdGeVector2d> expected(model.cornerCount);
    for (std::size_t n = 0; n < model.cornerCount; ++n)
        expected[n] = at(n);
    for (std::size_t i = 0; i < model.midNodeEdges.size(); ++i)
    {
        expected[model.midNodeEdges[i].first] += 0.5 * at(model.cornerCount + i);
        expected[model.midNodeEdges[i].second] += 0.5 * at(model.cornerCount + i);
    }
    for (std::size_t n = 0; n < model.cornerCount; ++n)
    {
        SCOPED_TRACE(n);
        EXPECT_SAME_XY(output.vertexData[n].internalForce, expected[n]);
    }
}

/// Vertices and element samples listed in mesh order, corners copied from the vertices, the centre at the
/// corners' mean with the stated three-node weights, and the evaluator agreeing with the centre sample.
void expectOutputFollowsTheMesh(const TriangularMesh2d& mesh, fea2d::EElementType type,
                                const Solver2dOutput& output)
{
    ASSERT_EQ(output.vertexData.size(), mesh.vertices.size());
    ASSERT_EQ(output.elementData.size(), mesh.triangles.size());
    for (std::size_t v = 0; v < output.vertexData.size(); ++v)
    {
        EXPECT_EQ(output.vertexData[v].index, v);
        EXPECT_SAME_XY(output.vertexData[v].position, mesh.vertices[v]);
    }
    for (std::size_t e = 0; e < output.elementData.size(); ++e)
    {
        const auto& element = output.elementData[e];
        EXPECT_EQ(element.index, e);
        EXPECT_EQ(element.vertices, mesh.triangles[e]);
        OdGePoint2d sum;
        OdGeVector2d weighted;
        for (std::size_t c = 0; c < 3; ++c)
        {
            const auto& vertex = output.vertexData[element.vertices[c]];
            EXPECT_SAME_XY(element.corners[c].position, vertex.position);
            EXPECT_SAME_XY(element.corners[c].displacement, vertex.displacement);
            sum += vertex.position.asVector();
            // The stored centroid weights: 1 - 1/3 - 1/3 (0.3333333333333334), 1/3, 1/3.
            weighted += (c == 0 ? 1.0 - 1.0 / 3.0 - 1.0 / 3.0 : 1.0 / 3.0) * vertex.displacement;
        }
        EXPECT_SAME_XY(element.center.position, OdGePoint2d(sum.x / 3.0, sum.y / 3.0));
        if (type == fea2d::eTriangle3)
            EXPECT_SAME_XY(element.center.displacement, weighted);
        const auto at = output.pointEvaluator->evaluate(element.center.position, 0.0);
        ASSERT_TRUE(at.has_value());
        EXPECT_NEAR(at->displacement.y, element.center.displacement.y, 1e-12);
        EXPECT_NEAR(at->vonMises, element.center.stress.vonMises, 1e-9);
    }
}

TEST(SolverOutput, MatchesADenseReferenceWithSlantedSupportsAndReportsKTimesUInMeshOrder)
{
    // Slanted rolling edges rotate degrees of freedom: the rotation must match the dense route through a
    // basis of admissible displacements, and a product with the rotated system would not give K u exactly.
    const RectangleMesh rm = shearedMesh();
    for (const auto type : kBothTypes)
        for (const auto mode : {fea2d::ePlanarStress, fea2d::ePlanarStrain})
        {
            SCOPED_TRACE(testing::Message() << typeName(type) << ", mode " << mode);
            Solver2dInput input = plateInput(rm.mesh, type, 30.0, 0.35, 0.8, mode);
            for (int j = 0; j < rm.ny; ++j)
                input.rollingEdges.push_back({rm.vertex(0, j + 1), rm.vertex(0, j)});
            input.rollingVertices[rm.vertex(0, 0)] = OdGeVector2d(0.0, 1.0);
            input.rollingVertices[rm.vertex(3, 0)] = OdGeVector2d(0.3, 1.0);
            input.edgeLoads[{rm.vertex(3, 1), rm.vertex(3, 2)}] = OdGeVector2d(0.5, -2.0);
            input.edgeLoads[{rm.vertex(2, 2), rm.vertex(1, 2)}] = OdGeVector2d(0.0, -1.0);
            input.vertexForces[rm.vertex(2, 0)] = OdGeVector2d(1.0, 0.25);

            Solver2dOutput output;
            ASSERT_EQ(runInHouse(input, output), cae_core::eOk);
            Eigen::VectorXd reference;
            withModel(input,
                      [&](const auto& model)
                      {
                          reference = denseReferenceSolution(model);
                          expectInternalForcesAreKTimesU(model, output);
                      });
            const double scale = reference.cwiseAbs().maxCoeff();
            OdGeVector2d internal;
            for (const auto& v : output.vertexData)
            {
                EXPECT_NEAR(v.displacement.x, reference(2 * v.index), kSolveTolerance * scale) << v.index;
                EXPECT_NEAR(v.displacement.y, reference(2 * v.index + 1), kSolveTolerance * scale) << v.index;
                internal += v.internalForce;
            }
            // Internal forces of a rigid translation vanish, so they sum to zero over the model.
            EXPECT_LE(internal.length(), kSolveTolerance);
            expectOutputFollowsTheMesh(rm.mesh, type, output);
        }
}

/// Tip deflection of a cantilever (length l, height h, clamped at x = 0) under a uniform shear load of total
/// p on its free end: the mean vertical displacement of the end weighted by the nodal loads, which is the
/// deflection whose work equals the strain energy.
double cantileverDeflection(fea2d::EElementType type, int cellsPerHeight, double l, double h, double e,
                            double nu, double p)
{
    const int nx = int(std::lround(l / h)) * cellsPerHeight;
    const RectangleMesh rm = rectangleMesh(l, h, nx, cellsPerHeight);
    Solver2dInput input = plateInput(rm.mesh, type, e, nu, 1.0);
    clampLeftLoadRight(rm, input, OdGeVector2d(0.0, -p / h));
    Solver2dOutput output;
    EXPECT_EQ(runInHouse(input, output), cae_core::eOk);
    double work = 0.0;
    for (const auto& v : output.vertexData)
        work += v.externalForce.dotProduct(v.displacement);
    return work / p;
}

TEST(SolverMechanics, CantileverConvergesToTheBeamDeflectionSixNodeElementsFarFaster)
{
    const double l = 5.0, h = 1.0, e = 1000.0, nu = 0.3, p = 1.0;
    const double inertia = h * h * h / 12.0, shearModulus = e / (2.0 * (1.0 + nu));
    // Timoshenko beam: bending plus shear with the rectangle's shear coefficient 5/6.
    const double beam = p * l * l * l / (3.0 * e * inertia) + p * l / (5.0 / 6.0 * shearModulus * h);

    // Six-node elements at eight cells per height serve as the converged value of the plane model: their
    // error there is far below the differences measured against it.
    const double converged = cantileverDeflection(fea2d::eTriangle6, 8, l, h, e, nu, p);
    // The plane model differs from beam theory by the clamped end's restraint of the cross-section's
    // warping, of order (h / l)^2; at l / h = 5 that is below one per cent.
    EXPECT_NEAR(converged, beam, 0.01 * beam);

    std::map<int, double> error3, error6;
    for (const int m : {2, 4, 8, 16})
        error3[m] = std::abs(cantileverDeflection(fea2d::eTriangle3, m, l, h, e, nu, p) - converged);
    for (const int m : {1, 2})
        error6[m] = std::abs(cantileverDeflection(fea2d::eTriangle6, m, l, h, e, nu, p) - converged);

    // Linear triangles: second order once bending is resolved (rate 2 in theory, short of it here).
    for (const int m : {4, 8})
        EXPECT_GT(std::log2(error3[m] / error3[2 * m]), 1.6) << "three-node, " << m << " to " << 2 * m;
    // Quadratic triangles converge faster on the coarse meshes where the linear ones lock in bending ...
    const double rate6 = std::log2(error6[1] / error6[2]);
    EXPECT_GT(rate6, 2.0);
    EXPECT_GT(rate6, std::log2(error3[2] / error3[4]) + 0.5);
    // ... and two cells per height of them beat sixteen of linear ones (thirteen times the unknowns).
    EXPECT_LT(error6[2], 0.5 * error3[16]);
    EXPECT_LT(error6[2], 0.005 * converged);
}

} // namespace
