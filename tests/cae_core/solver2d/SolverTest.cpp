#include "cae_core/solver2d/VelmorSolver2d.h"
#include "cae_core/solver2d/detail/Solver2dPointEvaluatorImpl.h"
#include "cae_core/solver2d/detail/VelmorModel.h"
#include "tests/support/Meshes.h"

#include <Eigen/Dense>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

namespace
{

using namespace cae_core;
using namespace cae_core::solver2d::detail;

/// Relative round-off of a solve on the small, well-conditioned systems of these tests.
constexpr double kSolveTolerance = 1e-10;

const fea2d::EElementType kBothTypes[] = {fea2d::eTriangle3, fea2d::eTriangle6};

/// For exact comparisons of points and vectors (their operator== allows the global tolerance).
template <class T> std::pair<double, double> xy(const T& v)
{
    return {v.x, v.y};
}

using test_meshes::rectangleMesh;
using test_meshes::RectangleMesh;

Solver2dInput plateInput(const TriangularMesh2d& mesh, fea2d::EElementType type, double youngsModulus = 1.0,
                         double poissonRatio = 0.3, double thickness = 1.0,
                         fea2d::EMode mode = fea2d::ePlanarStress)
{
    Solver2dInput input;
    input.elementType = type;
    input.youngsModulus = youngsModulus;
    input.poissonRatio = poissonRatio;
    input.thickness = thickness;
    input.mode = mode;
    input.mesh = mesh;
    return input;
}

EResult runInHouse(const Solver2dInput& input, Solver2dOutput& output)
{
    return Solver2d::create(Solver2d::eInHouse)->execute(input, output);
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

TEST(SixNodeModel, CarriesEdgeSupportsAndHalfOfAnEdgeLoadToTheSharedMidSideNodes)
{
    const RectangleMesh rm = rectangleMesh(2.0, 2.0, 1, 1); // triangles (0, 1, 3), (0, 3, 2)
    Solver2dInput input = plateInput(rm.mesh, fea2d::eTriangle6);
    input.fixedEdges = {{2, 0}};
    input.rollingEdges = {{1, 3}};
    input.edgeLoads[{1, 3}] = OdGeVector2d(0.0, 1.5); // total P = 3 over the edge of length 2
    const Model<6> model = buildModel6(input);
    // The diagonal's mid-side node (1, 1) is one node of both triangles.
    ASSERT_EQ(model.nodes.size(), 9u);
    EXPECT_EQ(model.elements[0][5], model.elements[1][3]);
    EXPECT_EQ(xy(model.nodes[model.elements[0][5]].position), xy(OdGePoint2d(1.0, 1.0)));
    // The fixed edge holds both ends and its mid-side node; the rolling edge its three nodes, along the edge
    // vector (0, 2) turned by +90 degrees.
    for (const std::uint64_t n : {0, 2, 8})
        EXPECT_TRUE(model.nodes[n].fixed) << n;
    for (const std::uint64_t n : {1, 3, 5})
        EXPECT_EQ(xy(model.nodes[n].blockedDirection), xy(OdGeVector2d(-2.0, 0.0))) << n;
    EXPECT_FALSE(model.nodes[4].fixed || model.nodes[4].hasBlockedDirection);
    // P/4 on each end, P/2 on the mid-side node (not the consistent 1/6, 2/3, 1/6) ...
    EXPECT_EQ(model.nodes[1].force.y, 0.75);
    EXPECT_EQ(model.nodes[3].force.y, 0.75);
    EXPECT_EQ(model.nodes[5].force.y, 1.5);
    // ... which the vertex list hands on half to each corner of its edge.
    Solver2dOutput output;
    ASSERT_EQ(runInHouse(input, output), cae_core::eOk);
    EXPECT_EQ(output.vertexData[1].externalForce.y, 1.5);
    EXPECT_EQ(output.vertexData[3].externalForce.y, 1.5);
    EXPECT_NEAR((reaction(output.vertexData[0]) + reaction(output.vertexData[2])).y, -3.0, kSolveTolerance);
}

TEST(SolverSupports, ConsistentEdgeLoadsGiveSixNodeElementsTheUniformStateOfAUniformTraction)
{
    // The plate of the closed-form test below, pulled by q per length on x = 2, now with the edge load
    // shared 1/6, 2/3, 1/6: the work-equivalent loads, so six-node elements too give the uniform state.
    const RectangleMesh rm = rectangleMesh(2.0, 1.0, 4, 3);
    const double q = 3.0, t = 0.5, s = q / t;
    Solver2dInput input = plateInput(rm.mesh, fea2d::eTriangle6, 200.0, 0.3, t, fea2d::ePlanarStress);
    input.consistentEdgeLoads = true;
    for (int j = 0; j < rm.ny; ++j)
    {
        input.rollingEdges.push_back({rm.vertex(0, j + 1), rm.vertex(0, j)});
        input.edgeLoads[{rm.vertex(rm.nx, j), rm.vertex(rm.nx, j + 1)}] = OdGeVector2d(q, 0.0);
    }
    for (int i = 0; i < rm.nx; ++i)
        input.rollingEdges.push_back({rm.vertex(i, 0), rm.vertex(i + 1, 0)});
    const Model<6> model = buildModel6(input);
    const double edge = q / rm.ny; // load on one edge of length 1/3
    EXPECT_NEAR(model.nodes[rm.vertex(rm.nx, 0)].force.x, edge / 6.0, 1e-15);
    EXPECT_NEAR(model.nodes[rm.vertex(rm.nx, 1)].force.x, edge / 3.0, 1e-15);
    Solver2dOutput output;
    ASSERT_EQ(runInHouse(input, output), cae_core::eOk);
    for (const auto& element : output.elementData)
        for (const auto& corner : element.corners)
        {
            EXPECT_NEAR(corner.stress.sxx, s, 1e-9 * s) << element.index;
            EXPECT_NEAR(corner.stress.syy, 0.0, 1e-9 * s) << element.index;
            EXPECT_NEAR(corner.stress.sxy, 0.0, 1e-9 * s) << element.index;
        }
}

TEST(SolverSupports, UniaxialTensionOnRollingEdgesGivesTheClosedFormStateAtAnyInclination)
{
    // A 2 x 1 plate pulled by q per length on its edge x = 2, held by rolling edges along x = 0 and y = 0,
    // and the same plate turned by 0.5 rad, so that the rolling edges are slanted. The reference is the
    // closed-form uniaxial state, independent of the solver's material matrix and edge normals.
    const RectangleMesh rm = rectangleMesh(2.0, 1.0, 4, 3);
    const double q = 3.0, t = 0.5, e = 200.0, nu = 0.3, s = q / t;
    for (const double angle : {0.0, 0.5})
        for (const auto type : kBothTypes)
            for (const auto mode : {fea2d::ePlanarStress, fea2d::ePlanarStrain})
            {
                SCOPED_TRACE(testing::Message()
                             << "angle " << angle << ", element type " << type << ", mode " << mode);
                // Plate coordinates (x along the pull) to drawing coordinates.
                const auto turn = [angle](OdGeVector2d v) { return v.rotateBy(angle); };
                TriangularMesh2d mesh = rm.mesh;
                for (OdGePoint2d& p : mesh.vertices)
                    p = OdGePoint2d() + turn(p.asVector());
                Solver2dInput input = plateInput(mesh, type, e, nu, t, mode);
                for (int j = 0; j < rm.ny; ++j)
                {
                    input.rollingEdges.push_back({rm.vertex(0, j + 1), rm.vertex(0, j)});
                    input.edgeLoads[{rm.vertex(rm.nx, j), rm.vertex(rm.nx, j + 1)}] =
                        turn(OdGeVector2d(q, 0.0));
                }
                for (int i = 0; i < rm.nx; ++i)
                    input.rollingEdges.push_back({rm.vertex(i, 0), rm.vertex(i + 1, 0)});
                Solver2dOutput output;
                ASSERT_EQ(runInHouse(input, output), cae_core::eOk);

                // Plane stress: szz = 0; plane strain: ezz = 0, so szz = nu s enters the strains and von
                // Mises.
                const bool planeStress = mode == fea2d::ePlanarStress;
                const double exx = planeStress ? s / e : s * (1.0 - nu * nu) / e;
                const double eyy = planeStress ? -nu * s / e : -nu * (1.0 + nu) * s / e;
                const double vm = planeStress ? s : s * std::sqrt(1.0 - nu + nu * nu);
                // Linear triangles carry the edge load as the exact nodal forces of a uniform traction (the
                // six-node split 1/4, 1/2, 1/4 is not), so only they give exactly the uniform state; both
                // balance the load and slide along the supports.
                const bool exact = type == fea2d::eTriangle3;
                OdGeVector2d supportReaction;
                for (const auto& v : output.vertexData)
                {
                    const OdGePoint2d& plate = rm.mesh.vertices[v.index];
                    const OdGeVector2d u = OdGeVector2d(v.displacement).rotateBy(-angle);
                    if (exact)
                    {
                        EXPECT_NEAR(u.x, exx * plate.x, 1e-12 * exx) << v.index;
                        EXPECT_NEAR(u.y, eyy * plate.y, 1e-12 * exx) << v.index;
                    }
                    EXPECT_TRUE(plate.x == 0.0 ? std::abs(u.x) <= 1e-15 : u.x > 0.0) << v.index;
                    EXPECT_TRUE(plate.y == 0.0 ? std::abs(u.y) <= 1e-15 : u.y < 0.0) << v.index;
                    if (plate.x == 0.0 || plate.y == 0.0)
                        supportReaction += reaction(v);
                    else
                        EXPECT_LE(reaction(v).length(), kSolveTolerance * q) << v.index;
                }
                // The supports hold the load, q over the height 1.
                EXPECT_LE((supportReaction + turn(OdGeVector2d(q, 0.0))).length(), kSolveTolerance);
                if (!exact)
                    continue;
                // The plate stress (s, 0, 0) seen in drawing coordinates.
                const double c = std::cos(angle), sn = std::sin(angle);
                for (const auto& el : output.elementData)
                    for (const auto& sample : {el.center, el.corners[0], el.corners[1], el.corners[2]})
                    {
                        EXPECT_NEAR(sample.stress.sxx, s * c * c, 1e-11 * s);
                        EXPECT_NEAR(sample.stress.syy, s * sn * sn, 1e-11 * s);
                        EXPECT_NEAR(sample.stress.sxy, s * c * sn, 1e-11 * s);
                        EXPECT_NEAR(sample.stress.vonMises, vm, 1e-11 * s);
                    }
            }
}

TEST(SolverOutput, SixNodeCornerSamplesCarryTheStressAtTheirCornerOfAFieldThatIsNotLinear)
{
    // u = (a x^2, b x y) is reproduced exactly by six-node elements; its strain (2 a x, b x, b y) varies
    // over the element, so each sample shows whether it was taken at its own point. Hooke's law for plane
    // stress written out here, independent of the solver's material matrix.
    const double a = 0.02, b = -0.03, e = 50.0, nu = 0.25;
    TriangularMesh2d mesh;
    mesh.vertices = {OdGePoint2d(0.5, 0.2), OdGePoint2d(3.0, 0.7), OdGePoint2d(1.2, 2.5)};
    mesh.triangles = {{0, 1, 2}};
    const Model<6> model = buildModel6(plateInput(mesh, fea2d::eTriangle6, e, nu));
    Eigen::VectorXd u(Eigen::Index(2 * model.nodes.size()));
    for (std::size_t n = 0; n < model.nodes.size(); ++n)
    {
        const OdGePoint2d& x = model.nodes[n].position;
        u(Eigen::Index(2 * n)) = a * x.x * x.x;
        u(Eigen::Index(2 * n + 1)) = b * x.x * x.y;
    }
    const auto stressAtPoint = [&](const OdGePoint2d& x)
    {
        const double exx = 2 * a * x.x, eyy = b * x.x, gxy = b * x.y, c = e / (1 - nu * nu);
        return std::array<double, 3>{c * (exx + nu * eyy), c * (eyy + nu * exx), e / (2 * (1 + nu)) * gxy};
    };
    const std::vector<Solver2dOutput::ElementData> samples = elementResults(model, u);
    ASSERT_EQ(samples.size(), 1u);
    const auto& element = samples[0];
    for (std::size_t c = 0; c < 3; ++c)
    {
        SCOPED_TRACE(testing::Message() << "corner " << c);
        EXPECT_EQ(xy(element.corners[c].position), xy(mesh.vertices[c]));
        const std::array<double, 3> expected = stressAtPoint(mesh.vertices[c]);
        EXPECT_NEAR(element.corners[c].stress.sxx, expected[0], 1e-12);
        EXPECT_NEAR(element.corners[c].stress.syy, expected[1], 1e-12);
        EXPECT_NEAR(element.corners[c].stress.sxy, expected[2], 1e-12);
    }
    const std::array<double, 3> centre = stressAtPoint(element.center.position);
    EXPECT_NEAR(element.center.stress.sxx, centre[0], 1e-12);
    EXPECT_NEAR(element.center.stress.syy, centre[1], 1e-12);
    EXPECT_NEAR(element.center.stress.sxy, centre[2], 1e-12);
}

TEST(SolverSupports, RollingRuleKeepsParallelDirectionsAndFixesCrossingOnes)
{
    Node node;
    applyRollingRule(node, OdGeVector2d(0.0, 2.0));
    applyRollingRule(node, OdGeVector2d(0.0, -5.0)); // parallel, opposite sense: the first one stays
    EXPECT_TRUE(node.hasBlockedDirection && !node.fixed && node.blockedDirection.y == 2.0);
    for (const OdGeVector2d& crossing : {OdGeVector2d(1.0, 1.0), OdGeVector2d(1.0, 0.0)})
    {
        applyRollingRule(node, crossing); // fixes the node, which then stays fixed
        EXPECT_TRUE(node.fixed && !node.hasBlockedDirection);
    }
}

/// Named copies of one input, each to be changed in one respect.
struct Variants
{
    Solver2dInput base;
    std::vector<std::pair<std::string, Solver2dInput>> list;
    Solver2dInput& add(const char* name) { return list.emplace_back(name, base).second; }
};

TEST(SolverFailure, AZeroPivotOrASolutionThatIsNotFiniteFailsLeavingTheOutputAsItWas)
{
    const RectangleMesh rm = rectangleMesh(1.0, 1.0, 2, 2);
    const std::uint64_t tip = rm.vertex(2, 2);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const auto type : kBothTypes)
    {
        Variants bad{plateInput(rm.mesh, type, 70.0), {}};
        clampLeftLoadRight(rm, bad.base, OdGeVector2d(1.0, 0.5));
        // An exact zero pivot where a node has no stiffness at all.
        bad.add("a vertex no triangle uses").mesh.vertices.emplace_back(5.0, 5.0);
        bad.add("zero modulus").youngsModulus = 0.0;
        bad.add("zero thickness").thickness = 0.0;
        bad.add("a mode without a material matrix").mode = static_cast<fea2d::EMode>(7);
        bad.add("an unknown element type").elementType = static_cast<fea2d::EElementType>(2);
        // NaN pivots, not exactly zero, where the material is not a number or sits at a singular ratio the
        // formulas are used at unguarded: the factorisation succeeds, but the solution is not finite.
        bad.add("NaN modulus").youngsModulus = nan;
        bad.add("NaN thickness").thickness = nan;
        bad.add("Poisson ratio 1 in plane stress").poissonRatio = 1.0;
        Solver2dInput& incompressible = bad.add("Poisson ratio 0.5 in plane strain");
        incompressible.poissonRatio = 0.5;
        incompressible.mode = fea2d::ePlanarStrain;

        Solver2dOutput output;
        ASSERT_EQ(runInHouse(bad.base, output), cae_core::eOk);
        const Solver2dPointEvaluator* evaluator = output.pointEvaluator.get();
        const OdGeVector2d before = output.vertexData[tip].displacement;
        for (const auto& [name, input] : bad.list)
        {
            SCOPED_TRACE(testing::Message() << "element type " << type << ", " << name);
            output.time = -1.0;
            EXPECT_EQ(runInHouse(input, output), cae_core::eFailed);
            EXPECT_EQ(output.pointEvaluator.get(), evaluator);
            ASSERT_EQ(output.vertexData.size(), rm.mesh.vertices.size());
            EXPECT_EQ(output.vertexData[tip].displacement.x, before.x);
            EXPECT_GE(output.time, 0.0) << "the time is stored also on failure";
        }
    }
}

TEST(SolverSupports, AFixedVertexThatNoTriangleUsesSolvesToZero)
{
    const RectangleMesh rm = rectangleMesh(1.0, 1.0, 2, 2);
    for (const auto type : kBothTypes)
    {
        Solver2dInput input = plateInput(rm.mesh, type, 70.0);
        clampLeftLoadRight(rm, input, OdGeVector2d(1.0, 0.5));
        Solver2dOutput plain, withUnused;
        ASSERT_EQ(runInHouse(input, plain), cae_core::eOk);
        input.mesh.vertices.emplace_back(5.0, 5.0);
        input.fixedVertices.push_back(rm.mesh.vertices.size());
        ASSERT_EQ(runInHouse(input, withUnused), cae_core::eOk);
        EXPECT_EQ(withUnused.vertexData.back().displacement.length(), 0.0);
        const double x = plain.vertexData[rm.vertex(2, 2)].displacement.x;
        EXPECT_NEAR(withUnused.vertexData[rm.vertex(2, 2)].displacement.x, x, kSolveTolerance * std::abs(x));
    }
}

TEST(SolverInput, ANegativeModulusIsNotCheckedAndTurnsTheDisplacements)
{
    const RectangleMesh rm = rectangleMesh(1.0, 1.0, 2, 2);
    Solver2dInput input = plateInput(rm.mesh, fea2d::eTriangle3, 70.0);
    clampLeftLoadRight(rm, input, OdGeVector2d(1.0, 0.5));
    Solver2dOutput positive, negative;
    ASSERT_EQ(runInHouse(input, positive), cae_core::eOk);
    input.youngsModulus = -70.0;
    ASSERT_EQ(runInHouse(input, negative), cae_core::eOk);
    const double x = positive.vertexData[rm.vertex(2, 2)].displacement.x;
    EXPECT_NEAR(negative.vertexData[rm.vertex(2, 2)].displacement.x, -x, kSolveTolerance * std::abs(x));
}

TEST(SolverInput, AnEmptyMeshSolvesToNothing)
{
    for (const auto type : kBothTypes)
    {
        Solver2dOutput output;
        ASSERT_EQ(runInHouse(plateInput(TriangularMesh2d(), type), output), cae_core::eOk);
        EXPECT_TRUE(output.vertexData.empty() && output.elementData.empty());
        EXPECT_FALSE(output.pointEvaluator->evaluate(OdGePoint2d(), 0.0).has_value());
    }
}

TEST(SolverFailure, IndicesOutsideTheMeshThrowOutOfRange)
{
    Solver2dOutput discarded;
    const auto throws = [](const char* message)
    { return testing::ThrowsMessage<std::out_of_range>(testing::StrEq(message)); };
    const RectangleMesh rm = rectangleMesh(1.0, 1.0, 1, 1); // triangles (0, 1, 3), (0, 3, 2)
    for (const auto type : kBothTypes)
    {
        // Bounds are those of the model's nodes: the four corners, then (six-node) the five mid-side nodes.
        const std::uint64_t beyond = type == fea2d::eTriangle3 ? 4 : 9;
        Variants spoilt{plateInput(rm.mesh, type), {}};
        spoilt.add("fixed vertex").fixedVertices = {beyond};
        spoilt.add("rolling vertex").rollingVertices[beyond] = OdGeVector2d(1, 0);
        spoilt.add("vertex force").vertexForces[beyond] = OdGeVector2d(1, 0);
        spoilt.add("edge load").edgeLoads[{0, beyond}] = OdGeVector2d(1, 0);
        spoilt.add("triangle corner").mesh.triangles.push_back({0, 1, 4});
        for (const auto& [name, input] : spoilt.list)
            EXPECT_THAT([&] { runInHouse(input, discarded); }, throws("invalid vector subscript"))
                << "element type " << type << ", " << name;
    }
    // Only the six-node model looks edges up; 1-2 is not an edge of the two triangles.
    Variants noEdge{plateInput(rm.mesh, fea2d::eTriangle6), {}};
    noEdge.add("fixed edge").fixedEdges = {{1, 2}};
    noEdge.add("rolling edge").rollingEdges = {{2, 1}};
    noEdge.add("edge load").edgeLoads[{2, 1}] = OdGeVector2d(1, 0);
    for (const auto& [name, input] : noEdge.list)
        EXPECT_THAT([&] { runInHouse(input, discarded); }, throws("invalid map<K, T> key")) << name;
}

/// Symmetric, built bit for bit as Eigen's setFromTriplets builds it from the same triplets (the in-house
/// compression must not change a sum or the sign of a zero), and passing the patch test: K u of a linear
/// field u vanishes at every node off the boundary of the 3 x 2 rectangle.
template <std::size_t N> void expectSoundAssembly(const Model<N>& model)
{
    const SparseMatrix k = assembleStiffness(model);
    EXPECT_EQ((k - SparseMatrix(k.transpose())).cwiseAbs().sum(), 0.0) << "exactly symmetric";
    std::vector<Triplet> triplets = elementTriplets(model);
    // Sums of negative zeros stay negative zeros in a plain summation; so must the matrix.
    for (Triplet& t : triplets)
        if (t.row() % 4 == 0)
            t = Triplet(t.row(), t.col(), -0.0);
    SparseMatrix expected(k.rows(), k.cols());
    expected.setFromTriplets(triplets.begin(), triplets.end());
    const SparseMatrix built = compressTriplets(nodeAdjacency(model), triplets);
    ASSERT_EQ(built.nonZeros(), expected.nonZeros());
    ASSERT_TRUE(built.isCompressed());
    // Layout and values compared byte for byte: == on doubles cannot see the sign of a zero.
    const auto same = [](const auto* a, const auto* b, Eigen::Index count)
    { return std::memcmp(a, b, std::size_t(count) * sizeof(*a)) == 0; };
    EXPECT_TRUE(same(built.outerIndexPtr(), expected.outerIndexPtr(), k.cols() + 1));
    EXPECT_TRUE(same(built.innerIndexPtr(), expected.innerIndexPtr(), built.nonZeros()));
    EXPECT_TRUE(same(built.valuePtr(), expected.valuePtr(), built.nonZeros()));

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
        if (p.x <= 0.0 || p.x >= 3.0 || p.y <= 0.0 || p.y >= 2.0)
            continue;
        ++interior;
        EXPECT_LE(r.segment<2>(Eigen::Index(2 * n)).norm(), 1e-13) << "node " << n;
    }
    EXPECT_GE(interior, 2);
}

