#include "tests/support/Regions.h"

#include "platform/ge/GeExternalCurve3d.h"
#include "platform/ge/GeNurbCurve3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

using namespace test_regions;

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

TEST(DbRegionArea, IsExactForLinesAndArcsNumericalForSplinesAndIndependentOfDirections)
{
    // Exterior clockwise with one edge reversed; the hole a reversed circle.
    OdDbRegion::Loop clockwise =
        polygon({OdGePoint2d(0, 0), OdGePoint2d(0, 10), OdGePoint2d(10, 10), OdGePoint2d(10, 0)});
    clockwise[1]->reverseParam();
    auto reversedHole = circle(5, 5, 2);
    reversedHole->reverseParam();
    // Straight sides of length 10 at y = 0 and y = 6, half circles of radius 3 at the ends.
    const auto halfCircle = [](double cx, double cy, const OdGeVector3d& from)
    {
        return OdSharedPtr<OdGeCurve3d>(
            new OdGeCircArc3d(OdGePoint3d(cx, cy, 0), OdGeVector3d::kZAxis, from, 3.0, 0.0, kPi));
    };
    const OdDbRegion::Loop stadium{line(0, 0, 10, 0), halfCircle(10, 3, OdGeVector3d(0, -1, 0)),
                                   line(10, 6, 0, 6), halfCircle(0, 3, OdGeVector3d(0, 1, 0))};
    // A rational spline circle of radius 2 about (5, 5), behind an external curve.
    const double w = std::sqrt(0.5);
    OdGeNurbCurve3d nurbsCircle(
        2, OdGeKnotVector(OdGeDoubleArray{0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 4}),
        OdGePoint3dArray{OdGePoint3d(7, 5, 0), OdGePoint3d(7, 7, 0), OdGePoint3d(5, 7, 0),
                         OdGePoint3d(3, 7, 0), OdGePoint3d(3, 5, 0), OdGePoint3d(3, 3, 0),
                         OdGePoint3d(5, 3, 0), OdGePoint3d(7, 3, 0), OdGePoint3d(7, 5, 0)},
        OdGeDoubleArray{1, w, 1, w, 1, w, 1, w, 1});
    const OdSharedPtr<OdGeCurve3d> externalHole(new OdGeExternalCurve3d(nurbsCircle));
    // Two half circles, the second given against the loop's direction.
    OdDbRegion::Loop halves{
        OdSharedPtr<OdGeCurve3d>(
            new OdGeCircArc3d(OdGePoint3d(), OdGeVector3d::kZAxis, OdGeVector3d::kXAxis, 1.0, 0.0, kPi)),
        OdSharedPtr<OdGeCurve3d>(
            new OdGeCircArc3d(OdGePoint3d(), OdGeVector3d::kZAxis, OdGeVector3d::kXAxis, 1.0, kPi, 2 * kPi)),
    };
    halves[1]->reverseParam();

    struct Case
    {
        const char* name;
        std::vector<OdDbRegion::Loop> loops;
        double area, perimeter;
        OdGePoint3d min, max;
    };
    const Case cases[] = {
        {"square with a hole",
         {rectangleLoop(0, 0, 100, 100), {circle(50, 50, 20)}},
         10000.0 - 400 * kPi,
         400.0 + 40 * kPi,
         OdGePoint3d(0, 0, 0),
         OdGePoint3d(100, 100, 0)},
        {"reversed directions",
         {clockwise, {reversedHole}},
         100.0 - 4 * kPi,
         40.0 + 4 * kPi,
         OdGePoint3d(0, 0, 0),
         OdGePoint3d(10, 10, 0)},
        // The box reaches the arcs' outermost points, not their end points.
        {"stadium", {stadium}, 60.0 + 9 * kPi, 20.0 + 6 * kPi, OdGePoint3d(-3, 0, 0), OdGePoint3d(13, 6, 0)},
        {"spline hole",
         {rectangleLoop(0, 0, 10, 10), {externalHole}},
         100.0 - 4 * kPi,
         40.0 + 4 * kPi,
         OdGePoint3d(0, 0, 0),
         OdGePoint3d(10, 10, 0)},
        {"reversed half circle", {halves}, kPi, 2 * kPi, OdGePoint3d(-1, -1, 0), OdGePoint3d(1, 1, 0)},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(describe(c.loops), "");
        OdDbRegionPtr region = OdDbRegion::createObject();
        ASSERT_EQ(region->setLoops(c.loops), eOk);
        double area = 0.0, perimeter = 0.0;
        OdGeExtents3d ext;
        ASSERT_EQ(region->getArea(area), eOk);
        ASSERT_EQ(region->getPerimeter(perimeter), eOk);
        ASSERT_EQ(region->getGeomExtents(ext), eOk);
        EXPECT_NEAR(area, c.area, kExact);
        EXPECT_NEAR(perimeter, c.perimeter, kExact);
        EXPECT_LE(ext.minPoint().distanceTo(c.min), kExact);
        EXPECT_LE(ext.maxPoint().distanceTo(c.max), kExact);
    }
}

