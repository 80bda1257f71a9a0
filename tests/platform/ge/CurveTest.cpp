#include "platform/base/OdError.h"
#include "platform/ge/GeCircArc3d.h"
#include "platform/ge/GeEllipArc3d.h"
#include "platform/ge/GeExternalCurve3d.h"
#include "platform/ge/GeLineSeg3d.h"
#include "platform/ge/GeNurbCurve3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <memory>
#include <numbers>

namespace
{
constexpr double kPi = std::numbers::pi;
/// Agreement expected of closed-form results: a few ulps of values of order 100.
constexpr double kExact = 1e-12;

#define EXPECT_POINT_NEAR(a, b, tol) EXPECT_LE((a).distanceTo(b), tol)

/// Every point of `before` lies on `after` at the mirrored parameter, over the same interval.
void expectReversedGeometry(const OdGeCurve3d& before, const OdGeCurve3d& after)
{
    OdGeInterval a, b;
    before.getInterval(a);
    after.getInterval(b);
    EXPECT_DOUBLE_EQ(a.lowerBound(), b.lowerBound());
    EXPECT_DOUBLE_EQ(a.upperBound(), b.upperBound());
    for (int i = 0; i <= 10; ++i)
    {
        const double t = a.lowerBound() + a.length() * i / 10.0;
        EXPECT_POINT_NEAR(before.evalPoint(t), after.evalPoint(a.lowerBound() + a.upperBound() - t), 1e-9);
    }
    OdGePoint3d s0, e0, s1, e1;
    ASSERT_TRUE(before.hasStartPoint(s0) && before.hasEndPoint(e0) && after.hasStartPoint(s1) &&
                after.hasEndPoint(e1));
    EXPECT_POINT_NEAR(s0, e1, 1e-9);
    EXPECT_POINT_NEAR(e0, s1, 1e-9);
}
} // namespace

TEST(GeInterval, ReportsBoundsAndContainsWithItsTolerance)
{
    const OdGeInterval iv(3.0, 1.0);
    EXPECT_TRUE(iv.isBounded());
    EXPECT_EQ(iv.lowerBound(), 1.0);
    EXPECT_EQ(iv.length(), 2.0);
    EXPECT_TRUE(iv.contains(3.0 + 0.5e-12));
    EXPECT_FALSE(iv.contains(3.0 + 1e-9));
    const OdGeInterval below(true, 2.0);
    EXPECT_TRUE(below.isBoundedBelow() && !below.isBoundedAbove() && below.contains(1e9) &&
                !below.contains(1.0));
    EXPECT_TRUE(OdGeInterval().isUnBounded());
}

TEST(GeEntityKinds, FollowTheClassHierarchy)
{
    const OdGeLineSeg3d line(OdGePoint3d(0, 0, 0), OdGePoint3d(1, 0, 0));
    const OdGeCircArc3d circle(OdGePoint3d(0, 0, 0), OdGeVector3d::kZAxis, 1.0);
    const OdGeExternalCurve3d external(line);
    EXPECT_EQ(line.type(), OdGe::kLineSeg3d);
    for (const OdGe::EntityId kind : {OdGe::kLinearEnt3d, OdGe::kCurve3d, OdGe::kEntity3d})
        EXPECT_TRUE(line.isKindOf(kind));
    EXPECT_FALSE(line.isKindOf(OdGe::kCircArc3d) || circle.isKindOf(OdGe::kLinearEnt3d));
    EXPECT_TRUE(external.isKindOf(OdGe::kExternalCurve3d) && !external.isKindOf(OdGe::kLineSeg3d));
    EXPECT_EQ(std::unique_ptr<OdGeEntity3d>(circle.copy())->type(), OdGe::kCircArc3d);
}

