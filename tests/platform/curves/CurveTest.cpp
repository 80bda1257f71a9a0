#include "platform/ge/GeCircArc3d.h"
#include "platform/ge/GeExternalCurve3d.h"
#include "platform/ge/GeLineSeg3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>

namespace
{
constexpr double kPi = std::numbers::pi;
/// Agreement expected of closed-form results: a few ulps of values of order 100.
constexpr double kExact = 1e-12;

void expectPointNear(const OdGePoint3d& a, const OdGePoint3d& b, double tol = kExact)
{
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

/// Every sample of `before` must lie on `after` at the mirrored parameter.
void expectReversedGeometry(const OdGeCurve3d& before, const OdGeCurve3d& after)
{
    OdGeInterval a, b;
    before.getInterval(a);
    after.getInterval(b);
    EXPECT_DOUBLE_EQ(a.lowerBound(), b.lowerBound());
    EXPECT_DOUBLE_EQ(a.upperBound(), b.upperBound());
    const double sum = a.lowerBound() + a.upperBound();
    for (int i = 0; i <= 10; ++i)
    {
        const double t = a.lowerBound() + (a.upperBound() - a.lowerBound()) * i / 10.0;
        expectPointNear(before.evalPoint(t), after.evalPoint(sum - t), 1e-9);
    }
    OdGePoint3d s0, e0, s1, e1;
    ASSERT_TRUE(before.hasStartPoint(s0) && before.hasEndPoint(e0));
    ASSERT_TRUE(after.hasStartPoint(s1) && after.hasEndPoint(e1));
    expectPointNear(s0, e1, 1e-9);
    expectPointNear(e0, s1, 1e-9);
}
} // namespace

TEST(GeInterval, ReportsBoundsAndContainsWithItsTolerance)
{
    OdGeInterval iv(3.0, 1.0);
    EXPECT_TRUE(iv.isBounded());
    EXPECT_DOUBLE_EQ(iv.lowerBound(), 1.0);
    EXPECT_DOUBLE_EQ(iv.upperBound(), 3.0);
    EXPECT_DOUBLE_EQ(iv.length(), 2.0);
    EXPECT_TRUE(iv.contains(3.0 + 0.5e-12));
    EXPECT_FALSE(iv.contains(3.0 + 1e-9));

    OdGeInterval below(true, 2.0);
    EXPECT_TRUE(below.isBoundedBelow());
    EXPECT_FALSE(below.isBoundedAbove());
    EXPECT_TRUE(below.contains(1e9));
    EXPECT_FALSE(below.contains(1.0));
    EXPECT_TRUE(OdGeInterval().isUnBounded());
}

TEST(GeEntityKinds, FollowTheClassHierarchy)
{
    OdGeLineSeg3d line(OdGePoint3d(0, 0, 0), OdGePoint3d(1, 0, 0));
    OdGeCircArc3d circle(OdGePoint3d(0, 0, 0), OdGeVector3d::kZAxis, 1.0);
    OdGeExternalCurve3d external(line);
    EXPECT_EQ(line.type(), OdGe::kLineSeg3d);
    EXPECT_TRUE(line.isKindOf(OdGe::kLinearEnt3d));
    EXPECT_TRUE(line.isKindOf(OdGe::kCurve3d));
    EXPECT_TRUE(line.isKindOf(OdGe::kEntity3d));
    EXPECT_FALSE(line.isKindOf(OdGe::kCircArc3d));
    EXPECT_TRUE(circle.isKindOf(OdGe::kCurve3d));
    EXPECT_FALSE(circle.isKindOf(OdGe::kLinearEnt3d));
    EXPECT_TRUE(external.isKindOf(OdGe::kExternalCurve3d));
    EXPECT_FALSE(external.isKindOf(OdGe::kLineSeg3d));

    std::unique_ptr<OdGeEntity3d> copy(circle.copy());
    EXPECT_EQ(copy->type(), OdGe::kCircArc3d);
}

TEST(GeLineSeg3d, IsParameterisedFromZeroToOneWithExactLengths)
{
    OdGeLineSeg3d line(OdGePoint3d(1, 2, 0), OdGePoint3d(4, 6, 0));
    OdGeInterval iv;
    line.getInterval(iv);
    EXPECT_EQ(iv.lowerBound(), 0.0);
    EXPECT_EQ(iv.upperBound(), 1.0);
    expectPointNear(line.evalPoint(1.0), OdGePoint3d(4, 6, 0), 0.0);
    EXPECT_DOUBLE_EQ(line.length(0.0, 1.0), 5.0);
    EXPECT_DOUBLE_EQ(line.length(0.8, 0.2), 3.0);
    EXPECT_DOUBLE_EQ(line.paramAtLength(0.0, 2.5), 0.5);
    EXPECT_DOUBLE_EQ(line.paramAtLength(1.0, 1.0, false), 0.8);
    EXPECT_DOUBLE_EQ(line.paramAtLength(0.5, 100.0), 1.0) << "clamped to the interval";
    EXPECT_TRUE(line.isLinear());
    EXPECT_FALSE(line.isCircular());
    EXPECT_FALSE(line.isClosed());
}

TEST(GeLineSeg3d, FindsParametersAndClosestPoints)
{
    OdGeLineSeg3d line(OdGePoint3d(0, 0, 0), OdGePoint3d(10, 0, 0));
    double param = -1.0;
    EXPECT_TRUE(line.isOn(OdGePoint3d(2.5, 0, 0), param));
    EXPECT_DOUBLE_EQ(param, 0.25);
    EXPECT_FALSE(line.isOn(OdGePoint3d(2.5, 1e-6, 0), param));
    EXPECT_FALSE(line.isOn(OdGePoint3d(11, 0, 0), param)) << "beyond the end is not on the segment";
    expectPointNear(line.closestPointTo(OdGePoint3d(-3, 4, 0)), OdGePoint3d(0, 0, 0));
    EXPECT_TRUE(line.isOn(1.0 + 0.5e-10));
    EXPECT_FALSE(line.isOn(1.0 + 1e-6));
    EXPECT_FALSE(line.isOn(-1e-6));
}

TEST(GeLineSeg3d, ReverseParamSwapsTheEnds)
{
    OdGeLineSeg3d line(OdGePoint3d(1, 2, 0), OdGePoint3d(4, 6, 0));
    OdGeLineSeg3d reversed(line);
    reversed.reverseParam();
    expectReversedGeometry(line, reversed);
}

TEST(GeLineSeg3d, SamplesIncludeBothEnds)
{
    OdGeLineSeg3d line(OdGePoint3d(0, 0, 0), OdGePoint3d(4, 0, 0));
    OdGePoint3dArray pts;
    OdGeDoubleArray params;
    line.getSamplePoints(5, pts, params);
    ASSERT_EQ(pts.size(), 5u);
    ASSERT_EQ(params.size(), 5u);
    for (unsigned i = 0; i < 5; ++i)
    {
        EXPECT_DOUBLE_EQ(params[i], i / 4.0);
        expectPointNear(pts[i], OdGePoint3d(i, 0, 0));
    }
    EXPECT_EQ(params.last(), 1.0) << "the end parameter is exact";
    line.getSamplePoints(1, pts, params);
    EXPECT_EQ(pts.size(), 1u);
    line.getSamplePoints(0, pts, params);
    EXPECT_TRUE(pts.isEmpty());
}

TEST(GeCircArc3d, HasLengthRadiusTimesAngle)
{
    const double r = 3.0, a0 = 0.25, a1 = 2.0;
    OdGeCircArc3d arc(OdGePoint3d(1, 1, 0), OdGeVector3d::kZAxis, OdGeVector3d::kXAxis, r, a0, a1);
    OdGeInterval iv;
    arc.getInterval(iv);
    EXPECT_DOUBLE_EQ(iv.lowerBound(), a0);
    EXPECT_DOUBLE_EQ(iv.upperBound(), a1);
    EXPECT_NEAR(arc.length(a0, a1), r * (a1 - a0), kExact);
    expectPointNear(arc.startPoint(), OdGePoint3d(1 + r * std::cos(a0), 1 + r * std::sin(a0), 0));
    EXPECT_TRUE(arc.isCircular());
    EXPECT_FALSE(arc.isLinear());
    EXPECT_FALSE(arc.isClosed());
    EXPECT_NEAR(arc.paramAtLength(a0, r * 0.5), a0 + 0.5, kExact);
    EXPECT_NEAR(arc.paramAtLength(a1, r * 0.5, false), a1 - 0.5, kExact);
}

TEST(GeCircArc3d, EndAngleBelowStartIsTakenOneTurnOn)
{
    OdGeCircArc3d arc(OdGePoint3d(), OdGeVector3d::kZAxis, OdGeVector3d::kXAxis, 1.0, 1.5 * kPi, 0.5 * kPi);
    EXPECT_NEAR(arc.endAng() - arc.startAng(), kPi, kExact);
    expectPointNear(arc.evalPoint(arc.startAng() + 0.5 * kPi), OdGePoint3d(1, 0, 0));
}

TEST(GeCircArc3d, FullCircleIsClosedAndItsSamplesDoNotRepeatTheStart)
{
    OdGeCircArc3d circle(OdGePoint3d(5, 5, 0), OdGeVector3d::kZAxis, 2.0);
    EXPECT_TRUE(circle.isClosed());
    EXPECT_NEAR(circle.length(0.0, 2 * kPi), 4 * kPi, kExact);
    OdGePoint3dArray pts;
    OdGeDoubleArray params;
    circle.getSamplePoints(8, pts, params);
    ASSERT_EQ(pts.size(), 8u);
    for (unsigned i = 0; i < 8; ++i)
        EXPECT_NEAR(params[i], i * 2 * kPi / 8, kExact);
    for (unsigned i = 1; i < 8; ++i)
        EXPECT_GT(pts[i].distanceTo(pts[0]), 1.0) << "sample " << i << " repeats the start";
    // Evenly spaced: every chord is the same.
    for (unsigned i = 0; i < 8; ++i)
        EXPECT_NEAR(pts[i].distanceTo(pts[(i + 1) % 8]), 2 * 2.0 * std::sin(kPi / 8), 1e-12);
}

TEST(GeCircArc3d, ThreePointArcPassesThroughItsPoints)
{
    const OdGePoint3d a(2, 0, 0), b(0, 2, 0), c(-2, 0, 0);
    OdGeCircArc3d arc(a, b, c);
    expectPointNear(arc.center(), OdGePoint3d(0, 0, 0));
    EXPECT_NEAR(arc.radius(), 2.0, kExact);
    expectPointNear(arc.startPoint(), a);
    expectPointNear(arc.endPoint(), c);
    EXPECT_TRUE(arc.isOn(b));
    EXPECT_FALSE(arc.isOn(OdGePoint3d(0, -2, 0))) << "the other half of the circle is not on the arc";

    OdGeCircArc3d clockwise(c, b, a);
    expectPointNear(clockwise.evalPoint(0.5 * (clockwise.startAng() + clockwise.endAng())), b);
    EXPECT_THROW(OdGeCircArc3d(a, OdGePoint3d(1, 0, 0), OdGePoint3d(3, 0, 0)), OdError);
}

TEST(GeCircArc3d, ReverseParamKeepsThePointsAndSwapsTheEnds)
{
    OdGeCircArc3d arc(OdGePoint3d(1, -2, 0), OdGeVector3d::kZAxis, OdGeVector3d(1, 1, 0), 3.0, 0.3, 2.4);
    OdGeCircArc3d reversed(arc);
    reversed.reverseParam();
    expectReversedGeometry(arc, reversed);
    OdGeCircArc3d circle(OdGePoint3d(0, 0, 0), OdGeVector3d::kZAxis, 1.5);
    OdGeCircArc3d reversedCircle(circle);
    reversedCircle.reverseParam();
    expectReversedGeometry(circle, reversedCircle);
    // The reversed circle runs clockwise: a quarter turn on from the start lies at -y.
    expectPointNear(reversedCircle.evalPoint(0.5 * kPi), OdGePoint3d(0, -1.5, 0));
}

TEST(GeCircArc3d, ParamOfProjectsOntoTheArc)
{
    OdGeCircArc3d arc(OdGePoint3d(0, 0, 0), OdGeVector3d::kZAxis, OdGeVector3d::kXAxis, 1.0, 0.0, kPi);
    EXPECT_NEAR(arc.paramOf(OdGePoint3d(0, 5, 0)), 0.5 * kPi, kExact);
    EXPECT_NEAR(arc.paramOf(OdGePoint3d(1, -0.1, 0)), 0.0, kExact) << "past the start: the start";
    EXPECT_NEAR(arc.paramOf(OdGePoint3d(-1, -0.1, 0)), kPi, kExact) << "past the end: the end";
    double p = 0;
    EXPECT_TRUE(arc.isOn(OdGePoint3d(std::cos(1.0), std::sin(1.0), 0), p));
    EXPECT_NEAR(p, 1.0, kExact);
}

TEST(GeCircArc3d, ExtentsIncludeTheExtremePointsPassed)
{
    OdGeCircArc3d arc(OdGePoint3d(0, 0, 0), OdGeVector3d::kZAxis, OdGeVector3d::kXAxis, 2.0, 0.25 * kPi,
                      0.75 * kPi);
    OdGeExtents3d box;
    arc.getGeomExtents(box);
    EXPECT_NEAR(box.maxPoint().y, 2.0, kExact) << "the top of the circle lies on this arc";
    EXPECT_NEAR(box.minPoint().y, std::sqrt(2.0), kExact);
    EXPECT_NEAR(box.minPoint().x, -std::sqrt(2.0), kExact);
    EXPECT_NEAR(box.maxPoint().x, std::sqrt(2.0), kExact);
}

TEST(GeCircArc3d, TransformsRigidlyAndByMirrorButNotByStretch)
{
    OdGeCircArc3d arc(OdGePoint3d(1, 0, 0), OdGeVector3d::kZAxis, OdGeVector3d::kXAxis, 1.0, 0.0, 0.5 * kPi);
    OdGeCircArc3d moved(arc);
    const OdGeMatrix3d m = OdGeMatrix3d::translation(OdGeVector3d(0, 3, 0)) * OdGeMatrix3d::scaling(2.0);
    moved.transformBy(m);
    EXPECT_NEAR(moved.radius(), 2.0, kExact);
    expectPointNear(moved.startPoint(), m * arc.startPoint());
    expectPointNear(moved.endPoint(), m * arc.endPoint());

    OdGeCircArc3d mirrored(arc);
    const OdGeMatrix3d mirror = OdGeMatrix3d::mirroring(OdGePoint3d(), OdGeVector3d::kXAxis);
    mirrored.transformBy(mirror);
    expectPointNear(mirrored.startPoint(), mirror * arc.startPoint());
    expectPointNear(mirrored.endPoint(), mirror * arc.endPoint());

    OdGeMatrix3d stretch;
    stretch[0][0] = 2.0;
    EXPECT_THROW(OdGeCircArc3d(arc).transformBy(stretch), OdError);
}

TEST(GeExternalCurve3d, YieldsANativeCopyAndEvaluatesThroughIt)
{
    OdGeCircArc3d arc(OdGePoint3d(0, 0, 0), OdGeVector3d::kZAxis, OdGeVector3d::kXAxis, 2.0, 0.0, 1.0);
    OdGeExternalCurve3d external(arc);
    OdGeCurve3d* native = nullptr;
    ASSERT_TRUE(external.isNativeCurve(native));
    std::unique_ptr<OdGeCurve3d> owned(native);
    EXPECT_EQ(native->type(), OdGe::kCircArc3d);
    EXPECT_TRUE(external.isCircular());
    EXPECT_NEAR(external.length(0.0, 1.0), 2.0, kExact);
    expectPointNear(external.evalPoint(0.5), arc.evalPoint(0.5));

    OdGeCurve3d* second = nullptr;
    ASSERT_TRUE(external.isNativeCurve(second));
    std::unique_ptr<OdGeCurve3d> ownedSecond(second);
    EXPECT_NE(second, native) << "each call hands out a new copy";

    OdGeExternalCurve3d reversed(external);
    reversed.reverseParam();
    expectReversedGeometry(external, reversed);

    OdGeExternalCurve3d undefined;
    EXPECT_FALSE(undefined.isNativeCurve(native));
    EXPECT_EQ(native, nullptr);
    OdGePoint3d p;
    EXPECT_FALSE(undefined.hasStartPoint(p));
}
