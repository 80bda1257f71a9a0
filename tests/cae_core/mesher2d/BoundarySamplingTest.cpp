#include "cae_core/mesher2d/BoundarySampling.h"
#include "cae_core/mesher2d/RefinementRegion.h"

#include "platform/ge/GeNurbCurve3d.h"
#include "tests/cae_core/mesher2d/MesherTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <utility>

using cae_core::BoundaryLoop;
using cae_core::BoundaryVertex;
using mesher_test::line;

namespace
{
/// Every segment of the loop, the closing one included, has the given length.
void expectEvenSpacing(const BoundaryLoop& loop, double spacing)
{
    for (std::size_t i = 0; i < loop.size(); ++i)
        EXPECT_NEAR(loop[i].position().distanceTo(loop[(i + 1) % loop.size()].position()), spacing, 1e-12)
            << "segment " << i;
}

bool sameVertex(const BoundaryVertex& a, const BoundaryVertex& b)
{
    return a.curve == b.curve && a.param == b.param;
}
} // namespace

TEST(BoundarySampling, SplitsEachSideOfASquareIntoWholeMeshSizes)
{
    const auto loops = cae_core::sampleBoundaries(mesher_test::makeRectangle(0, 0, 10, 10), 2.5, 1);
    ASSERT_EQ(loops.size(), 1u);
    ASSERT_EQ(loops[0].size(), 16u);
    expectEvenSpacing(loops[0], 2.5);
    EXPECT_TRUE(loops[0][0].position().isEqualTo(OdGePoint2d(0, 0)));
    // Four vertices per side, all sharing that side's curve.
    for (std::size_t side = 0; side < 4; ++side)
        for (std::size_t k = 1; k < 4; ++k)
            EXPECT_EQ(loops[0][4 * side + k].curve, loops[0][4 * side].curve);
}

TEST(BoundarySampling, ChainsEdgesGivenInEitherDirection)
{
    // Sides 2 and 4 run against the loop.
    const auto region = mesher_test::makeRegion(
        {{line(0, 0, 10, 0), line(10, 10, 10, 0), line(10, 10, 0, 10), line(0, 0, 0, 10)}});
    const auto loops = cae_core::sampleBoundaries(region, 2.5, 1);
    ASSERT_EQ(loops.size(), 1u);
    ASSERT_EQ(loops[0].size(), 16u);
    expectEvenSpacing(loops[0], 2.5);
}

TEST(BoundarySampling, PutsTheOuterLoopFirstAndSamplesACircleWithoutRepeatingItsStart)
{
    const double r = 2.0;
    const auto loops = cae_core::sampleBoundaries(mesher_test::makePlateWithHole(10, 10, 5, 5, r), 1.0, 1);
    ASSERT_EQ(loops.size(), 2u);
    EXPECT_EQ(loops[0].size(), 40u);
    // n = ceil(4 pi) = 13 pieces of the closed circle take 14 evenly spaced samples, none repeated.
    const auto n = static_cast<std::size_t>(std::ceil(2 * std::numbers::pi * r / 1.0));
    ASSERT_EQ(loops[1].size(), n + 1);
    expectEvenSpacing(loops[1], 2 * r * std::sin(std::numbers::pi / static_cast<double>(n + 1)));
    for (const BoundaryVertex& v : loops[1])
        EXPECT_NEAR(v.position().distanceTo(OdGePoint2d(5, 5)), r, 1e-12);
}