TEST(GeLineSeg3d, IsParameterisedFromZeroToOneWithExactLengthsParametersAndSamples)
{
    const OdGeLineSeg3d line(OdGePoint3d(1, 2, 0), OdGePoint3d(4, 6, 0));
    OdGeInterval iv;
    line.getInterval(iv);
    EXPECT_EQ(iv.lowerBound(), 0.0);
    EXPECT_EQ(iv.upperBound(), 1.0);
    EXPECT_EQ(line.evalPoint(1.0), OdGePoint3d(4, 6, 0));
    EXPECT_DOUBLE_EQ(line.length(0.0, 1.0), 5.0);
    EXPECT_DOUBLE_EQ(line.length(0.8, 0.2), 3.0);
    EXPECT_DOUBLE_EQ(line.paramAtLength(0.0, 2.5), 0.5);
    EXPECT_DOUBLE_EQ(line.paramAtLength(1.0, 1.0, false), 0.8);
    EXPECT_DOUBLE_EQ(line.paramAtLength(0.5, 100.0), 1.0) << "clamped to the interval";
    EXPECT_TRUE(line.isLinear() && !line.isCircular() && !line.isClosed());

    double param = -1.0;
    EXPECT_TRUE(line.isOn(OdGePoint3d(2.5, 4, 0), param));
    EXPECT_DOUBLE_EQ(param, 0.5);
    EXPECT_FALSE(line.isOn(OdGePoint3d(2.5, 4 + 1e-6, 0), param));
    EXPECT_FALSE(line.isOn(OdGePoint3d(7, 10, 0), param)) << "beyond the end is not on the segment";
    EXPECT_POINT_NEAR(line.closestPointTo(OdGePoint3d(-3, 5, 0)), OdGePoint3d(1, 2, 0), kExact);
    EXPECT_TRUE(line.isOn(1.0 + 0.5e-10));
    EXPECT_FALSE(line.isOn(1.0 + 1e-6) || line.isOn(-1e-6));

    OdGePoint3dArray pts;
    OdGeDoubleArray params;
    line.getSamplePoints(5, pts, params);
    ASSERT_EQ(pts.size(), 5u);
    for (unsigned i = 0; i < 5; ++i)
        EXPECT_POINT_NEAR(pts[i], line.evalPoint(params[i]), 0.0);
    EXPECT_EQ(params[1], 0.25);
    EXPECT_EQ(params.last(), 1.0) << "the end parameter is exact";
    line.getSamplePoints(1, pts, params);
    EXPECT_EQ(pts.size(), 1u);
    line.getSamplePoints(0, pts, params);
    EXPECT_TRUE(pts.isEmpty());
}

TEST(GeCurves, ReverseParamKeepsTheIntervalAndThePointsAndSwapsTheEnds)
{
    const OdGeLineSeg3d line(OdGePoint3d(1, 2, 0), OdGePoint3d(4, 6, 0));
    const OdGeCircArc3d arc(OdGePoint3d(1, -2, 0), OdGeVector3d::kZAxis, OdGeVector3d(1, 1, 0), 3.0, 0.3,
                            2.4);
    const OdGeCircArc3d circle(OdGePoint3d(0, 0, 0), OdGeVector3d::kZAxis, 1.5);
    const OdGeExternalCurve3d external(arc);
    const OdGeNurbCurve3d spline(OdGePoint3dArray{OdGePoint3d(0, 0, 0), OdGePoint3d(1, 2, 0),
                                                  OdGePoint3d(3, 2.5, 0), OdGePoint3d(6, -1, 0)});
    // A rational quarter circle: reversing must carry the weights along.
    const OdGeNurbCurve3d rational(
        2, OdGeKnotVector(OdGeDoubleArray{0, 0, 0, 1, 1, 1}),
        OdGePoint3dArray{OdGePoint3d(1, 0, 0), OdGePoint3d(1, 1, 0), OdGePoint3d(0, 1, 0)},
        OdGeDoubleArray{1.0, std::sqrt(0.5), 1.0});
    const OdGeEllipArc3d ellipse(OdGePoint3d(2, 1, 0), OdGeVector3d::kZAxis, OdGeVector3d(3, 1, 0), 4.0, 1.5,
                                 0.4, 4.0);
    OdGeEllipArc3d twice(ellipse); // reversed twice: its own points again
    twice.reverseParam().reverseParam();
    expectReversedGeometry(twice, OdGeEllipArc3d(ellipse).reverseParam());
    for (const OdGeCurve3d* curve : std::initializer_list<const OdGeCurve3d*>{&line, &arc, &circle, &external,
                                                                              &spline, &rational, &ellipse})
    {
        SCOPED_TRACE(curve->type());
        std::unique_ptr<OdGeCurve3d> reversed(curve->copy());
        reversed->reverseParam();
        expectReversedGeometry(*curve, *reversed);
    }
    // The reversed circle runs clockwise: a quarter turn on from the start lies at -y.
    OdGeCircArc3d reversedCircle(circle);
    reversedCircle.reverseParam();
    EXPECT_POINT_NEAR(reversedCircle.evalPoint(0.5 * kPi), OdGePoint3d(0, -1.5, 0), kExact);
}

