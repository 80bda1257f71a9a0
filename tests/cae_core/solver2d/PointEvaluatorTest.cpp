#include "cae_core/solver2d/ElementLocator.h"
#include "cae_core/solver2d/detail/Solver2dPointEvaluatorImpl.h"
#include "tests/support/Seed.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace
{

using namespace cae_core;
using Evaluator3 = Solver2dPointEvaluatorImpl<std::array<OdGePoint2d, 3>>;
using Evaluator6 = Solver2dPointEvaluatorImpl<std::array<OdGePoint2d, 6>>;

/// Two triangles of the unit square sharing the diagonal 0-2: the first stretched and sheared, the second
/// moved rigidly by (dx, 0).
Evaluator3 twoTriangles(double dx = 0.0)
{
    const OdGePoint2d a(0, 0), b(1, 0), c(1, 1), d(0, 1);
    std::vector<Evaluator3::Element> elements = {
        {{a, b, c}, {OdGeVector2d(0, 0), OdGeVector2d(0.1, 0), OdGeVector2d(0.1, 0.2)}},
        {{a, c, d}, {OdGeVector2d(dx, 0), OdGeVector2d(dx, 0), OdGeVector2d(dx, 0)}}};
    return Evaluator3(1.0, 0.0, fea2d::ePlanarStress, std::move(elements));
}

TEST(PointEvaluator, PointsOnSharedEdgesAndVerticesAreAnsweredByTheFirstElementInOrder)
{
    const Evaluator3 evaluator = twoTriangles();
    // On the shared diagonal: interpolated in the first element, half way from (0, 0) to (0.1, 0.2).
    const auto onEdge = evaluator.evaluate(OdGePoint2d(0.5, 0.5), 0.0);
    ASSERT_TRUE(onEdge.has_value());
    EXPECT_NEAR(onEdge->displacement.x, 0.05, 1e-15);
    EXPECT_NEAR(onEdge->displacement.y, 0.1, 1e-15);
    // On a shared vertex: its displacement, and the stress of the first element (the second is unstressed).
    const auto onVertex = evaluator.evaluate(OdGePoint2d(1, 1), 0.0);
    ASSERT_TRUE(onVertex.has_value());
    EXPECT_DOUBLE_EQ(onVertex->displacement.x, 0.1);
    EXPECT_DOUBLE_EQ(onVertex->displacement.y, 0.2);
    EXPECT_GT(onVertex->vonMises, 0.05);
    const auto inSecond = evaluator.evaluate(OdGePoint2d(0.2, 0.7), 0.0);
    ASSERT_TRUE(inSecond.has_value());
    EXPECT_EQ(inSecond->vonMises, 0.0);
}

TEST(PointEvaluator, ThePointMustLieWithinTheParameterToleranceOfTheDisplayedMesh)
{
    const Evaluator3 evaluator = twoTriangles(0.5);
    EXPECT_FALSE(evaluator.evaluate(OdGePoint2d(1.5, 0.5), 0.0).has_value());
    // In the second triangle the parameter of the edge x = 0 is exactly x: 1e-12 outside still counts.
    EXPECT_TRUE(evaluator.evaluate(OdGePoint2d(-0.9e-12, 0.5), 0.0).has_value());
    EXPECT_FALSE(evaluator.evaluate(OdGePoint2d(-1.1e-12, 0.5), 0.0).has_value());
    // With scale 2 the second triangle has moved by 1 to the right: its undeformed interior is empty now,
    // and its displaced interior answers.
    EXPECT_FALSE(evaluator.evaluate(OdGePoint2d(0.1, 0.8), 2.0).has_value());
    const auto moved = evaluator.evaluate(OdGePoint2d(1.5, 0.9), 2.0);
    ASSERT_TRUE(moved.has_value());
    EXPECT_DOUBLE_EQ(moved->displacement.x, 0.5);
}

TEST(PointEvaluator, DegenerateAndNonFiniteElementsAndPointsAnswerNothing)
{
    const OdGePoint2d a(0, 0), b(1, 0), c(2, 0), d(0, 1);
    const OdGeVector2d zero;
    const Evaluator3 flat(1.0, 0.3, fea2d::ePlanarStress,
                          {{{a, b, c}, {zero, zero, zero}}, {{a, c, d}, {zero, OdGeVector2d(1, 0), zero}}});
    double r = 0, s = 0;
    EXPECT_EQ(flat.findElement(OdGePoint2d(0.5, 0.0), 0.0, r, s), std::optional<std::size_t>(1));

    const Evaluator3 infinite = twoTriangles(std::numeric_limits<double>::infinity());
    EXPECT_EQ(infinite.findElement(OdGePoint2d(0.5, 0.25), 1.0, r, s), std::optional<std::size_t>(0));
    EXPECT_FALSE(infinite.findElement(OdGePoint2d(0.25, 0.5), 1.0, r, s).has_value());
    EXPECT_FALSE(infinite.evaluate(OdGePoint2d(std::nan(""), 0.5), 0.0).has_value());
    EXPECT_FALSE(Evaluator3(1.0, 0.3, fea2d::ePlanarStress, {}).evaluate(OdGePoint2d(), 0.0).has_value());
}

TEST(PointEvaluator, SixNodeElementsInterpolateQuadraticallyAndAreLocatedByTheirCorners)
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
    // Mid-side displacements do not move the displayed element.
    std::array<OdGeVector2d, 6> midOnly{};
    midOnly[4] = OdGeVector2d(10.0, 10.0);
    const Evaluator6 corners(10.0, 0.3, fea2d::ePlanarStrain, {{p, midOnly}});
    EXPECT_TRUE(corners.evaluate(OdGePoint2d(0.6, 0.5), 1.0).has_value());
    EXPECT_FALSE(corners.evaluate(OdGePoint2d(1.5, 1.5), 1.0).has_value());
}