TEST(DbRegionLoops, BadLoopsAreRejectedWithAMessageNamingTheProblemAndWhere)
{
    OdDbRegion::Loop hole =
        polygon({OdGePoint2d(2, 2), OdGePoint2d(4, 2), OdGePoint2d(4, 4), OdGePoint2d(2, 4)});
    hole[2] = line(4, 4, 2.5, 4); // stops short of the last edge's start (2, 4)
    OdDbRegion::Loop gapAtClose = rectangleLoop(0, 0, 10, 10);
    gapAtClose[3] = line(0, 10, 0, 1);
    const OdDbRegion::Loop tilted{
        OdSharedPtr<OdGeCurve3d>(new OdGeCircArc3d(OdGePoint3d(), OdGeVector3d(0, 1, 1), 1.0))};
    const OdDbRegion::Loop halfCircle{OdSharedPtr<OdGeCurve3d>(
        new OdGeCircArc3d(OdGePoint3d(), OdGeVector3d::kZAxis, OdGeVector3d::kXAxis, 1.0, 0.0, kPi))};
    const std::pair<std::vector<OdDbRegion::Loop>, const char*> cases[] = {
        {{rectangleLoop(0, 0, 10, 10), hole},
         "loop 2 is open: the end of curve 3 at (2.5, 4, 0) does not meet curve 4 (gap 0.5)"},
        {{gapAtClose}, "loop 1 is open: the end of curve 4 at (0, 1, 0) does not meet curve 1 (gap 1)"},
        {{}, "the region has no loops"},
        {{rectangleLoop(0, 0, 1, 1), {}}, "loop 2 has no curves"},
        {{{circle(0, 0, 1), OdSharedPtr<OdGeCurve3d>()}}, "curve 2 of loop 1 is missing"},
        {{tilted}, "curve 1 of loop 1 does not lie in the XY plane"},
        {{{line(0, 0, 1, 0), line(1, 0, 1, 0), line(1, 0, 0, 0)}}, "curve 2 of loop 1 has zero length"},
        {{{OdSharedPtr<OdGeCurve3d>(new OdGeExternalCurve3d())}}, "curve 1 of loop 1 is unbounded"},
        {{halfCircle}, "loop 1 is open: its only curve starts at (1, 0, 0) and ends at (-1, 0, 0) (gap 2)"},
    };
    OdDbRegionPtr region = OdDbRegion::createObject();
    ASSERT_EQ(region->setLoops({rectangleLoop(0, 0, 10, 10)}), eOk);
    for (const auto& [loops, message] : cases)
    {
        EXPECT_EQ(describe(loops), message);
        EXPECT_EQ(region->setLoops(loops), eInvalidInput) << message;
        EXPECT_EQ(region->numLoops(), 1) << "a rejected set leaves the region as it was";
    }

    OdDbRegionPtr empty = OdDbRegion::createObject();
    double area = 0.0;
    EXPECT_EQ(empty->getArea(area), eInvalidInput);
    OdGeExtents3d ext;
    EXPECT_EQ(empty->getGeomExtents(ext), eInvalidExtents);
}

TEST(DbRegionLoops, TheRegionKeepsItsOwnCopies)
{
    OdDbRegion::Loop loop = rectangleLoop(0, 0, 10, 10);
    OdDbRegionPtr region = OdDbRegion::createObject();
    ASSERT_EQ(region->setLoops({loop}), eOk);
    loop[0]->transformBy(OdGeMatrix3d::translation(OdGeVector3d(0, -5, 0)));
    double area = 0.0;
    ASSERT_EQ(region->getArea(area), eOk);
    EXPECT_NEAR(area, 100.0, kExact);
    EXPECT_NE(region->loopAt(0)[0].get(), loop[0].get());
}