TEST(GeCircArc3d, HasLengthRadiusTimesAngleAndTakesAnEndBelowTheStartOneTurnOn)
{
    const double r = 3.0, a0 = 0.25, a1 = 2.0;
    const OdGeCircArc3d arc(OdGePoint3d(1, 1, 0), OdGeVector3d::kZAxis, OdGeVector3d::kXAxis, r, a0, a1);
    OdGeInterval iv;
    arc.getInterval(iv);
    EXPECT_EQ(iv.lowerBound(), a0);
    EXPECT_EQ(iv.upperBound(), a1);
    EXPECT_NEAR(arc.length(a0, a1), r * (a1 - a0), kExact);
    EXPECT_POINT_NEAR(arc.startPoint(), OdGePoint3d(1 + r * std::cos(a0), 1 + r * std::sin(a0), 0), kExact);
    EXPECT_TRUE(arc.isCircular() && !arc.isLinear() && !arc.isClosed());
    EXPECT_NEAR(arc.paramAtLength(a0, r * 0.5), a0 + 0.5, kExact);
    EXPECT_NEAR(arc.paramAtLength(a1, r * 0.5, false), a1 - 0.5, kExact);

    const OdGeCircArc3d lower(OdGePoint3d(), OdGeVector3d::kZAxis, OdGeVector3d::kXAxis, 1.0, 1.5 * kPi,
                              0.5 * kPi);
    EXPECT_NEAR(lower.endAng() - lower.startAng(), kPi, kExact);
    EXPECT_POINT_NEAR(lower.evalPoint(lower.startAng() + 0.5 * kPi), OdGePoint3d(1, 0, 0), kExact);
}

TEST(GeCircArc3d, FullCircleIsClosedAndItsSamplesDoNotRepeatTheStart)
{
    const OdGeCircArc3d circle(OdGePoint3d(5, 5, 0), OdGeVector3d::kZAxis, 2.0);
    EXPECT_TRUE(circle.isClosed());
    EXPECT_NEAR(circle.length(0.0, 2 * kPi), 4 * kPi, kExact);
    OdGePoint3dArray pts;
    OdGeDoubleArray params;
    circle.getSamplePoints(8, pts, params);
    ASSERT_EQ(pts.size(), 8u);
    // Evenly spaced, every chord the same, the closing one included: the start is not repeated.
    for (unsigned i = 0; i < 8; ++i)
    {
        EXPECT_NEAR(params[i], i * 2 * kPi / 8, kExact);
        EXPECT_NEAR(pts[i].distanceTo(pts[(i + 1) % 8]), 2 * 2.0 * std::sin(kPi / 8), kExact);
    }
}

TEST(GeCircArc3d, ParamOfProjectsOntoTheArcAndClampsToItsEnds)
{
    const OdGeCircArc3d arc(OdGePoint3d(0, 0, 0), OdGeVector3d::kZAxis, OdGeVector3d::kXAxis, 1.0, 0.0, kPi);
    EXPECT_NEAR(arc.paramOf(OdGePoint3d(0, 5, 0)), 0.5 * kPi, kExact);
    EXPECT_NEAR(arc.paramOf(OdGePoint3d(1, -0.1, 0)), 0.0, kExact) << "past the start: the start";
    EXPECT_NEAR(arc.paramOf(OdGePoint3d(-1, -0.1, 0)), kPi, kExact) << "past the end: the end";
    double p = 0;
    EXPECT_TRUE(arc.isOn(OdGePoint3d(std::cos(1.0), std::sin(1.0), 0), p));
    EXPECT_NEAR(p, 1.0, kExact);
    EXPECT_FALSE(arc.isOn(OdGePoint3d(0, -1, 0))) << "the other half of the circle is not on the arc";
}

TEST(GeExternalCurve3d, YieldsANewNativeCopyEachTimeAndEvaluatesThroughIt)
{
    const OdGeCircArc3d arc(OdGePoint3d(0, 0, 0), OdGeVector3d::kZAxis, OdGeVector3d::kXAxis, 2.0, 0.0, 1.0);
    const OdGeExternalCurve3d external(arc);
    OdGeCurve3d *native = nullptr, *second = nullptr;
    ASSERT_TRUE(external.isNativeCurve(native));
    ASSERT_TRUE(external.isNativeCurve(second));
    const std::unique_ptr<OdGeCurve3d> owned(native), ownedSecond(second);
    EXPECT_EQ(native->type(), OdGe::kCircArc3d);
    EXPECT_NE(second, native);
    EXPECT_TRUE(external.isCircular());
    EXPECT_NEAR(external.length(0.0, 1.0), 2.0, kExact);
    EXPECT_POINT_NEAR(external.evalPoint(0.5), arc.evalPoint(0.5), kExact);

    const OdGeExternalCurve3d undefined;
    EXPECT_FALSE(undefined.isNativeCurve(native));
    EXPECT_EQ(native, nullptr);
    OdGePoint3d p;
    EXPECT_FALSE(undefined.hasStartPoint(p));
}

