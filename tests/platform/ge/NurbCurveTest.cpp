#include "platform/ge/GeNurbCurve3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace
{
constexpr double kPi = std::numbers::pi;
/// Curve lengths are asked for to the global tolerance; results must meet it with margin.
constexpr double kLengthTol = 1e-9;

OdGeNurbCurve3d quarterCircle(double r)
{
    const double w = std::sqrt(0.5);
    return OdGeNurbCurve3d(2, OdGeKnotVector(OdGeDoubleArray{0, 0, 0, 1, 1, 1}),
                           OdGePoint3dArray{OdGePoint3d(r, 0, 0), OdGePoint3d(r, r, 0), OdGePoint3d(0, r, 0)},
                           OdGeDoubleArray{1.0, w, 1.0});
}

OdGeNurbCurve3d fullCircle(double r)
{
    const double w = std::sqrt(0.5);
    OdGePoint3dArray pts{OdGePoint3d(r, 0, 0),  OdGePoint3d(r, r, 0),  OdGePoint3d(0, r, 0),
                         OdGePoint3d(-r, r, 0), OdGePoint3d(-r, 0, 0), OdGePoint3d(-r, -r, 0),
                         OdGePoint3d(0, -r, 0), OdGePoint3d(r, -r, 0), OdGePoint3d(r, 0, 0)};
    return OdGeNurbCurve3d(2, OdGeKnotVector(OdGeDoubleArray{0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 4}), pts,
                           OdGeDoubleArray{1, w, 1, w, 1, w, 1, w, 1});
}

OdGePoint3dArray wavyFitPoints()
{
    return OdGePoint3dArray{OdGePoint3d(0, 0, 0), OdGePoint3d(1, 2, 0),  OdGePoint3d(3, 2.5, 0),
                            OdGePoint3d(4, 0, 0), OdGePoint3d(6, -1, 0), OdGePoint3d(9, 1, 0)};
}
} // namespace

TEST(GeNurbCurve3d, DerivativesMatchDifferenceQuotients)
{
    const OdGeNurbCurve3d arc = quarterCircle(1.0);
    const OdGeNurbCurve3d spline(wavyFitPoints());
    for (const OdGeNurbCurve3d* c : {&arc, &spline})
    {
        OdGeInterval iv;
        c->getInterval(iv);
        const double h = 1e-5 * iv.length();
        for (double f : {0.13, 0.5, 0.77})
        {
            const double t = iv.lowerBound() + f * iv.length();
            OdGeVector3dArray d;
            c->evalPoint(t, 2, d);
            ASSERT_EQ(d.size(), 2u);
            const OdGeVector3d fd = (c->evalPoint(t + h) - c->evalPoint(t - h)) / (2 * h);
            OdGeVector3dArray dp, dm;
            c->evalPoint(t + h, 1, dp);
            c->evalPoint(t - h, 1, dm);
            const OdGeVector3d fd2 = (dp[0] - dm[0]) / (2 * h);
            EXPECT_NEAR((d[0] - fd).length(), 0.0, 1e-6 * d[0].length());
            EXPECT_NEAR((d[1] - fd2).length(), 0.0, 1e-5 * std::max(1.0, d[1].length()));
        }
    }
}

TEST(GeNurbCurve3d, InterpolationPassesThroughEveryFitPointAtItsChordParameter)
{
    const OdGePoint3dArray fit = wavyFitPoints();
    const OdGeNurbCurve3d spline(fit);
    EXPECT_EQ(spline.degree(), 3);
    EXPECT_EQ(spline.numControlPoints(), static_cast<int>(fit.size()) + 2);
    double chord = 0.0;
    for (unsigned i = 0; i < fit.size(); ++i)
    {
        if (i > 0)
            chord += fit[i].distanceTo(fit[i - 1]);
        EXPECT_NEAR(spline.evalPoint(chord).distanceTo(fit[i]), 0.0, 1e-12) << "fit point " << i;
        EXPECT_TRUE(spline.isOn(fit[i]));
    }
    OdGeInterval iv;
    spline.getInterval(iv);
    EXPECT_DOUBLE_EQ(iv.upperBound(), chord);

    // Two fit points give the straight segment, which counts as linear.
    const OdGeNurbCurve3d line(OdGePoint3dArray{OdGePoint3d(0, 0, 0), OdGePoint3d(3, 4, 0)});
    EXPECT_TRUE(line.isLinear());
    EXPECT_NEAR(line.length(0.0, 5.0), 5.0, kLengthTol);
    EXPECT_NEAR(line.evalPoint(2.5).distanceTo(OdGePoint3d(1.5, 2, 0)), 0.0, 1e-12);
}