TEST(Assembly, TheStiffnessIsSymmetricAsEigenWouldBuildItAndPassesThePatchTest)
{
    // Distorted interior vertices, so that the patch test does not rely on a regular mesh, and a vertex
    // without element, whose columns stay empty.
    RectangleMesh rm = rectangleMesh(3.0, 2.0, 3, 2);
    rm.mesh.vertices[rm.vertex(1, 1)] = OdGePoint2d(1.3, 0.8);
    rm.mesh.vertices[rm.vertex(2, 1)] = OdGePoint2d(1.9, 1.15);
    rm.mesh.vertices.emplace_back(9.0, 9.0);
    for (const auto type : kBothTypes)
        withModel(plateInput(rm.mesh, type, 10.0, 0.25),
                  [](const auto& model) { expectSoundAssembly(model); });
}

/// Slanted, crossing and zero-direction rolling supports with edge and vertex loads on a sheared 3 x 2 plate,
/// lengths scaled by `length` and stresses by `modulus`.
Solver2dInput mixedInput(fea2d::EElementType type, fea2d::EMode mode, double length = 1.0,
                         double modulus = 1.0)
{
    RectangleMesh rm = rectangleMesh(3.0 * length, 2.0 * length, 3, 2);
    for (OdGePoint2d& p : rm.mesh.vertices)
        p.x += 0.5 * p.y;
    Solver2dInput input = plateInput(rm.mesh, type, 30.0 * modulus, 0.35, 0.8 * length, mode);
    for (int j = 0; j < rm.ny; ++j)
        input.rollingEdges.push_back({rm.vertex(0, j + 1), rm.vertex(0, j)});
    input.rollingVertices[rm.vertex(0, 0)] = OdGeVector2d(0.0, 1.0);
    input.rollingVertices[rm.vertex(3, 0)] = OdGeVector2d(0.3, 1.0);
    input.rollingVertices[rm.vertex(3, 2)] = OdGeVector2d(0.0, 0.0); // blocks nothing
    // Loads per length scale with length and point forces with its square, so that stresses scale with the
    // modulus alone.
    const double q = length * modulus;
    input.edgeLoads[{rm.vertex(3, 1), rm.vertex(3, 2)}] = OdGeVector2d(0.5, -2.0) * q;
    input.edgeLoads[{rm.vertex(2, 2), rm.vertex(1, 2)}] = OdGeVector2d(0.0, -1.0) * q;
    input.vertexForces[rm.vertex(2, 0)] = OdGeVector2d(1.0, 0.25) * (q * length);
    return input;
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
        if (node.fixed)
            continue;
        if (node.hasBlockedDirection && node.blockedDirection.length() > 0.0)
        {
            const OdGeVector2d tangent = node.blockedDirection.perpVector().normal();
            z.block<2, 1>(Eigen::Index(2 * n), columns++) << tangent.x, tangent.y;
            continue;
        }
        z(Eigen::Index(2 * n), columns++) = 1.0;
        z(Eigen::Index(2 * n + 1), columns++) = 1.0;
    }
    z.conservativeResize(Eigen::NoChange, columns);
    const Eigen::VectorXd f = assembleForces(model.nodes);
    return z * (z.transpose() * k * z).fullPivLu().solve(z.transpose() * f);
}

