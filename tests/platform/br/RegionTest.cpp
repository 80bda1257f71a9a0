#include "RegionTestSupport.h"

#include "platform/ge/GeExternalCurve3d.h"
#include "platform/ge/GeNurbCurve3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace regiontest;

namespace
{
constexpr double kPi = std::numbers::pi;
/// Closed-form areas and lengths of values up to 1e4 agree to rounding.
constexpr double kExact = 1e-9;

std::string describe(const std::vector<OdDbRegion::Loop>& loops)
{
    return std::string(OdAnsiString(OdDbRegion::describeLoops(loops)).c_str());
}
} // namespace

TEST(DbRegionArea, SquareWithACircularHoleIsTheDifferenceOfTheAreas)
{
    const double r = 20.0;
    OdDbRegionPtr region = OdDbRegion::createObject();
    ASSERT_EQ(region->setLoops({square(0, 0, 100), {circle(50, 50, r)}}), eOk);
    double area = 0.0;
    ASSERT_EQ(region->getArea(area), eOk);
    EXPECT_NEAR(area, 100.0 * 100.0 - kPi * r * r, kExact);
    double perimeter = 0.0;
    ASSERT_EQ(region->getPerimeter(perimeter), eOk);
    EXPECT_NEAR(perimeter, 400.0 + 2 * kPi * r, kExact);
    OdGeExtents3d ext;
    ASSERT_EQ(region->getGeomExtents(ext), eOk);
    EXPECT_NEAR(ext.minPoint().x, 0.0, kExact);
    EXPECT_NEAR(ext.minPoint().y, 0.0, kExact);
    EXPECT_NEAR(ext.maxPoint().x, 100.0, kExact);
    EXPECT_NEAR(ext.maxPoint().y, 100.0, kExact);
}

TEST(DbRegionArea, DoesNotDependOnLoopOrientationOrCurveDirections)
{
    // Exterior clockwise with one edge reversed; the hole is a reversed circle.
    OdDbRegion::Loop outer =
        polygon({OdGePoint2d(0, 0), OdGePoint2d(0, 10), OdGePoint2d(10, 10), OdGePoint2d(10, 0)});
    outer[1]->reverseParam();
    auto hole = circle(5, 5, 2);
    hole->reverseParam();
    OdDbRegionPtr region = OdDbRegion::createObject();
    ASSERT_EQ(region->setLoops({outer, {hole}}), eOk);
    double area = 0.0;
    ASSERT_EQ(region->getArea(area), eOk);
    EXPECT_NEAR(area, 100.0 - 4 * kPi, kExact);
}

TEST(DbRegionArea, StadiumOfLinesAndHalfCirclesIsExact)
{
    // Straight sides of length 10 at y = 0 and y = 6, half circles of radius 3 at the ends.
    OdDbRegion::Loop loop{
        line(0, 0, 10, 0),
        OdSharedPtr<OdGeCurve3d>(new OdGeCircArc3d(OdGePoint3d(10, 3, 0), OdGeVector3d::kZAxis,
                                                   OdGeVector3d(0, -1, 0), 3.0, 0.0, kPi)),
        line(10, 6, 0, 6),
        OdSharedPtr<OdGeCurve3d>(new OdGeCircArc3d(OdGePoint3d(0, 3, 0), OdGeVector3d::kZAxis,
                                                   OdGeVector3d(0, 1, 0), 3.0, 0.0, kPi)),
    };
    OdDbRegionPtr region = OdDbRegion::createObject();
    ASSERT_EQ(region->setLoops({loop}), eOk);
    double area = 0.0;
    ASSERT_EQ(region->getArea(area), eOk);
    EXPECT_NEAR(area, 60.0 + 9 * kPi, kExact);
    OdGeExtents3d ext;
    ASSERT_EQ(region->getGeomExtents(ext), eOk);
    EXPECT_NEAR(ext.minPoint().x, -3.0, kExact) << "the arc's leftmost point, not its end points";
    EXPECT_NEAR(ext.maxPoint().x, 13.0, kExact);
}

TEST(DbRegionArea, SplineAndExternalBoundariesAreIntegratedNumerically)
{
    const double w = std::sqrt(0.5), r = 2.0;
    OdGePoint3dArray pts{OdGePoint3d(r, 0, 0),  OdGePoint3d(r, r, 0),  OdGePoint3d(0, r, 0),
                         OdGePoint3d(-r, r, 0), OdGePoint3d(-r, 0, 0), OdGePoint3d(-r, -r, 0),
                         OdGePoint3d(0, -r, 0), OdGePoint3d(r, -r, 0), OdGePoint3d(r, 0, 0)};
    OdGeNurbCurve3d nurbsCircle(2, OdGeKnotVector(OdGeDoubleArray{0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 4}), pts,
                                OdGeDoubleArray{1, w, 1, w, 1, w, 1, w, 1});
    nurbsCircle.transformBy(OdGeMatrix3d::translation(OdGeVector3d(5, 5, 0)));
    OdDbRegionPtr region = OdDbRegion::createObject();
    ASSERT_EQ(region->setLoops(
                  {square(0, 0, 10), {OdSharedPtr<OdGeCurve3d>(new OdGeExternalCurve3d(nurbsCircle))}}),
              eOk);
    double area = 0.0;
    ASSERT_EQ(region->getArea(area), eOk);
    EXPECT_NEAR(area, 100.0 - kPi * r * r, 1e-9);
}

