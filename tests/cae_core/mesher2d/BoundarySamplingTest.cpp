#include "cae_core/mesher2d/BoundarySampling.h"
#include "cae_core/mesher2d/RefinementRegion.h"

#include "platform/ge/GeExternalCurve3d.h"
#include "platform/ge/GeNurbCurve3d.h"
#include "tests/cae_core/mesher2d/MesherTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <numbers>

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
    cae_core::detail::sampleCurve(spline, 1.0, 3, samples);
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
        cae_core::detail::sampleCurve(c.curve, c.size, c.perSegment, samples);
        EXPECT_EQ(samples.size(), c.count) << c.size << " " << c.perSegment;
    }
    std::vector<BoundaryVertex> halves;
    cae_core::detail::sampleCurve(side, 2.5, 2, halves);
    EXPECT_DOUBLE_EQ(halves[1].position().x, 1.25);
    EXPECT_DOUBLE_EQ(halves.back().position().x, 8.75);
}

TEST(BoundaryRefinement, ResamplesAtTheFinerSizeOnlyInsideTheRegion)
{
    const auto before = cae_core::sampleBoundaries(mesher_test::makeRectangle(0, 0, 10, 10), 2.5, 1);
    auto loops = before;
    const cae_core::RefinementCircle circle(OdGePoint2d(0, 0), 3.0);
    const auto inside = [&](BoundaryVertex v) { return circle.containsPoint(v.position()); };
    ASSERT_TRUE(cae_core::refineBoundaries(loops, inside, 1.25));
    ASSERT_EQ(loops.size(), 1u);
    const auto select = [](const BoundaryLoop& loop, const auto& keep)
    {
        BoundaryLoop kept;
        std::copy_if(loop.begin(), loop.end(), std::back_inserter(kept), keep);
        return kept;
    };
    const auto outside = [&](BoundaryVertex v) { return !inside(v); };

    // Outside: exactly the old vertices, in the old order.
    const BoundaryLoop oldOutside = select(before[0], outside), newOutside = select(loops[0], outside);
    ASSERT_EQ(newOutside.size(), oldOutside.size());
    for (std::size_t i = 0; i < oldOutside.size(); ++i)
        EXPECT_TRUE(sameVertex(newOutside[i], oldOutside[i])) << i;

    // Inside: exactly the samples at half the spacing that lie inside, curve by curve: (0, 0), (1.25, 0),
    // (2.5, 0) on the bottom and (0, 2.5), (0, 1.25) on the left, two more vertices than before.
    BoundaryLoop expectedInside;
    for (std::size_t k = 0; k < before[0].size(); k += 4)
    {
        BoundaryLoop samples;
        cae_core::detail::sampleCurve(before[0][k].curve, 1.25, 1, samples);
        const BoundaryLoop in = select(samples, inside);
        expectedInside.insert(expectedInside.end(), in.begin(), in.end());
    }
    const BoundaryLoop actualInside = select(loops[0], inside);
    ASSERT_EQ(actualInside.size(), expectedInside.size());
    for (std::size_t i = 0; i < actualInside.size(); ++i)
        EXPECT_TRUE(sameVertex(actualInside[i], expectedInside[i])) << i;
    EXPECT_EQ(loops[0].size(), 18u);

    // Within each curve the vertices still run forward.
    for (std::size_t i = 0; i + 1 < loops[0].size(); ++i)
        EXPECT_TRUE(loops[0][i].curve != loops[0][i + 1].curve || loops[0][i].param < loops[0][i + 1].param)
            << i;
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
