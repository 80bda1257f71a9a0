#include "cae_core/solver2d/detail/Solver2dPointEvaluatorImpl.h"
#include "tests/cae_core/solver2d/SolverTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace
{

using namespace cae_core;
using namespace cae_core::test;
using Evaluator3 = Solver2dPointEvaluatorImpl<std::array<OdGePoint2d, 3>>;
using Evaluator6 = Solver2dPointEvaluatorImpl<std::array<OdGePoint2d, 6>>;

/// Two triangles of the unit square sharing the diagonal 0-2, the second displaced rigidly by (dx, 0).
Evaluator3 twoTriangles(double dx = 0.0)
{
    const OdGePoint2d a(0, 0), b(1, 0), c(1, 1), d(0, 1);
    std::vector<Evaluator3::Element> elements = {
        {{a, b, c}, {OdGeVector2d(0, 0), OdGeVector2d(0.1, 0), OdGeVector2d(0.1, 0.2)}},
        {{a, c, d}, {OdGeVector2d(dx, 0), OdGeVector2d(dx, 0), OdGeVector2d(dx, 0)}}};
    return Evaluator3(1.0, 0.0, fea2d::ePlanarStress, std::move(elements));
}

TEST(PointEvaluator, APointOnASharedEdgeIsAnsweredByTheFirstElement)
{
    const Evaluator3 evaluator = twoTriangles();
    double r = 0, s = 0;
    const auto found = evaluator.findElement(OdGePoint2d(0.5, 0.5), 0.0, r, s);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(*found, 0u);
    const auto values = evaluator.evaluate(OdGePoint2d(0.5, 0.5), 0.0);
    ASSERT_TRUE(values.has_value());
    // Interpolated in the first element: half way from (0, 0) to (0.1, 0.2).
    EXPECT_NEAR(values->displacement.x, 0.05, 1e-15);
    EXPECT_NEAR(values->displacement.y, 0.1, 1e-15);
}

TEST(PointEvaluator, AVertexReturnsItsDisplacementAndTheFirstElementsStress)
{
    const Evaluator3 evaluator = twoTriangles(0.0);
    const auto values = evaluator.evaluate(OdGePoint2d(1, 1), 0.0);
    ASSERT_TRUE(values.has_value());
    EXPECT_DOUBLE_EQ(values->displacement.x, 0.1);
    EXPECT_DOUBLE_EQ(values->displacement.y, 0.2);
    // The first element stretches by 0.1 in x and shears; the second moves rigidly and has no stress.
    EXPECT_GT(values->vonMises, 0.05);
    const auto inSecond = evaluator.evaluate(OdGePoint2d(0.2, 0.7), 0.0);
    ASSERT_TRUE(inSecond.has_value());
    EXPECT_EQ(inSecond->vonMises, 0.0);
}

TEST(PointEvaluator, PointsOutsideTheMeshOrOutsideTheDisplacedMeshHaveNoValue)
{
    const Evaluator3 evaluator = twoTriangles(0.5);
    EXPECT_FALSE(evaluator.evaluate(OdGePoint2d(1.5, 0.5), 0.0).has_value());
    EXPECT_FALSE(evaluator.evaluate(OdGePoint2d(-1e-9, 0.5), 0.0).has_value());
    // Within the parameter tolerance of an edge still counts as inside.
    EXPECT_TRUE(evaluator.evaluate(OdGePoint2d(-1e-13, 0.5), 0.0).has_value());
    // With scale 2 the second triangle has moved by 1 to the right: its undeformed interior is empty now,
    // and its displaced interior answers with the undisplaced parameters' values.
    EXPECT_FALSE(evaluator.evaluate(OdGePoint2d(0.1, 0.8), 2.0).has_value());
    const auto moved = evaluator.evaluate(OdGePoint2d(1.5, 0.9), 2.0);
    ASSERT_TRUE(moved.has_value());
    EXPECT_DOUBLE_EQ(moved->displacement.x, 0.5);
}

TEST(PointEvaluator, ADegenerateElementNeverContainsAPoint)
{
    const OdGePoint2d a(0, 0), b(1, 0), c(2, 0), d(0, 1);
    const OdGeVector2d zero;
    std::vector<Evaluator3::Element> elements = {{{a, b, c}, {zero, zero, zero}},
                                                 {{a, c, d}, {zero, OdGeVector2d(1, 0), zero}}};
    const Evaluator3 evaluator(1.0, 0.3, fea2d::ePlanarStress, std::move(elements));
    double r = 0, s = 0;
    const auto found = evaluator.findElement(OdGePoint2d(0.5, 0.0), 0.0, r, s);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(*found, 1u);
    EXPECT_FALSE(evaluator.findElementByScan(OdGePoint2d(0.5, 0.0), 0.0, r, s) != found);
}

TEST(PointEvaluator, SixNodeElementsInterpolateQuadratically)
{
    const std::array<OdGePoint2d, 6> p = {OdGePoint2d(0, 0), OdGePoint2d(2, 0), OdGePoint2d(0, 2),
                                          OdGePoint2d(1, 0), OdGePoint2d(1, 1), OdGePoint2d(0, 1)};
    // u = (x^2, x y), exactly representable.
    std::array<OdGeVector2d, 6> u;
    for (int k = 0; k < 6; ++k)
        u[k] = OdGeVector2d(p[k].x * p[k].x, p[k].x * p[k].y);
    const Evaluator6 evaluator(10.0, 0.3, fea2d::ePlanarStrain, {{p, u}});
    const auto values = evaluator.evaluate(OdGePoint2d(0.6, 0.5), 0.0);
    ASSERT_TRUE(values.has_value());
    EXPECT_NEAR(values->displacement.x, 0.36, 1e-15);
    EXPECT_NEAR(values->displacement.y, 0.3, 1e-15);
    // Only the corners locate a point: mid-side displacements do not move the displayed element.
    std::array<OdGeVector2d, 6> midOnly{};
    midOnly[4] = OdGeVector2d(10.0, 10.0);
    const Evaluator6 corners(10.0, 0.3, fea2d::ePlanarStrain, {{p, midOnly}});
    EXPECT_TRUE(corners.evaluate(OdGePoint2d(0.6, 0.5), 1.0).has_value());
    EXPECT_FALSE(corners.evaluate(OdGePoint2d(1.5, 1.5), 1.0).has_value());
}

/// Points that stress the search: random ones, exact vertices and edge midpoints, and points a hair either
/// side of edges, inside and around the mesh's extent.
std::vector<OdGePoint2d> probePoints(const TriangularMesh2d& mesh, std::mt19937& random, std::size_t count)
{
    double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
    for (const OdGePoint2d& p : mesh.vertices)
    {
        x0 = std::min(x0, p.x);
        y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x);
        y1 = std::max(y1, p.y);
    }
    const double margin = 0.1 * std::max(x1 - x0, y1 - y0);
    std::uniform_real_distribution<double> ux(x0 - margin, x1 + margin), uy(y0 - margin, y1 + margin);
    std::uniform_int_distribution<std::size_t> pick(0, mesh.triangles.size() - 1);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<OdGePoint2d> points;
    for (std::size_t i = 0; i < count; ++i)
    {
        const auto& t = mesh.triangles[pick(random)];
        const OdGePoint2d a = mesh.vertices[t[0]], b = mesh.vertices[t[1]];
        switch (i % 4)
        {
        case 0:
            points.emplace_back(ux(random), uy(random));
            break;
        case 1:
            points.push_back(a);
            break;
        case 2:
            points.emplace_back(0.5 * (a.x + b.x), 0.5 * (a.y + b.y));
            break;
        default:
        {
            const double w = unit(random);
            const double off = (unit(random) - 0.5) * 1e-11 * (x1 - x0);
            points.emplace_back(a.x + w * (b.x - a.x) + off, a.y + w * (b.y - a.y) - off);
        }
        }
    }
    return points;
}

