#include "cae_core/glyphs/detail/GlyphGeometry.h"

#include "platform/ge/GeCircArc3d.h"
#include "platform/ge/GeLineSeg3d.h"
#include "platform/ge/GeNurbCurve3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace
{
using namespace cae_core::fea2d::detail;
constexpr double kPi = std::numbers::pi;
/// Closed-form coordinates of values up to a few hundred.
constexpr double kExact = 1e-9;
const OdGeVector3d kZ = OdGeVector3d::kZAxis;

#define EXPECT_AT(p, xx, yy)                                                                                 \
    EXPECT_LE((p).distanceTo(OdGePoint3d(xx, yy, 0)), kExact) << "at (" << (p).x << ", " << (p).y << ")"

OdSharedPtr<OdGeCurve3d> line(double x0, double y0, double x1, double y1)
{
    return OdSharedPtr<OdGeCurve3d>(new OdGeLineSeg3d(OdGePoint3d(x0, y0, 0), OdGePoint3d(x1, y1, 0)));
}

/// The square [0, 100]^2 counter-clockwise: bottom, right, top, left.
CurveArray square()
{
    return {line(0, 0, 100, 0), line(100, 0, 100, 100), line(100, 100, 0, 100), line(0, 100, 0, 0)};
}

/// A full circle about the origin, counter-clockwise (an outer loop) or clockwise (a hole).
CurveArray circle(double radius, bool clockwise)
{
    auto* c = new OdGeCircArc3d(OdGePoint3d(0, 0, 0), kZ, radius);
    if (clockwise)
        c->reverseParam();
    return {OdSharedPtr<OdGeCurve3d>(c)};
}

OdGePoint3d pt(double x, double y)
{
    return OdGePoint3d(x, y, 0);
}

TEST(PointGlyphs, PointLoadArrowComesFromBehindItsDirectionAndScalesWithTheGlyphSize)
{
    for (const double s : {1.0, 2.0})
    {
        const PointLoadGlyph g = pointLoadGlyph(pt(0, 0), OdGeVector3d(0, -1, 0), s);
        EXPECT_AT(g.arrow.tip, 0, 0);
        EXPECT_AT(g.arrow.tail, 0, 25 * s);
        EXPECT_AT(g.arrow.head[0], 0, 0);
        EXPECT_AT(g.arrow.head[1], -2 * s, 10 * s);
        EXPECT_AT(g.arrow.head[2], 2 * s, 10 * s);
        EXPECT_AT(g.labelPosition, 0, 25.5 * s);
        EXPECT_EQ(g.labelHeight, 6 * s);
    }
}

TEST(PointGlyphs, PointSupportStandsOnAGroundLineWithTheHatchBehindTheOutermostLine)
{
    // Pushing down at the origin: the triangle stands above it, the ground 12 higher.
    for (const bool rolling : {false, true})
    {
        const PointSupportGlyph g = pointSupportGlyph(pt(0, 0), OdGeVector3d(0, -1, 0), rolling, 1.0);
        EXPECT_AT(g.triangle[0], 0, 0);
        EXPECT_AT(g.triangle[1], -9, 12);
        EXPECT_AT(g.triangle[2], 9, 12);
        ASSERT_EQ(g.groundLines.size(), rolling ? 2u : 1u);
        const double back = rolling ? 14 : 12;
        EXPECT_AT(g.groundLines.back()[0], -20, back);
        EXPECT_AT(g.groundLines.back()[1], 20, back);
        ASSERT_EQ(g.hatch.loops.size(), 1u);
        const OdGePoint2dArray& v = g.hatch.loops[0].vertices;
        ASSERT_EQ(v.size(), 4u);
        const double expected[4][2] = {{-20, back}, {-20, back + 4}, {20, back + 4}, {20, back}};
        for (unsigned i = 0; i < 4; ++i)
            EXPECT_LE((v[i] - OdGePoint2d(expected[i][0], expected[i][1])).length(), kExact) << i;
        EXPECT_NEAR(g.hatch.patternAngle, kPi, kExact);
        EXPECT_EQ(g.hatch.patternScale, 0.5);
    }
    // Pushing right, the pattern turns with the support: angle 0 - pi/2 normalised.
    EXPECT_NEAR(pointSupportGlyph(pt(0, 0), OdGeVector3d(1, 0, 0), false, 1.0).hatch.patternAngle, 1.5 * kPi,
                kExact);
}

TEST(SegmentChain, WalksFromTheStartCurveRoundTheLoopToTheEndCurveAndMeasuresTheWalk)
{
    const CurveArray sq = square();
    const struct
    {
        const char* what;
        OdGePoint3d a, b;
        unsigned curves;
        double length;
    } cases[] = {
        {"one edge", pt(10, 0), pt(60, 0), 1, 50},
        {"end before start on one edge goes round", pt(60, 0), pt(10, 0), 5, 350},
        {"end at the start measures the whole edge", pt(30, 0), pt(30, 0), 1, 100},
        {"round a corner", pt(50, 0), pt(100, 50), 2, 100},
        {"start on a curve's end drops that curve", pt(100, 0), pt(100, 50), 1, 50},
        {"end on a curve's start drops that curve", pt(50, 0), pt(100, 0), 1, 50},
        {"flipped walk", pt(100, 50), pt(50, 0), 4, 300},
        {"off the boundary", pt(50, 1), pt(100, 50), 0, 0},
    };
    for (const auto& c : cases)
    {
        const CurveArray chain = segmentChain(sq, c.a, c.b);
        EXPECT_EQ(chain.size(), c.curves) << c.what;
        EXPECT_NEAR(chainLength(chain, c.a, c.b), c.length, kExact) << c.what;
    }
    for (const bool hole : {false, true})
    {
        const CurveArray c = circle(10, hole);
        // A quarter one way, three quarters the other.
        const double quarter = 5 * kPi, rest = 15 * kPi;
        EXPECT_NEAR(chainLength(segmentChain(c, pt(10, 0), pt(0, 10)), pt(10, 0), pt(0, 10)),
                    hole ? rest : quarter, kExact);
        EXPECT_NEAR(chainLength(segmentChain(c, pt(0, 10), pt(10, 0)), pt(0, 10), pt(10, 0)),
                    hole ? quarter : rest, kExact);
        EXPECT_NEAR(chainLength(segmentChain(c, pt(0, 10), pt(0, 10)), pt(0, 10), pt(0, 10)), 20 * kPi,
                    kExact)
            << "end at the start goes once round";
    }
}

TEST(GlyphPositions, KeepBothEndsAndSpaceInnerGlyphsEvenlyEvery25GlyphSizes)
{
    const struct
    {
        double length;
        double s;
        int count;
    } cases[] = {{60, 1, 3},
                 {49, 1, 2},
                 {50, 1, 3},
                 {120, 2, 3},
                 {10, 1, 2},
                 {200, 1, 9},
                 // Millions of glyph sizes long: the count stops at its bound (and stays in range of int).
                 {1e12, 1, 10002}};
    for (const auto& c : cases)
    {
        const OdGeLineSeg3d edge(pt(0, 0), pt(c.length, 0));
        const OdGeDoubleArray t = glyphParams(edge, 0.0, 1.0, 18 * c.s, 7 * c.s);
        ASSERT_EQ(static_cast<int>(t.size()), c.count) << c.length;
        for (int k = 0; k < c.count; ++k)
            EXPECT_NEAR(t[k], static_cast<double>(k) / (c.count - 1), kExact) << c.length << " glyph " << k;
    }
    // Half a circle of radius 20 from the bottom, over its end, to the top: 62.8 long, one inner
    // glyph, which stands on the end point (20, 0).
    const CurveArray c = circle(20, false);
    const OdGeDoubleArray t = glyphParams(*c[0], 1.5 * kPi, 0.5 * kPi, 18, 7);
    ASSERT_EQ(t.size(), 3u);
    EXPECT_AT(c[0]->evalPoint(t[1]), 20, 0);
    EXPECT_AT(c[0]->evalPoint(t[2]), 0, 20);
}

TEST(DistributedLoad, ArrowsPushIntoTheRegionAlongStraightEdgesArcsAndRoundCorners)
{
    const CurveArray sq = square();
    // Relative angle pi/2 on the bottom edge: tails 25 below, pointing up.
    auto pcs = pieces(segmentChain(sq, pt(20, 0), pt(80, 0)), false, pt(20, 0), pt(80, 0));
    ASSERT_EQ(pcs.size(), 1u);
    DistributedLoadPiece load = distributedLoadPiece(pcs[0], true, kPi / 2, 1.0);
    ASSERT_EQ(load.arrows.size(), 3u);
    for (int k = 0; k < 3; ++k)
        EXPECT_AT(load.arrows[k].tail, 20 + 30 * k, -25);
    EXPECT_AT(load.labelAnchor, 80, -25);
    // An absolute angle of pi/2 comes from above whatever the edge.
    load = distributedLoadPiece(pcs[0], false, kPi / 2, 1.0);
    EXPECT_AT(load.arrows[0].tail, 20, 25);

    // Round the corner (100, 0): both pieces keep their end arrows, as the normals differ there.
    pcs = pieces(segmentChain(sq, pt(50, 0), pt(100, 50)), false, pt(50, 0), pt(100, 50));
    ASSERT_EQ(pcs.size(), 2u);
    EXPECT_EQ(distributedLoadPiece(pcs[0], true, kPi / 2, 1.0).arrows.size(), 3u);
    const DistributedLoadPiece up = distributedLoadPiece(pcs[1], true, kPi / 2, 1.0);
    ASSERT_EQ(up.arrows.size(), 3u);
    EXPECT_AT(up.arrows[0].tail, 125, 0);

    // Two collinear edges: the joint's arrow is drawn once, by the second piece.
    const CurveArray split{line(0, 0, 50, 0), line(50, 0, 100, 0), line(100, 0, 0, 100)};
    pcs = pieces(split, true, pt(0, 0), pt(0, 0));
    EXPECT_EQ(distributedLoadPiece(pcs[0], true, kPi / 2, 1.0).arrows.size(), 2u);
    EXPECT_EQ(distributedLoadPiece(pcs[1], true, kPi / 2, 1.0).tails.size(), 3u);

    // A quarter arc of the outer boundary: radial arrows, tails 25 further out.
    const CurveArray arc{
        OdSharedPtr<OdGeCurve3d>(new OdGeCircArc3d(pt(0, 0), kZ, OdGeVector3d::kXAxis, 50, 0, kPi / 2))};
    pcs = pieces(arc, true, pt(0, 0), pt(0, 0));
    load = distributedLoadPiece(pcs[0], true, kPi / 2, 1.0);
    EXPECT_AT(load.arrows.front().tail, 75, 0);
    EXPECT_AT(load.arrows.back().tail, 0, 75);
}

TEST(DistributedLoad, WalksRoundAClosedCircleOnceAndFlipsWithTheWalk)
{
    // The whole outer circle of radius 20: six places, the last repeating the first, each with its arrow.
    const CurveArray outer = circle(20, false);
    auto pcs = pieces(outer, true, pt(0, 0), pt(0, 0));
    DistributedLoadPiece load = distributedLoadPiece(pcs[0], true, kPi / 2, 1.0);
    EXPECT_EQ(load.arrows.size(), 6u);
    EXPECT_EQ(load.tails.size(), 6u);
    for (const Arrow& a : load.arrows)
        EXPECT_NEAR(a.tail.asVector().length(), 45, kExact);
    // A hole walked the other way: the tails lie inside the hole, pointing out into the region.
    const CurveArray hole = circle(40, true);
    pcs = pieces(segmentChain(hole, pt(0, 40), pt(40, 0)), false, pt(0, 40), pt(40, 0));
    ASSERT_EQ(pcs.size(), 1u);
    load = distributedLoadPiece(pcs[0], true, kPi / 2, 1.0);
    EXPECT_AT(load.arrows.front().tail, 0, 15);
    EXPECT_AT(load.arrows.back().tail, 15, 0);
}

TEST(DistributedSupport, StandsTrianglesOnAGroundLine12OutsideWithTheHatchBehind)
{
    const CurveArray sq = square();
    for (const bool rolling : {false, true})
    {
        const auto pcs = pieces(segmentChain(sq, pt(20, 0), pt(80, 0)), false, pt(20, 0), pt(80, 0));
        const DistributedSupportPiece sup = distributedSupportPiece(pcs[0], rolling, 1.0);
        ASSERT_EQ(sup.triangles.size(), 3u);
        for (int k = 0; k < 3; ++k)
        {
            EXPECT_AT(sup.triangles[k][0], 20 + 30 * k, 0);
            EXPECT_AT(sup.triangles[k][1], 11 + 30 * k, -12);
            EXPECT_AT(sup.triangles[k][2], 29 + 30 * k, -12);
        }
        ASSERT_TRUE(sup.groundLine);
        EXPECT_AT(sup.groundLine->evalPoint(0), 11, -12);
        EXPECT_EQ(static_cast<bool>(sup.secondLine), rolling);
        ASSERT_TRUE(sup.hatch);
        const double back = rolling ? -14 : -12;
        const OdGePoint2dArray& v = sup.hatch->loops.at(0).vertices;
        ASSERT_EQ(v.size(), 4u);
        const double expected[4][2] = {{11, back}, {89, back}, {89, back - 4}, {11, back - 4}};
        for (unsigned i = 0; i < 4; ++i)
            EXPECT_LE((v[i] - OdGePoint2d(expected[i][0], expected[i][1])).length(), kExact) << i;
        EXPECT_NEAR(sup.hatch->patternAngle, 1.5 * kPi, kExact);
    }
}

TEST(DistributedSupport, FollowsArcsAndHolesAndLeavesOutWhatDoesNotFit)
{
    // A whole hole of radius 40: ground circle of radius 28 inside the hole, a ring hatch.
    const CurveArray hole = circle(40, true);
    auto pcs = pieces(hole, true, pt(0, 0), pt(0, 0));
    DistributedSupportPiece sup = distributedSupportPiece(pcs[0], false, 1.0);
    EXPECT_EQ(sup.triangles.size(), 11u) << "80 pi long: nine inner places and both ends, one over the other";
    for (const Triangle& t : sup.triangles)
    {
        EXPECT_NEAR(t[0].asVector().length(), 40, kExact);
        EXPECT_NEAR(t[1].asVector().length(), 28, kExact);
        EXPECT_NEAR(t[1].distanceTo(t[2]), 2 * 28 * std::sin(9.0 / 28), kExact) << "9 of arc either side";
    }
    ASSERT_TRUE(sup.groundLine && sup.groundLine->isClosed());
    ASSERT_TRUE(sup.hatch);
    EXPECT_EQ(sup.hatch->loops.size(), 2u);

    // A hole smaller than the ground's offset leaves nothing to stand on.
    const CurveArray small = circle(10, true);
    pcs = pieces(small, true, pt(0, 0), pt(0, 0));
    EXPECT_TRUE(distributedSupportPiece(pcs[0], false, 1.0).triangles.empty());
    // Rolling on a hole of radius 15: the ground (radius 3) and the second line (radius 1) have
    // room, the hatch 4 further does not: it is left out while the lines stay.
    const CurveArray medium = circle(15, true);
    pcs = pieces(medium, true, pt(0, 0), pt(0, 0));
    sup = distributedSupportPiece(pcs[0], true, 1.0);
    EXPECT_FALSE(sup.triangles.empty());
    EXPECT_TRUE(sup.groundLine);
    EXPECT_TRUE(sup.secondLine);
    EXPECT_FALSE(sup.hatch);
}

TEST(DistributedGlyphs, StandOnTheNormalsOfASplineEdgeWalkedEitherWay)
{
    const OdGePoint3dArray fit{pt(0, 0), pt(40, 10), pt(80, -5), pt(120, 0)};
    for (const bool reversed : {false, true})
    {
        auto* spline = new OdGeNurbCurve3d(fit);
        if (reversed)
            spline->reverseParam();
        const CurveArray edge{OdSharedPtr<OdGeCurve3d>(spline)};
        const auto pcs = pieces(edge, true, pt(0, 0), pt(0, 0));
        // Load tails 25 out along t x z, to the right of the walk.
        const DistributedLoadPiece load = distributedLoadPiece(pcs[0], true, kPi / 2, 1.0);
        ASSERT_GE(load.arrows.size(), 4u);
        for (const Arrow& a : load.arrows)
        {
            double t = 0.0;
            ASSERT_TRUE(spline->isOn(a.tip, t));
            OdGeVector3dArray d;
            spline->evalPoint(t, 1, d);
            EXPECT_NEAR(a.tail.distanceTo(a.tip), 25, kExact);
            EXPECT_NEAR((a.tail - a.tip).dotProduct(d[0]), 0.0, 1e-7);
            EXPECT_LT(d[0].crossProduct(a.tail - a.tip).z, 0.0);
        }
        // Support corners on the same side, 12 off the edge (the spline's offset is approximate).
        const DistributedSupportPiece sup = distributedSupportPiece(pcs[0], false, 1.0);
        ASSERT_GE(sup.triangles.size(), 4u);
        ASSERT_TRUE(sup.hatch);
        const double side = reversed ? 1.0 : -1.0;
        for (const Triangle& t : sup.triangles)
            for (int corner : {1, 2})
            {
                // Corners beyond the ends stand on the lengthened ground, off the edge's ends.
                if (t[corner].x < 1 || t[corner].x > 119)
                    continue;
                const OdGePoint3d foot = spline->closestPointTo(t[corner]);
                EXPECT_NEAR(foot.distanceTo(t[corner]), 12, 1e-3);
                EXPECT_GT(side * (t[corner].y - foot.y), 0.0);
            }
    }
}

} // namespace