TEST(GeNurbCurve3d, NaturalEndsHaveNoCurvatureAndClampedEndsTheGivenTangent)
{
    const OdGePoint3dArray fit = wavyFitPoints();
    const OdGeNurbCurve3d natural(fit);
    OdGeInterval iv;
    natural.getInterval(iv);
    OdGeVector3dArray d;
    natural.evalPoint(iv.lowerBound(), 2, d);
    EXPECT_NEAR(d[1].length(), 0.0, 1e-12);
    natural.evalPoint(iv.upperBound(), 2, d);
    EXPECT_NEAR(d[1].length(), 0.0, 1e-12);

    const OdGeVector3d t0(1, 0, 0), t1(0, 1, 0);
    const OdGeNurbCurve3d clamped(fit, t0, t1);
    clamped.getInterval(iv);
    clamped.evalPoint(iv.lowerBound(), 1, d);
    EXPECT_NEAR((d[0] - t0).length(), 0.0, 1e-12);
    clamped.evalPoint(iv.upperBound(), 1, d);
    EXPECT_NEAR((d[0] - t1).length(), 0.0, 1e-12);
    for (const auto& p : fit)
        EXPECT_TRUE(clamped.isOn(p));

    // One end clamped, the other natural.
    const OdGeNurbCurve3d mixed(fit, t0, OdGeVector3d(), true, false);
    mixed.evalPoint(iv.upperBound(), 2, d);
    EXPECT_NEAR(d[1].length(), 0.0, 1e-12);
}

TEST(GeNurbCurve3d, BadDefinitionsAreRejectedWithTheReason)
{
    const OdGePoint3dArray three{OdGePoint3d(0, 0, 0), OdGePoint3d(1, 0, 0), OdGePoint3d(2, 1, 0)};
    EXPECT_THROW(OdGeNurbCurve3d(2, OdGeKnotVector(OdGeDoubleArray{0, 0, 1, 1}), three), OdError);
    EXPECT_THROW(OdGeNurbCurve3d(2, OdGeKnotVector(OdGeDoubleArray{0, 0, 0, 1, 0.5, 1}), three), OdError);
    EXPECT_THROW(OdGeNurbCurve3d(2, OdGeKnotVector(OdGeDoubleArray{0, 0, 0, 1, 1, 1}), three,
                                 OdGeDoubleArray{1, 0, 1}),
                 OdError);
    try
    {
        OdGeNurbCurve3d(OdGePoint3dArray{OdGePoint3d(0, 0, 0), OdGePoint3d(1, 1, 0), OdGePoint3d(1, 1, 0)});
        FAIL() << "coincident fit points were accepted";
    }
    catch (const OdError& e)
    {
        EXPECT_EQ(e.code(), eInvalidInput);
        EXPECT_NE(std::string(e.what()).find("fit points 2 and 3"), std::string::npos) << e.what();
    }
    EXPECT_THROW(OdGeNurbCurve3d(OdGePoint3dArray{OdGePoint3d(0, 0, 0)}), OdError);
}

TEST(GeNurbCurve3d, ParamAtLengthRoundTripsWithLength)
{
    const OdGeNurbCurve3d spline(wavyFitPoints());
    OdGeInterval iv;
    spline.getInterval(iv);
    const double a = iv.lowerBound(), b = iv.upperBound();
    const double total = spline.length(a, b);
    // Sum of piecewise lengths equals the whole (quadrature split at knots is consistent).
    EXPECT_NEAR(spline.length(a, 0.3 * b) + spline.length(0.3 * b, b), total, kLengthTol);
    for (double s : {0.0, 0.1, 1.0, 4.2, total * 0.5, total - 1e-3})
    {
        const double t = spline.paramAtLength(a, s);
        EXPECT_NEAR(spline.length(a, t), s, kLengthTol) << "s = " << s;
    }
    for (double s : {0.7, 3.3})
    {
        const double t = spline.paramAtLength(b, s, false);
        EXPECT_NEAR(spline.length(t, b), s, kLengthTol) << "backwards, s = " << s;
    }
    EXPECT_DOUBLE_EQ(spline.paramAtLength(a, total + 1.0), b) << "clamped to the end";

    const OdGeNurbCurve3d arc = quarterCircle(1.0);
    EXPECT_NEAR(arc.paramAtLength(0.0, kPi / 4), 0.5, 1e-10) << "the symmetric midpoint";
}