TEST(DbRegionLoops, CurvesMayNeedReversingToCloseTheLoop)
{
    OdDbRegion::Loop loop = square(0, 0, 1);
    loop[0]->reverseParam();
    loop[2]->reverseParam();
    EXPECT_EQ(describe({loop}), "");
    OdDbRegionPtr region = OdDbRegion::createObject();
    EXPECT_EQ(region->setLoops({loop}), eOk);
    // Two half circles, the second given in the same rotational sense as the first.
    OdDbRegion::Loop halves{
        OdSharedPtr<OdGeCurve3d>(
            new OdGeCircArc3d(OdGePoint3d(), OdGeVector3d::kZAxis, OdGeVector3d::kXAxis, 1.0, 0.0, kPi)),
        OdSharedPtr<OdGeCurve3d>(
            new OdGeCircArc3d(OdGePoint3d(), OdGeVector3d::kZAxis, OdGeVector3d::kXAxis, 1.0, kPi, 2 * kPi)),
    };
    EXPECT_EQ(describe({halves}), "");
    halves[1]->reverseParam();
    EXPECT_EQ(describe({halves}), "");
}

TEST(DbRegionLoops, AnOpenLoopIsRejectedWithAMessageNamingTheGap)
{
    OdDbRegion::Loop hole =
        polygon({OdGePoint2d(2, 2), OdGePoint2d(4, 2), OdGePoint2d(4, 4), OdGePoint2d(2, 4)});
    hole[2] = line(4, 4, 2.5, 4); // stops short of the last edge's start (2, 4)
    const std::vector<OdDbRegion::Loop> loops{square(0, 0, 10), hole};
    EXPECT_EQ(describe(loops),
              "loop 2 is open: the end of curve 3 at (2.5, 4, 0) does not meet curve 4 (gap 0.5)");

    OdDbRegionPtr region = OdDbRegion::createObject();
    ASSERT_EQ(region->setLoops({square(0, 0, 10)}), eOk);
    EXPECT_EQ(region->setLoops(loops), eInvalidInput);
    EXPECT_EQ(region->numLoops(), 1) << "a rejected set leaves the region as it was";

    OdDbRegion::Loop gapAtClose = square(0, 0, 10);
    gapAtClose[3] = line(0, 10, 0, 1);
    EXPECT_EQ(describe({gapAtClose}),
              "loop 1 is open: the end of curve 4 at (0, 1, 0) does not meet curve 1 (gap 1)");
}

TEST(DbRegionLoops, OtherBadInputIsNamed)
{
    EXPECT_EQ(describe({}), "the region has no loops");
    EXPECT_EQ(describe({square(0, 0, 1), {}}), "loop 2 has no curves");
    EXPECT_EQ(describe({{circle(0, 0, 1), OdSharedPtr<OdGeCurve3d>()}}), "curve 2 of loop 1 is missing");
    OdDbRegion::Loop tilted{
        OdSharedPtr<OdGeCurve3d>(new OdGeCircArc3d(OdGePoint3d(), OdGeVector3d(0, 1, 1), 1.0))};
    EXPECT_EQ(describe({tilted}), "curve 1 of loop 1 does not lie in the XY plane");
    EXPECT_EQ(describe({{line(0, 0, 1, 0), line(1, 0, 1, 0), line(1, 0, 0, 0)}}),
              "curve 2 of loop 1 has zero length");
    EXPECT_EQ(describe({{OdSharedPtr<OdGeCurve3d>(new OdGeExternalCurve3d())}}),
              "curve 1 of loop 1 is unbounded");
    EXPECT_EQ(describe({{OdSharedPtr<OdGeCurve3d>(new OdGeCircArc3d(OdGePoint3d(), OdGeVector3d::kZAxis,
                                                                    OdGeVector3d::kXAxis, 1.0, 0.0, kPi))}}),
              "loop 1 is open: its only curve starts at (1, 0, 0) and ends at (-1, 0, 0) (gap 2)");

    OdDbRegionPtr empty = OdDbRegion::createObject();
    double area = 0.0;
    EXPECT_EQ(empty->getArea(area), eInvalidInput);
    OdGeExtents3d ext;
    EXPECT_EQ(empty->getGeomExtents(ext), eInvalidExtents);
}

TEST(DbRegionLoops, TheRegionKeepsItsOwnCopies)
{
    OdDbRegion::Loop loop = square(0, 0, 10);
    OdDbRegionPtr region = OdDbRegion::createObject();
    ASSERT_EQ(region->setLoops({loop}), eOk);
    loop[0]->transformBy(OdGeMatrix3d::translation(OdGeVector3d(0, -5, 0)));
    double area = 0.0;
    ASSERT_EQ(region->getArea(area), eOk);
    EXPECT_NEAR(area, 100.0, kExact);
    EXPECT_NE(region->loopAt(0)[0].get(), loop[0].get());
}