template <std::size_t N>
void expectGridAgreesWithScan(const Solver2dPointEvaluatorImpl<std::array<OdGePoint2d, N>>& evaluator,
                              const std::vector<OdGePoint2d>& points, double scale)
{
    std::size_t found = 0;
    for (const OdGePoint2d& p : points)
    {
        double r1 = 0, s1 = 0, r2 = 0, s2 = 0;
        const auto byGrid = evaluator.findElement(p, scale, r1, s1);
        const auto byScan = evaluator.findElementByScan(p, scale, r2, s2);
        ASSERT_EQ(byGrid, byScan) << "point (" << p.x << ", " << p.y << ") scale " << scale;
        if (byGrid)
        {
            ++found;
            EXPECT_EQ(r1, r2);
            EXPECT_EQ(s1, s2);
        }
    }
    EXPECT_GT(found, points.size() / 4);
}

TEST(PointEvaluatorSearch, FindsTheSameFirstElementAsTheLinearScan)
{
    std::mt19937 random(testSeed(20240611));
    std::uniform_real_distribution<double> jitter(-0.3, 0.3);
    for (const double offset : {0.0, 1e6})
    {
        // A distorted structured mesh far from or at the origin, with random displacements.
        RectangleMesh rm = rectangleMesh(4.0, 2.0, 16, 8, offset, -offset);
        for (int j = 1; j < rm.ny; ++j)
            for (int i = 1; i < rm.nx; ++i)
            {
                OdGePoint2d& p = rm.mesh.vertices[rm.vertex(i, j)];
                p.x += jitter(random) * 0.25;
                p.y += jitter(random) * 0.25;
            }
        std::vector<Evaluator3::Element> elements;
        for (const auto& t : rm.mesh.triangles)
        {
            Evaluator3::Element e;
            for (int k = 0; k < 3; ++k)
            {
                e.positions[k] = rm.mesh.vertices[t[k]];
                e.displacements[k] = OdGeVector2d(0.05 * (e.positions[k].y + offset), jitter(random) * 0.01);
            }
            elements.push_back(e);
        }
        const Evaluator3 evaluator(1.0, 0.3, fea2d::ePlanarStress, elements);
        const std::vector<OdGePoint2d> points = probePoints(rm.mesh, random, 2000);
        // Undeformed, mildly deformed, and so strongly deformed that the elements overlap.
        for (const double scale : {0.0, 1.0, 40.0, 0.0})
            expectGridAgreesWithScan<3>(evaluator, points, scale);
    }
}

