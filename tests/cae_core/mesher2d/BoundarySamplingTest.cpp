#include "cae_core/mesher2d/BoundarySampling.h"
#include "cae_core/mesher2d/RefinementRegion.h"

#include "platform/ge/GeExternalCurve3d.h"
#include "platform/ge/GeNurbCurve3d.h"
#include "tests/cae_core/mesher2d/MesherTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <utility>

using cae_core::BoundaryVertex;
using cae_core::SampledLoop;
using mesher_test::line;

namespace
{
/// Every segment of the loop, the closing one included, has the given length.
void expectEvenSpacing(const SampledLoop& loop, double spacing)
{
    for (std::size_t i = 0; i < loop.size(); ++i)
        EXPECT_NEAR(loop[i].position().distanceTo(loop[(i + 1) % loop.size()].position()), spacing, 1e-12)
            << "segment " << i;
}

/// Expects the loop to be exactly these (curve, parameter) vertices.
void expectLoop(const SampledLoop& loop,
                const std::vector<std::pair<OdSharedPtr<OdGeCurve3d>, double>>& expected)
{
    ASSERT_EQ(loop.size(), expected.size());
    for (std::size_t i = 0; i < loop.size(); ++i)
        EXPECT_TRUE(loop[i].curve == expected[i].first && loop[i].param == expected[i].second)
            << "vertex " << i << " has parameter " << loop[i].param;
}
} // namespace

TEST(BoundarySampling, SplitsEachSideOfASquareIntoWholeMeshSizesWhicheverWayItsEdgesRun)
{
    // The second region has its sides 2 and 4 running against the loop.
    for (const auto& region : {mesher_test::makeRectangle(0, 0, 10, 10),
                               mesher_test::makeRegion({{line(0, 0, 10, 0), line(10, 10, 10, 0),
                                                         line(10, 10, 0, 10), line(0, 0, 0, 10)}})})
    {
        const auto loops = cae_core::sampleBoundaries(region, 2.5, 1);
        ASSERT_EQ(loops.size(), 1u);
        ASSERT_EQ(loops[0].size(), 16u);
        expectEvenSpacing(loops[0], 2.5);
        EXPECT_TRUE(loops[0][0].position().isEqualTo(OdGePoint2d(0, 0)));
        // Four vertices per side, all sharing that side's curve.
        for (std::size_t k = 0; k < 16; ++k)
            EXPECT_EQ(loops[0][k].curve, loops[0][k - k % 4].curve);
    }
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
    const OdSharedPtr<OdGeCurve3d> spline(new OdGeNurbCurve3d(OdGePoint3dArray{
        OdGePoint3d(0, 0, 0), OdGePoint3d(3, 2, 0), OdGePoint3d(6, 0, 0), OdGePoint3d(9, 2, 0)}));
    OdGeInterval interval;
    spline->getInterval(interval);
    const double length = spline->length(interval.lowerBound(), interval.upperBound());

    std::vector<BoundaryVertex> samples;
    cae_core::mesher2d::detail::sampleCurve(spline, 1.0, 3, samples);
    const auto n = static_cast<std::size_t>(std::ceil(length));
    ASSERT_EQ(samples.size(), n); // pointsPerSegment plays no part for curves other than lines and arcs
    EXPECT_EQ(samples[0].param, interval.lowerBound());
    for (std::size_t i = 0; i + 1 < samples.size(); ++i)
        EXPECT_NEAR(spline->length(samples[i].param, samples[i + 1].param), length / n, 1e-8);
    EXPECT_NEAR(spline->length(samples.back().param, interval.upperBound()), length / n, 1e-8);
}

TEST(BoundarySampling, CountsSamplesOfLinesByPointsPerSegmentAndRefusesCountsBeyondAnyMesh)
{
    const auto side = line(0, 0, 10, 0);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case
    {
        OdSharedPtr<OdGeCurve3d> curve;
        double size;
        int perSegment;
        std::size_t count;
    };
    const Case cases[] = {
        {side, 2.5, 2, 8},             // 4 pieces of 2 points: 9 samples, the end dropped
        {line(3, 3, 3, 3), 2.5, 1, 1}, // zero length: its start, which is also its end
        {OdSharedPtr<OdGeCurve3d>(new OdGeExternalCurve3d()), 1.0, 1, 0}, // unbounded
        {side, 0.0, 1, 0},
        {side, nan, 1, 0},
        {side, 2.5, 1000000000, 0}, // 4 pieces of +-1e9 points overflow an int
        {side, 2.5, -1000000000, 0},
        {side, 1e-7, 1, 0}, // 1e8 pieces: far more than any triangle budget can mesh
    };
    for (const Case& c : cases)
    {
        std::vector<BoundaryVertex> samples;
        cae_core::mesher2d::detail::sampleCurve(c.curve, c.size, c.perSegment, samples);
        EXPECT_EQ(samples.size(), c.count) << c.size << " " << c.perSegment;
        // The first case's samples lie at the quarters of the pieces.
        EXPECT_TRUE(c.count != 8 || (samples[1].position().x == 1.25 && samples.back().position().x == 8.75));
    }
}