TEST(BoundarySampling, SplitsACurvedSplineIntoEqualArcLengthsWithoutItsEnd)
{
    OdGePoint3dArray fit{OdGePoint3d(0, 0, 0), OdGePoint3d(3, 2, 0), OdGePoint3d(6, 0, 0),
                         OdGePoint3d(9, 2, 0)};
    const OdSharedPtr<OdGeCurve3d> spline(new OdGeNurbCurve3d(fit));
    OdGeInterval interval;
    spline->getInterval(interval);
    const double length = spline->length(interval.lowerBound(), interval.upperBound());

    std::vector<BoundaryVertex> samples;
    cae_core::detail::sampleCurve(spline, 1.0, 3, samples);
    const auto n = static_cast<std::size_t>(std::ceil(length));
    ASSERT_EQ(samples.size(), n); // pointsPerSegment plays no part for curves other than lines and arcs
    EXPECT_EQ(samples[0].param, interval.lowerBound());
    for (std::size_t i = 0; i + 1 < samples.size(); ++i)
        EXPECT_NEAR(spline->length(samples[i].param, samples[i + 1].param), length / n, 1e-8);
    EXPECT_NEAR(spline->length(samples.back().param, interval.upperBound()), length / n, 1e-8);
}

TEST(BoundarySampling, SplitsLinesIntoPointsPerSegmentPiecesPerMeshSize)
{
    std::vector<BoundaryVertex> samples;
    cae_core::detail::sampleCurve(line(0, 0, 10, 0), 2.5, 2, samples);
    ASSERT_EQ(samples.size(), 8u);
    EXPECT_DOUBLE_EQ(samples[1].position().x, 1.25);
    EXPECT_DOUBLE_EQ(samples.back().position().x, 8.75);
}

TEST(BoundarySampling, GivesNoVerticesWhenTheCountIsBeyondAnyMeshOrNotANumber)
{
    const auto side = line(0, 0, 10, 0);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // (size, pointsPerSegment): 0 and NaN sizes; 4 pieces of +-1e9 points each overflow an int;
    // 1e8 pieces are far more than any triangle budget can mesh.
    for (const auto& [size, perSegment] :
         {std::pair{0.0, 1}, {nan, 1}, {2.5, 1000000000}, {2.5, -1000000000}, {1e-7, 1}})
    {
        std::vector<BoundaryVertex> samples;
        cae_core::detail::sampleCurve(side, size, perSegment, samples);
        EXPECT_TRUE(samples.empty()) << size << " " << perSegment;
    }
}

TEST(BoundaryRefinement, ResamplesAtTheFinerSizeOnlyInsideTheRegion)
{
    const auto region = mesher_test::makeRectangle(0, 0, 10, 10);
    const auto before = cae_core::sampleBoundaries(region, 2.5, 1);
    auto loops = before;
    const cae_core::RefinementCircle circle(OdGePoint2d(0, 0), 3.0);
    const auto inside = [&](BoundaryVertex v) { return circle.containsPoint(v.position()); };
    ASSERT_TRUE(cae_core::refineBoundaries(loops, inside, 1.25));
    ASSERT_EQ(loops.size(), 1u);

    // Outside: exactly the old vertices, in the old order.
    std::vector<BoundaryVertex> oldOutside, newOutside;
    for (const BoundaryVertex& v : before[0])
        if (!inside(v))
            oldOutside.push_back(v);
    for (const BoundaryVertex& v : loops[0])
        if (!inside(v))
            newOutside.push_back(v);
    ASSERT_EQ(newOutside.size(), oldOutside.size());
    for (std::size_t i = 0; i < oldOutside.size(); ++i)
        EXPECT_TRUE(sameVertex(newOutside[i], oldOutside[i])) << i;

    // Inside: exactly the samples at half the spacing that lie inside, curve by curve.
    std::vector<BoundaryVertex> expectedInside;
    for (const BoundaryVertex& v : before[0])
        if (&v == &before[0].front() || v.curve != (&v - 1)->curve)
        {
            std::vector<BoundaryVertex> samples;
            cae_core::detail::sampleCurve(v.curve, 1.25, 1, samples);
            for (const BoundaryVertex& s : samples)
                if (inside(s))
                    expectedInside.push_back(s);
        }
    std::vector<BoundaryVertex> actualInside;
    for (const BoundaryVertex& v : loops[0])
        if (inside(v))
            actualInside.push_back(v);
    ASSERT_EQ(actualInside.size(), expectedInside.size());
    for (std::size_t i = 0; i < actualInside.size(); ++i)
        EXPECT_EQ(actualInside[i].position().distanceTo(expectedInside[i].position()), 0.0) << i;
    // (0,0), (1.25,0), (2.5,0) on the bottom and (0,2.5), (0,1.25) on the left: two more vertices.
    EXPECT_EQ(loops[0].size(), 18u);

    // Within each curve the vertices still run forward.
    for (std::size_t i = 0; i + 1 < loops[0].size(); ++i)
    {
        if (loops[0][i].curve == loops[0][i + 1].curve)
        {
            EXPECT_LT(loops[0][i].param, loops[0][i + 1].param);
        }
    }
}

