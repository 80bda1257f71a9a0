#include "apps/analysis/NodalField.h"

#include "tests/support/Meshes.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace cae_app;
using cae_core::Solver2dInput;
using cae_core::Solver2dOutput;
namespace fea2d = cae_core::fea2d;

namespace
{
/// A linear stress field, which six-node elements hold exactly and patch recovery must give back
/// at every node, boundary nodes included.
StressState linearStress(const OdGePoint2d& p)
{
    return {10.0 + 3.0 * p.x - 2.0 * p.y, -4.0 + 0.5 * p.x + 6.0 * p.y, 1.5 - p.x + 0.25 * p.y};
}

/// A 2 x 1 rectangle in 4 x 2 cells of alternating diagonals, with made-up results: every
/// element's own stress is the linear field (for three-node elements its value at the centroid).
struct LinearField
{
    Solver2dInput input;
    Solver2dOutput output;

    explicit LinearField(fea2d::EElementType type)
    {
        input.elementType = type;
        input.youngsModulus = 1000.0;
        input.poissonRatio = 0.25;
        input.mesh = test_meshes::rectangleMesh(2.0, 1.0, 4, 2, true).mesh;
        for (std::uint64_t v = 0; v < input.mesh.vertices.size(); ++v)
            output.vertexData.push_back({v, input.mesh.vertices[v], OdGeVector2d(0.01 * v, 0.0), {}, {}});
        for (std::uint64_t e = 0; e < input.mesh.triangles.size(); ++e)
        {
            Solver2dOutput::ElementData d;
            d.index = e;
            d.vertices = input.mesh.triangles[e];
            OdGePoint2d centre(0, 0);
            for (int k = 0; k < 3; ++k)
            {
                d.corners[k].position = input.mesh.vertices[d.vertices[k]];
                centre += d.corners[k].position.asVector() / 3.0;
            }
            for (int k = 0; k < 3; ++k)
            {
                const StressState s =
                    linearStress(type == fea2d::eTriangle6 ? d.corners[k].position : centre);
                d.corners[k].stress = {s.sxx, s.syy, s.sxy, 0.0};
            }
            output.elementData.push_back(d);
        }
    }
};

void expectStress(const StressState& got, const StressState& expected, const std::string& where)
{
    EXPECT_NEAR(got.sxx, expected.sxx, 1e-9) << where;
    EXPECT_NEAR(got.syy, expected.syy, 1e-9) << where;
    EXPECT_NEAR(got.sxy, expected.sxy, 1e-9) << where;
}
} // namespace

TEST(NodalField, RecoveryGivesALinearStressFieldBackAtEveryNode)
{
    for (const auto type : {fea2d::eTriangle6, fea2d::eTriangle3})
    {
        const LinearField f(type);
        const NodalField field = nodalField(f.input, f.output);
        const std::size_t corners = f.input.mesh.vertices.size(), edges = 4 * 3 + 5 * 2 + 8;
        ASSERT_EQ(field.points.size(), type == fea2d::eTriangle6 ? corners + edges : corners);
        ASSERT_EQ(field.connectivity.size(),
                  f.output.elementData.size() * (type == fea2d::eTriangle6 ? 6 : 3));
        for (std::size_t i = 0; i < field.points.size(); ++i)
            expectStress(field.stress[i], linearStress(field.points[i]),
                         "node " + std::to_string(i) +
                             (type == fea2d::eTriangle6 ? " (six-node)" : " (three-node)"));
    }
}

TEST(NodalField, MidSideNodesCarryTheSolversOwnDisplacement)
{
    // A cantilever under an end shear bends, so the mid-side nodes leave the chords' midpoints.
    for (const auto mode : {fea2d::ePlanarStress, fea2d::ePlanarStrain})
    {
        Solver2dInput input;
        input.elementType = fea2d::eTriangle6;
        input.youngsModulus = 210000.0;
        input.poissonRatio = 0.3;
        input.thickness = 1.0;
        input.mode = mode;
        const auto rect = test_meshes::rectangleMesh(8.0, 2.0, 8, 2, true);
        input.mesh = rect.mesh;
        for (int j = 0; j < 2; ++j)
        {
            input.fixedEdges.push_back({rect.vertex(0, j + 1), rect.vertex(0, j)});
            input.edgeLoads[{rect.vertex(8, j), rect.vertex(8, j + 1)}] = OdGeVector2d(0.0, -50.0);
        }
        Solver2dOutput output;
        ASSERT_EQ(cae_core::Solver2d::create(cae_core::Solver2d::eInHouse)->execute(input, output),
                  cae_core::eOk);
        const NodalField field = nodalField(input, output);
        double largest = 0.0;
        for (const auto& u : field.displacement)
            largest = std::max(largest, u.length());
        for (std::size_t i = input.mesh.vertices.size(); i < field.points.size(); ++i)
        {
            const auto exact = output.pointEvaluator->evaluate(field.points[i], 0.0);
            ASSERT_TRUE(exact);
            EXPECT_LE((field.displacement[i] - exact->displacement).length(), 1e-9 * largest)
                << "mid-side node at " << field.points[i].x << ", " << field.points[i].y;
        }
    }
}

TEST(NodalField, AProbeInterpolatesInTheElementThatHoldsThePointAndFindsNothingOutside)
{
    const LinearField f(fea2d::eTriangle6);
    const NodalField field = nodalField(f.input, f.output);
    const FieldProbe probe(field);
    for (const OdGePoint2d p : {OdGePoint2d(0.3, 0.7), OdGePoint2d(1.0, 0.5), OdGePoint2d(2.0, 0.0)})
    {
        const auto v = probe.at(p);
        ASSERT_TRUE(v);
        expectStress(v->stress, linearStress(p), "probe");
    }
    EXPECT_FALSE(probe.at(OdGePoint2d(2.1, 0.5)));
    EXPECT_FALSE(probe.at(OdGePoint2d(-1e-6, 0.5)));
}

TEST(NodalField, PrincipalStressesAngleAndVonMisesOfTheMode)
{
    struct Case
    {
        StressState s;
        fea2d::EMode mode;
        PrincipalStresses expected;
    };
    const double root3 = std::sqrt(3.0);
    const Case cases[] = {
        {{100, 0, 0}, fea2d::ePlanarStress, {100, 0, 0, 100}},
        {{0, 100, 0}, fea2d::ePlanarStress, {100, 0, 90, 100}},
        {{0, 0, 50}, fea2d::ePlanarStress, {50, -50, 45, 50 * root3}},
        {{-20, -20, 0}, fea2d::ePlanarStress, {-20, -20, 0, 20}},
        // Plane strain with nu 0.5 over two: szz = 0.25 (sxx + syy) = 25.
        {{100, 0, 0}, fea2d::ePlanarStrain, {100, 0, 0, std::sqrt(0.5 * (100 * 100 + 25 * 25 + 75 * 75))}},
    };
    for (const auto& c : cases)
    {
        const PrincipalStresses p = principalStresses(c.s, c.mode, 0.25);
        EXPECT_NEAR(p.s1, c.expected.s1, 1e-12);
        EXPECT_NEAR(p.s2, c.expected.s2, 1e-12);
        EXPECT_NEAR(p.angle, c.expected.angle, 1e-12);
        EXPECT_NEAR(p.vonMises, c.expected.vonMises, 1e-12);
    }
}
