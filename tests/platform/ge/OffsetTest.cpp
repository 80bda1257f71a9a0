#include "platform/base/OdError.h"
#include "platform/ge/GeCircArc3d.h"
#include "platform/ge/GeLineSeg3d.h"
#include "platform/ge/GeNurbCurve3d.h"
#include "platform/ge/GePlane.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace
{
constexpr double kPi = std::numbers::pi;
constexpr double kExact = 1e-12;
const OdGeVector3d kZ = OdGeVector3d::kZAxis;

OdGeCurve3dPtrArray offsetOf(const OdGeCurve3d& curve, double distance, const OdGeVector3d& normal = kZ)
{
    OdGeCurve3dPtrArray result;
    curve.getTrimmedOffset(distance, normal, result);
    return result;
}

TEST(TrimmedOffset, MovesALineExactlyToTheRightOfItsTravelForAPositiveDistance)
{
    const OdGeLineSeg3d line(OdGePoint3d(0, 0, 0), OdGePoint3d(10, 0, 0));
    const auto right = offsetOf(line, 2.0);
    ASSERT_EQ(right.size(), 1u);
    EXPECT_LE(right[0]->evalPoint(0.0).distanceTo(OdGePoint3d(0, -2, 0)), kExact);
    EXPECT_LE(right[0]->evalPoint(1.0).distanceTo(OdGePoint3d(10, -2, 0)), kExact);
    // Seen from -z the same distance goes the other way.
    const auto flipped = offsetOf(line, 2.0, -kZ);
    ASSERT_EQ(flipped.size(), 1u);
    EXPECT_LE(flipped[0]->evalPoint(0.0).distanceTo(OdGePoint3d(0, 2, 0)), kExact);
}

TEST(TrimmedOffset, GrowsACounterClockwiseArcShrinksAClockwiseOneAndDropsOneShrunkAway)
{
    const OdGeCircArc3d ccw(OdGePoint3d(1, 1, 0), kZ, OdGeVector3d::kXAxis, 5.0, 0.0, kPi / 2);
    const auto grown = offsetOf(ccw, 2.0);
    ASSERT_EQ(grown.size(), 1u);
    const auto& g = static_cast<const OdGeCircArc3d&>(*grown[0]);
    EXPECT_NEAR(g.radius(), 7.0, kExact);
    EXPECT_LE(g.startPoint().distanceTo(OdGePoint3d(8, 1, 0)), kExact);
    EXPECT_LE(g.endPoint().distanceTo(OdGePoint3d(1, 8, 0)), kExact);

    OdGeCircArc3d cw(ccw);
    cw.reverseParam();
    const auto shrunk = offsetOf(cw, 2.0);
    ASSERT_EQ(shrunk.size(), 1u);
    EXPECT_NEAR(static_cast<const OdGeCircArc3d&>(*shrunk[0]).radius(), 3.0, kExact);
    EXPECT_TRUE(offsetOf(cw, 5.0).isEmpty());
    const OdGeCircArc3d circle(OdGePoint3d(0, 0, 0), kZ, 4.0);
    const auto ring = offsetOf(circle, -1.0);
    ASSERT_EQ(ring.size(), 1u);
    EXPECT_TRUE(ring[0]->isClosed());
    EXPECT_NEAR(static_cast<const OdGeCircArc3d&>(*ring[0]).radius(), 3.0, kExact);
}

TEST(TrimmedOffset, FollowsASplineWithinTheToleranceAtTheModelsScaleAndRefusesFolds)
{
    OdGePoint3dArray fit;
    for (const auto& p :
         {OdGePoint3d(0, 0, 0), OdGePoint3d(30, 20, 0), OdGePoint3d(60, 10, 0), OdGePoint3d(100, 40, 0)})
        fit.append(p);
    const OdGeNurbCurve3d spline(fit);
    const double d = 3.0;
    const auto offset = offsetOf(spline, d);
    ASSERT_EQ(offset.size(), 1u);
    OdGeInterval iv;
    offset[0]->getInterval(iv);
    const double allowed = 1e-10 * 150.0;
    for (int i = 0; i <= 400; ++i)
    {
        const OdGePoint3d q = offset[0]->evalPoint(iv.lowerBound() + iv.length() * i / 400.0);
        const double t = spline.paramOf(q);
        OdGeVector3dArray der;
        const OdGePoint3d p = spline.evalPoint(t, 1, der);
        // On the right-hand side, exactly d away.
        ASSERT_NEAR(q.distanceTo(p), d, allowed) << "at sample " << i;
        ASSERT_LT(der[0].crossProduct(q - p).z, 0.0) << "at sample " << i;
    }
    // Inward past the tightest radius of curvature the offset would loop: none is given.
    EXPECT_TRUE(offsetOf(spline, -200.0).isEmpty());
    EXPECT_THROW(offsetOf(spline, 1.0, OdGeVector3d::kXAxis), OdError);
    EXPECT_THROW(offsetOf(spline, 1.0, OdGeVector3d()), OdError);
}

TEST(AngleOnPlane, MeasuresCounterClockwiseFromThePlanesFirstAxisInOneTurn)
{
    const struct
    {
        OdGeVector3d v;
        double expected;
    } cases[] = {
        {OdGeVector3d(1, 0, 0), 0.0},
        {OdGeVector3d(0, 1, 5), kPi / 2},
        {OdGeVector3d(-1, -1, 0), 5 * kPi / 4},
        {OdGeVector3d(1, -1e-300, 0), 0.0},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(c.v.angleOnPlane(OdGePlane::kXYPlane), c.expected, kExact);
    // A plane facing -z takes -x as its first axis (arbitrary-axis rule) and y as its second.
    const OdGePlane below(OdGePoint3d(0, 0, 0), -kZ);
    EXPECT_NEAR(OdGeVector3d(-1, 0, 0).angleOnPlane(below), 0.0, kExact);
    EXPECT_NEAR(OdGeVector3d(0, 1, 0).angleOnPlane(below), kPi / 2, kExact);
}
} // namespace