TEST(BoundaryRefinement, KeepsTheVerticesOutsideAndResamplesAtTheFinerSizeInsideInCurveOrder)
{
    auto loops = cae_core::sampleBoundaries(mesher_test::makeRectangle(0, 0, 10, 10), 2.5, 1);
    const cae_core::RefinementCircle circle(OdGePoint2d(0, 0), 3.0);
    ASSERT_TRUE(cae_core::refineBoundaries(
        loops, [&](BoundaryVertex v) { return circle.containsPoint(v.position()); }, 1.25));
    ASSERT_EQ(loops.size(), 1u);
    // Sides run over parameters 0 to 1 from (0, 0) counter-clockwise; the old vertices are at quarters.
    // Inside the circle the bottom now has (0, 0), (1.25, 0), (2.5, 0) and the left side (0, 2.5), (0, 1.25).
    const auto bottom = loops[0][0].curve, right = loops[0][5].curve, top = loops[0][9].curve,
               left = loops[0][13].curve;
    expectLoop(loops[0], {{bottom, 0.0},
                          {bottom, 0.125},
                          {bottom, 0.25},
                          {bottom, 0.5},
                          {bottom, 0.75},
                          {right, 0.0},
                          {right, 0.25},
                          {right, 0.5},
                          {right, 0.75},
                          {top, 0.0},
                          {top, 0.25},
                          {top, 0.5},
                          {top, 0.75},
                          {left, 0.0},
                          {left, 0.25},
                          {left, 0.5},
                          {left, 0.75},
                          {left, 0.875}});
    EXPECT_TRUE(bottom != right && right != top && top != left && left != bottom);
}

TEST(BoundaryRefinement, RefusesVerticesWithoutACurveOrOffItAndLeavesTheLoopsAlone)
{
    const auto everywhere = [](BoundaryVertex) { return true; };
    for (const OdSharedPtr<OdGeCurve3d>& second : {line(1, 0, 0, 1), OdSharedPtr<OdGeCurve3d>()})
    {
        std::vector<SampledLoop> loops{{{line(0, 0, 1, 0), 0.0}, {second, 2.0}}};
        EXPECT_FALSE(cae_core::refineBoundaries(loops, everywhere, 0.1));
        EXPECT_EQ(loops[0].size(), 2u);
    }
}

TEST(BoundaryRefinement, FindsEachRunAgainFromTheStartOfItsLoopAndFailsWhenOneIsMissingOrWouldBeEmpty)
{
    // Line a runs over parameters 0 to 1 and is 4 long; sampled at size 1 it gives 0, 0.25, 0.5, 0.75.
    const OdSharedPtr<OdGeCurve3d> a = line(0, 0, 4, 0);
    const OdSharedPtr<OdGeCurve3d> b = line(4, 0, 0, 3);
    const auto onAFrom = [&](double from)
    { return [&a, from](BoundaryVertex v) { return v.curve == a && v.param >= from; }; };

    // a recurs after b, so its second run is searched for from the loop's start and found inside the first
    // run's replacement, where it is replaced again.
    std::vector<SampledLoop> loops{{{a, 0.0}, {a, 0.5}, {b, 0.0}, {a, 0.75}}};
    ASSERT_TRUE(cae_core::refineBoundaries(loops, onAFrom(0.0), 1.0));
    expectLoop(
        loops[0],
        {{a, 0.0}, {a, 0.25}, {a, 0.5}, {a, 0.0}, {a, 0.25}, {a, 0.5}, {a, 0.75}, {b, 0.0}, {a, 0.75}});

    // The second run (0.5, 0.6) is first met in the first run's replacement, at the new 0.5, which is
    // followed by 0.75, not 0.6.
    std::vector<SampledLoop> unmatched{{{a, 0.0}, {a, 0.5}, {b, 0.0}, {a, 0.5}, {a, 0.6}}};
    EXPECT_FALSE(cae_core::refineBoundaries(unmatched, onAFrom(0.0), 1.0));
    // Every vertex of the run is inside, but none of a's new samples is: nothing would remain.
    std::vector<SampledLoop> emptied{{{a, 0.8}, {a, 0.9}, {b, 0.0}}};
    EXPECT_FALSE(cae_core::refineBoundaries(emptied, onAFrom(0.8), 1.0));
}