TEST(ElementLocator, FindsTheElementAndParametersTheEvaluatorsScanFinds)
{
    // A jittered grid of triangles, then the same grid again shifted by a third of a cell, so that most
    // points lie in two elements and only "first in element order" tells which answers. The queries are
    // vertices and edge midpoints (shared by several elements), random points, and points outside.
    std::mt19937 random(static_cast<unsigned>(test_support::testSeed()));
    std::uniform_real_distribution<double> jitter(-0.3, 0.3);
    constexpr int n = 12;
    std::vector<OdGePoint2d> grid;
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i)
        {
            const bool inner = i > 0 && j > 0 && i < n && j < n;
            grid.emplace_back(i + (inner ? jitter(random) : 0.0), j + (inner ? jitter(random) : 0.0));
        }
    std::vector<std::array<OdGePoint2d, 3>> corners;
    std::vector<Evaluator3::Element> elements;
    const OdGeVector2d zero;
    for (const OdGeVector2d shift : {OdGeVector2d(0, 0), OdGeVector2d(1.0 / 3, 1.0 / 3)})
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i)
            {
                const OdGePoint2d a = grid[j * (n + 1) + i] + shift, b = grid[j * (n + 1) + i + 1] + shift,
                                  c = grid[(j + 1) * (n + 1) + i + 1] + shift,
                                  d = grid[(j + 1) * (n + 1) + i] + shift;
                for (const std::array<OdGePoint2d, 3>& t : {std::array{a, b, c}, std::array{a, c, d}})
                {
                    corners.push_back(t);
                    elements.push_back({t, {zero, zero, zero}});
                }
            }
    const ElementLocator locator(corners);
    const Evaluator3 evaluator(1.0, 0.3, fea2d::ePlanarStress, std::move(elements));

    std::vector<OdGePoint2d> queries;
    for (const auto& t : corners)
        for (int k = 0; k < 3; ++k)
        {
            queries.push_back(t[k]);
            queries.emplace_back((t[k].x + t[(k + 1) % 3].x) / 2, (t[k].y + t[(k + 1) % 3].y) / 2);
        }
    std::uniform_real_distribution<double> anywhere(-2.0, n + 2.0);
    for (int k = 0; k < 2000; ++k)
        queries.emplace_back(anywhere(random), anywhere(random));
    for (const OdGePoint2d& p : queries)
    {
        double r = 0.0, s = 0.0;
        const std::optional<std::size_t> scanned = evaluator.findElement(p, 0.0, r, s);
        const std::optional<ElementLocator::Hit> hit = locator.locate(p);
        ASSERT_EQ(hit.has_value(), scanned.has_value()) << p.x << ", " << p.y;
        if (!hit)
            continue;
        ASSERT_EQ(hit->element, *scanned) << p.x << ", " << p.y;
        ASSERT_TRUE(hit->r == r && hit->s == s) << p.x << ", " << p.y;
    }
}

} // namespace