TEST(PointEvaluatorSearch, ThinAndDegenerateElementsDoNotEscapeTheSearch)
{
    std::mt19937 random(testSeed(7));
    // Slivers of all aspect ratios down to exactly flat, in element order mixed with ordinary triangles.
    TriangularMesh2d mesh;
    std::vector<Evaluator3::Element> elements;
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int i = 0; i < 300; ++i)
    {
        const OdGePoint2d a(unit(random) * 10, unit(random) * 10);
        const OdGePoint2d b(a.x + unit(random) * 3, a.y + unit(random) * 3);
        const double height = i % 3 == 0 ? 0.0 : std::pow(10.0, -16.0 * unit(random));
        const OdGePoint2d c(0.5 * (a.x + b.x) - height * (b.y - a.y),
                            0.5 * (a.y + b.y) + height * (b.x - a.x));
        mesh.vertices.insert(mesh.vertices.end(), {a, b, c});
        mesh.triangles.push_back({std::uint64_t(3 * i), std::uint64_t(3 * i + 1), std::uint64_t(3 * i + 2)});
        elements.push_back({{a, b, c}, {}});
    }
    const Evaluator3 evaluator(1.0, 0.3, fea2d::ePlanarStress, elements);
    for (const double scale : {0.0, 1.0})
    {
        std::size_t found = 0;
        for (const OdGePoint2d& p : probePoints(mesh, random, 4000))
        {
            double r1 = 0, s1 = 0, r2 = 0, s2 = 0;
            const auto byGrid = evaluator.findElement(p, scale, r1, s1);
            ASSERT_EQ(byGrid, evaluator.findElementByScan(p, scale, r2, s2)) << p.x << ", " << p.y;
            found += byGrid.has_value();
        }
        EXPECT_GT(found, 100u);
    }
}

TEST(PointEvaluatorSearch, NonFiniteValuesAnswerNothingAndDoNotBreakTheSearch)
{
    const Evaluator3 evaluator = twoTriangles(std::numeric_limits<double>::infinity());
    double r = 0, s = 0;
    EXPECT_EQ(evaluator.findElement(OdGePoint2d(0.5, 0.25), 1.0, r, s), std::optional<std::size_t>(0));
    EXPECT_FALSE(evaluator.findElement(OdGePoint2d(0.25, 0.5), 1.0, r, s).has_value());
    EXPECT_FALSE(evaluator.evaluate(OdGePoint2d(std::nan(""), 0.5), 0.0).has_value());
}

} // namespace