TEST(GeNurbCurve3d, TheLengthOfASplineWithAFarFitPointIsFoundToItsRelativePrecision)
{
    // The curve runs 1e8 up and down again: an absolute tolerance of 1e-10 on it asks for 18 digits, which
    // doubles cannot give; the quadrature must settle for the precision of the numbers instead of bisecting
    // for ever.
    const OdGeNurbCurve3d spline(
        OdGePoint3dArray{OdGePoint3d(0, 0, 0), OdGePoint3d(50, 1e8, 0), OdGePoint3d(100, 0, 0)});
    OdGeInterval iv;
    spline.getInterval(iv);
    const double total = spline.length(iv.lowerBound(), iv.upperBound());
    // At least the way up and down, at most a few times it (the interpolating spline overshoots a little).
    EXPECT_GT(total, 2e8);
    EXPECT_LT(total, 4e8);
    EXPECT_NEAR(spline.length(iv.lowerBound(), 0.5 * iv.upperBound()) +
                    spline.length(0.5 * iv.upperBound(), iv.upperBound()),
                total, 1e-9 * total);
}

TEST(GeNurbCurve3d, RationalCirclesLieOnTheCircleAndAClosedOneIsSampledWithoutRepeatingItsStart)
{
    const OdGeNurbCurve3d arc = quarterCircle(2.0);
    for (int i = 0; i <= 20; ++i)
        EXPECT_NEAR(arc.evalPoint(i / 20.0).asVector().length(), 2.0, 1e-14);
    EXPECT_NEAR(arc.length(0.0, 1.0), kPi, kLengthTol);
    EXPECT_FALSE(arc.isCircular()) << "its parameter is not proportional to arc length";
    EXPECT_FALSE(arc.isLinear());

    const OdGeNurbCurve3d circle = fullCircle(2.0);
    EXPECT_TRUE(circle.isClosed());
    EXPECT_NEAR(circle.length(0.0, 4.0), 4 * kPi, kLengthTol);
    OdGePoint3dArray pts;
    OdGeDoubleArray params;
    circle.getSamplePoints(4, pts, params);
    ASSERT_EQ(pts.size(), 4u);
    EXPECT_DOUBLE_EQ(params[1], 1.0);
    EXPECT_DOUBLE_EQ(params[3], 3.0);
    EXPECT_NEAR(pts[3].distanceTo(OdGePoint3d(0, -2, 0)), 0.0, 1e-15);

    double param = 0.0;
    const OdGePoint3d onCircle(2 * std::cos(2.0), 2 * std::sin(2.0), 0);
    ASSERT_TRUE(circle.isOn(onCircle, param));
    EXPECT_NEAR(circle.evalPoint(param).distanceTo(onCircle), 0.0, 1e-12);
    EXPECT_NEAR(circle.closestPointTo(OdGePoint3d(10, 10, 0))
                    .distanceTo(OdGePoint3d(std::sqrt(2.0), std::sqrt(2.0), 0)),
                0.0, 1e-10);
    EXPECT_FALSE(circle.isOn(OdGePoint3d(0, 0, 0)));
}

TEST(GeNurbCurve3d, ExtentsReachTheOvershootBetweenFitPoints)
{
    const OdGeNurbCurve3d spline(wavyFitPoints());
    OdGeExtents3d box;
    spline.getGeomExtents(box);
    // The box must reach the true extreme, which dense sampling can only fall short of, by about
    // h^2 times the curvature.
    OdGeInterval iv;
    spline.getInterval(iv);
    double maxY = -1e300;
    for (int i = 0; i <= 20000; ++i)
        maxY = std::max(maxY, spline.evalPoint(iv.lowerBound() + iv.length() * i / 20000.0).y);
    EXPECT_GE(box.maxPoint().y, maxY);
    EXPECT_LE(box.maxPoint().y, maxY + 1e-6);
    EXPECT_GT(box.maxPoint().y, 2.5) << "the overshoot above the highest fit point";
}

TEST(GeNurbCurve3d, FindsPointsNearItsStartAndJustAcrossAKnotOnTheCurve)
{
    OdGePoint3dArray fit;
    for (const auto& p :
         {OdGePoint3d(0, 0, 0), OdGePoint3d(30, 20, 0), OdGePoint3d(60, 10, 0), OdGePoint3d(100, 40, 0)})
        fit.append(p);
    const OdGeNurbCurve3d spline(fit);
    OdGeInterval iv;
    spline.getInterval(iv);
    // Within the first sample step of the search, and a hair either side of the inner knots.
    for (const double t :
         {iv.lowerBound() + 0.3, spline.knotAt(4) - 1e-3, spline.knotAt(4) + 1e-3, spline.knotAt(5) + 1e-3})
    {
        double found = 0.0;
        ASSERT_TRUE(spline.isOn(spline.evalPoint(t), found)) << "at " << t;
        EXPECT_NEAR(found, t, 1e-9);
    }
}
