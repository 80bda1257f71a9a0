#include "cae_core/glyphs/BoundaryNormal.h"

#include "platform/db/DbRegion.h"
#include "platform/ge/GeCircArc3d.h"
#include "platform/ge/GeLineSeg3d.h"

#include <gtest/gtest.h>

namespace
{
using namespace cae_core::fea2d;

OdSharedPtr<OdGeCurve3d> line(double x0, double y0, double x1, double y1)
{
    return OdSharedPtr<OdGeCurve3d>(new OdGeLineSeg3d(OdGePoint3d(x0, y0, 0), OdGePoint3d(x1, y1, 0)));
}

void expectVector(const OdGeVector3d& v, double x, double y, const std::string& what)
{
    EXPECT_NEAR(v.x, x, 1e-9) << what;
    EXPECT_NEAR(v.y, y, 1e-9) << what;
    EXPECT_NEAR(v.z, 0.0, 1e-9) << what;
}

TEST(CurveNormal, IsTheTangentCrossedWithThePlaneNormalOrZeroOffTheCurve)
{
    const OdGeLineSeg3d up(OdGePoint3d(0, 0, 0), OdGePoint3d(0, 5, 0));
    expectVector(getCurveNormalAtPoint(up, OdGePoint3d(0, 2, 0), OdGeVector3d::kZAxis), 1, 0,
                 "turned clockwise");
    expectVector(getCurveNormalAtPoint(up, OdGePoint3d(0, 2, 0), -OdGeVector3d::kZAxis), -1, 0, "other side");
    expectVector(getCurveNormalAtPoint(up, OdGePoint3d(1, 2, 0), OdGeVector3d::kZAxis), 0, 0,
                 "off the curve");
}

TEST(BoundaryNormal, PointsOutOfTheRegionOnOuterLoopsAndHolesWhateverTheCurvesDirections)
{
    // The outer loop given clockwise, the hole counter-clockwise: both against the brep's loop sense.
    const auto region = OdDbRegion::createObject();
    const OdDbRegion::Loop outer{line(0, 0, 0, 10), line(0, 10, 20, 10), line(20, 10, 20, 0),
                                 line(20, 0, 0, 0)};
    const OdDbRegion::Loop hole{
        OdSharedPtr<OdGeCurve3d>(new OdGeCircArc3d(OdGePoint3d(10, 5, 0), OdGeVector3d::kZAxis, 2.0))};
    ASSERT_EQ(region->setLoops({outer, hole}), eOk);
    OdBrBrep brep;
    ASSERT_EQ(region->brep(brep), eOk);

    const std::tuple<OdGePoint3d, double, double, const char*> cases[] = {
        {OdGePoint3d(0, 4, 0), -1, 0, "left edge"},
        {OdGePoint3d(7, 10, 0), 0, 1, "top edge"},
        {OdGePoint3d(20, 3, 0), 1, 0, "right edge"},
        {OdGePoint3d(12, 5, 0), -1, 0, "hole's right side: out of the region is into the hole"},
        {OdGePoint3d(10, 7, 0), 0, -1, "hole's top"},
        {OdGePoint3d(5, 5, 0), 0, 0, "inside: on no edge"},
    };
    for (const auto& [point, x, y, what] : cases)
        expectVector(getBoundaryNormalAtPoint(brep, point), x, y, what);
    expectVector(getBoundaryNormalAtPoint(OdBrBrep(), OdGePoint3d(0, 4, 0)), 0, 0, "null brep");
}

} // namespace