TEST(BoundaryRefinement, RefusesVerticesOffTheirCurveAndLeavesTheLoopsAlone)
{
    const auto everywhere = [](BoundaryVertex) { return true; };
    std::vector<BoundaryLoop> loops{{{line(0, 0, 1, 0), 0.0}, {line(1, 0, 0, 1), 2.0}}};
    EXPECT_FALSE(cae_core::refineBoundaries(loops, everywhere, 0.1));
    EXPECT_EQ(loops[0].size(), 2u);

    std::vector<BoundaryLoop> withoutCurve{{{line(0, 0, 1, 0), 0.0}, {nullptr, 0.0}}};
    EXPECT_FALSE(cae_core::refineBoundaries(withoutCurve, everywhere, 0.1));
    EXPECT_EQ(withoutCurve[0].size(), 2u);
}

TEST(BoundaryRefinement, FailsWhenARunWouldBecomeEmptyOrCannotBeFoundAgain)
{
    // Line a runs over parameters 0 to 1 and is 4 long; sampled at size 1 it gives 0, 0.25, 0.5, 0.75.
    const OdSharedPtr<OdGeCurve3d> a = line(0, 0, 4, 0);
    const OdSharedPtr<OdGeCurve3d> b = line(4, 0, 0, 3);
    const auto onAFrom = [&](double from)
    { return [&a, from](BoundaryVertex v) { return v.curve == a && v.param >= from; }; };

    // Every vertex of the run is inside, but none of a's new samples is: nothing would remain.
    std::vector<BoundaryLoop> emptied{{{a, 0.8}, {a, 0.9}, {b, 0.0}}};
    EXPECT_FALSE(cae_core::refineBoundaries(emptied, onAFrom(0.8), 1.0));

    // a recurs. Its second run (0.5, 0.6) is looked for from the loop's start and first met in the first
    // run's replacement, at the new 0.5, which is followed by 0.75, not 0.6.
    std::vector<BoundaryLoop> unmatched{{{a, 0.0}, {a, 0.5}, {b, 0.0}, {a, 0.5}, {a, 0.6}}};
    EXPECT_FALSE(cae_core::refineBoundaries(unmatched, onAFrom(0.0), 1.0));
}

TEST(BoundaryRefinement, FindsARunAgainFromTheStartOfItsLoop)
{
    // Curve a recurs after curve b, so its second run is searched for from the loop's start and
    // found inside the first run's replacement, where it is replaced again.
    const OdSharedPtr<OdGeCurve3d> a = line(0, 0, 4, 0);
    const OdSharedPtr<OdGeCurve3d> b = line(4, 0, 0, 3);
    std::vector<BoundaryLoop> loops{{{a, 0.0}, {a, 0.5}, {b, 0.0}, {a, 0.75}}};
    ASSERT_TRUE(cae_core::refineBoundaries(
        loops, [&](BoundaryVertex v) { return v.curve == a; }, 1.0));
    const std::vector<double> expected{0.0, 0.25, 0.5, 0.0, 0.25, 0.5, 0.75, 0.0, 0.75};
    ASSERT_EQ(loops[0].size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
    {
        EXPECT_EQ(loops[0][i].curve, i == 7 ? b : a) << i;
        EXPECT_DOUBLE_EQ(loops[0][i].param, expected[i]) << i;
    }
}