TEST(GeEllipArc3d, LiesOnItsEllipseWithTheKnownPerimeterAndKeepsItsPointsUnderMirrors)
{
    // Major radius 2 along (1, 1), minor 1: the point at angle s is c + 2 cos s u + sin s v.
    const OdGeVector3d u = OdGeVector3d(1, 1, 0).normal(), v = OdGeVector3d(-1, 1, 0).normal();
    const OdGePoint3d c(5, -1, 0);
    OdGeEllipArc3d whole(c, OdGeVector3d::kZAxis, OdGeVector3d(1, 1, 0), 2.0, 1.0, 0.0, 2.0 * kPi);
    EXPECT_TRUE(whole.isClosed());
    EXPECT_FALSE(whole.isCircular());
    EXPECT_POINT_NEAR(whole.evalPoint(1.0), c + u * (2 * std::cos(1.0)) + v * std::sin(1.0), kExact);
    // The perimeter of the ellipse with radii 2 and 1 (complete elliptic integral of the second kind).
    EXPECT_NEAR(whole.length(0.0, 2.0 * kPi), 9.688448220547675, 1e-8);
    OdGeExtents3d box;
    whole.getGeomExtents(box);
    const double half = std::sqrt(2.0 * 2.0 * 0.5 + 1.0 * 1.0 * 0.5); // extent along x of the tilted ellipse
    EXPECT_NEAR(box.maxPoint().x, c.x + half, kExact);
    EXPECT_NEAR(box.minPoint().y, c.y - half, kExact);

    const OdGeEllipArc3d arc(c, OdGeVector3d::kZAxis, OdGeVector3d(1, 1, 0), 2.0, 1.0, 0.5, 2.0);
    OdGeEllipArc3d mirrored(arc);
    const OdGeMatrix3d mirror = OdGeMatrix3d::mirroring(OdGePoint3d::kOrigin, OdGeVector3d::kXAxis);
    mirrored.transformBy(mirror);
    for (double t : {0.5, 1.0, 2.0})
        EXPECT_POINT_NEAR(mirrored.evalPoint(t), mirror * arc.evalPoint(t), kExact);
    OdGeEllipArc3d stretched(arc);
    OdGeMatrix3d stretch;
    stretch(0, 0) = 2.0;
    EXPECT_THROW(stretched.transformBy(stretch), OdError);
    EXPECT_THROW(OdGeEllipArc3d(c, OdGeVector3d::kZAxis, OdGeVector3d(1, 0, 0), 1.0, 2.0, 0, 1), OdError);
}

TEST(GeArcs, ACircularArcAgreesWithTheEllipticalArcOfEqualRadiiThroughTransforms)
{
    // The two arcs keep their interval, closedness, points and box the same way; a sweep beyond a turn
    // is one turn, an end at or below the start is taken one turn on.
    const OdGePoint3d c(2, -1, 3);
    const OdGeVector3d n = OdGeVector3d(1, 2, 2).normal(), ref(1, 0, 0);
    OdGeMatrix3d stretch;
    stretch(1, 1) = 3.0;
    const struct
    {
        double start, end;
    } sweeps[] = {{0.3, 2.1}, {1.5 * kPi, 0.5 * kPi}, {-1.0, 9.0}, {0.7, 0.7}};
    const OdGeMatrix3d moves[] = {OdGeMatrix3d(),
                                  OdGeMatrix3d::mirroring(OdGePoint3d(1, 0, 0), OdGeVector3d(1, 1, 0)),
                                  OdGeMatrix3d::scaling(2.5, OdGePoint3d(0, 1, 0)) *
                                      OdGeMatrix3d::rotation(0.4, OdGeVector3d(0, 1, 1))};
    for (const auto& [start, end] : sweeps)
        for (const OdGeMatrix3d& move : moves)
        {
            OdGeCircArc3d circle(c, n, ref, 1.5, start, end);
            OdGeEllipArc3d ellipse(c, n, ref, 1.5, 1.5, start, end);
            circle.transformBy(move);
            ellipse.transformBy(move);
            EXPECT_THROW(circle.transformBy(stretch), OdError);
            EXPECT_THROW(ellipse.transformBy(stretch), OdError);
            SCOPED_TRACE(testing::Message() << "sweep " << start << " to " << end);
            OdGeInterval a, b;
            circle.getInterval(a);
            ellipse.getInterval(b);
            EXPECT_EQ(a.lowerBound(), b.lowerBound());
            EXPECT_EQ(a.upperBound(), b.upperBound());
            EXPECT_GT(a.length(), 0.0);
            EXPECT_LE(a.length(), 2 * kPi);
            EXPECT_EQ(circle.isClosed(), ellipse.isClosed());
            for (int i = 0; i <= 8; ++i)
            {
                const double t = a.lowerBound() + a.length() * i / 8.0;
                EXPECT_POINT_NEAR(circle.evalPoint(t), ellipse.evalPoint(t), kExact);
            }
            OdGeExtents3d boxA, boxB;
            circle.getGeomExtents(boxA);
            ellipse.getGeomExtents(boxB);
            EXPECT_POINT_NEAR(boxA.minPoint(), boxB.minPoint(), kExact);
            EXPECT_POINT_NEAR(boxA.maxPoint(), boxB.maxPoint(), kExact);
        }
}