/// Every vertex's internal force is, bit for bit, its rows of K u plus half of those of the mid-side nodes on
/// its edges, with u read back from the point evaluator (which holds every node's displacement).
template <std::size_t N>
void expectInternalForcesAreKTimesU(const Model<N>& model, const Solver2dOutput& output)
{
    const auto& evaluator =
        dynamic_cast<const Solver2dPointEvaluatorImpl<std::array<OdGePoint2d, N>>&>(*output.pointEvaluator);
    Eigen::VectorXd u = Eigen::VectorXd::Zero(Eigen::Index(2 * model.nodes.size()));
    for (std::size_t e = 0; e < model.elements.size(); ++e)
        for (std::size_t k = 0; k < N; ++k)
            u.segment<2>(Eigen::Index(2 * model.elements[e][k])) << evaluator.elements[e].displacements[k].x,
                evaluator.elements[e].displacements[k].y;
    const Eigen::VectorXd r = assembleStiffness(model) * u;
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
        EXPECT_EQ(xy(output.vertexData[n].internalForce), xy(expected[n])) << "vertex " << n;
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
        EXPECT_EQ(xy(output.vertexData[v].position), xy(mesh.vertices[v]));
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
            EXPECT_EQ(xy(element.corners[c].position), xy(vertex.position));
            EXPECT_EQ(xy(element.corners[c].displacement), xy(vertex.displacement));
            sum += vertex.position.asVector();
            // The stored centroid weights: 1 - 1/3 - 1/3 (0.3333333333333334), 1/3, 1/3.
            weighted += (c == 0 ? 1.0 - 1.0 / 3.0 - 1.0 / 3.0 : 1.0 / 3.0) * vertex.displacement;
        }
        EXPECT_EQ(xy(element.center.position), xy(OdGePoint2d(sum.x / 3.0, sum.y / 3.0)));
        EXPECT_TRUE(type != fea2d::eTriangle3 || xy(element.center.displacement) == xy(weighted));
        const auto at = output.pointEvaluator->evaluate(element.center.position, 0.0);
        ASSERT_TRUE(at.has_value());
        EXPECT_NEAR(at->displacement.y, element.center.displacement.y, 1e-12);
        EXPECT_NEAR(at->vonMises, element.center.stress.vonMises, 1e-9);
    }
}

TEST(SolverOutput, MatchesADenseReferenceWithSlantedSupportsAndReportsKTimesUInMeshOrder)
{
    // Slanted rolling supports rotate degrees of freedom: the rotation must match the dense route through a
    // basis of admissible displacements, and a product with the rotated system would not give K u exactly.
    for (const auto type : kBothTypes)
        for (const auto mode : {fea2d::ePlanarStress, fea2d::ePlanarStrain})
        {
            SCOPED_TRACE(testing::Message() << "element type " << type << ", mode " << mode);
            const Solver2dInput input = mixedInput(type, mode);
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
            expectOutputFollowsTheMesh(input.mesh, type, output);
            const auto& [loaded, force] = *input.vertexForces.begin();
            EXPECT_EQ(xy(output.vertexData[loaded].externalForce), xy(force));
        }
}

TEST(SolverScaling, ResultsAreUnchangedWhenTheModelIsScaledBy1e8Or1eMinus8)
{
    for (const auto type : kBothTypes)
    {
        Solver2dOutput base;
        ASSERT_EQ(runInHouse(mixedInput(type, fea2d::ePlanarStress), base), cae_core::eOk);
        double maxU = 0.0, maxS = 0.0;
        for (const auto& v : base.vertexData)
            maxU = std::max(maxU, v.displacement.length());
        for (const auto& e : base.elementData)
            maxS = std::max(maxS, e.center.stress.vonMises);
        for (const auto& [length, modulus] : {std::pair{1e8, 1e-8}, std::pair{1e-8, 1e8}})
        {
            SCOPED_TRACE(testing::Message()
                         << "type " << type << ", length x" << length << ", E x" << modulus);
            Solver2dOutput scaled;
            ASSERT_EQ(runInHouse(mixedInput(type, fea2d::ePlanarStress, length, modulus), scaled),
                      cae_core::eOk);
            // Displacements scale with length, stresses with the modulus.
            for (std::size_t v = 0; v < base.vertexData.size(); ++v)
                EXPECT_LE(
                    (scaled.vertexData[v].displacement / length - base.vertexData[v].displacement).length(),
                    1e-9 * maxU);
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

/// Tip deflection of a cantilever (length l, height h, clamped at x = 0) under a uniform shear load of total
/// p on its free end: the mean vertical displacement of the end weighted by the nodal loads, which is the
/// deflection whose work equals the strain energy.
double cantileverDeflection(fea2d::EElementType type, int cellsPerHeight, double l, double h, double e,
                            double nu, double p)
{
    const RectangleMesh rm = rectangleMesh(l, h, int(std::lround(l / h)) * cellsPerHeight, cellsPerHeight);
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
    // Timoshenko beam: bending plus shear with the rectangle's shear coefficient 5/6.
    const double beam =
        p * l * l * l / (3.0 * e * h * h * h / 12.0) + p * l / (5.0 / 6.0 * e / (2.0 * (1.0 + nu)) * h);
    // Six-node elements at eight cells per height serve as the converged value of the plane model. It differs
    // from beam theory by the clamped end's restraint of warping, of order (h / l)^2: below 1% at l / h = 5.
    const double converged = cantileverDeflection(fea2d::eTriangle6, 8, l, h, e, nu, p);
    EXPECT_NEAR(converged, beam, 0.01 * beam);

    std::map<int, double> error3, error6;
    for (const int m : {2, 4, 8, 16})
        error3[m] = std::abs(cantileverDeflection(fea2d::eTriangle3, m, l, h, e, nu, p) - converged);
    for (const int m : {1, 2})
        error6[m] = std::abs(cantileverDeflection(fea2d::eTriangle6, m, l, h, e, nu, p) - converged);
    // Linear triangles: second order once bending is resolved (rate 2 in theory, short of it here).
    for (const int m : {4, 8})
        EXPECT_GT(std::log2(error3[m] / error3[2 * m]), 1.6) << "three-node, " << m << " to " << 2 * m;
    // Quadratic triangles converge faster on the coarse meshes where the linear ones lock in bending, and two
    // cells per height of them beat sixteen of linear ones (thirteen times the unknowns).
    const double rate6 = std::log2(error6[1] / error6[2]);
    EXPECT_GT(rate6, 2.0);
    EXPECT_GT(rate6, std::log2(error3[2] / error3[4]) + 0.5);
    EXPECT_LT(error6[2], 0.5 * error3[16]);
    EXPECT_LT(error6[2], 0.005 * converged);
}

} // namespace
