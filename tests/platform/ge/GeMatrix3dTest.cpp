#include "platform/ge/GeMatrix3d.h"

#include <gtest/gtest.h>

#include <numbers>

namespace
{
constexpr double kPi = std::numbers::pi;
/// Slack for results of a few products of sin/cos values: a few ulps of the coordinates used.
constexpr double kRoundOff = 1e-14;

TEST(GeMatrixTransforms, MapPointsAndVectorsAsTheirDefinitionsSay)
{
    const OdGeMatrix3d translation = OdGeMatrix3d::translation(OdGeVector3d(1, 2, 3));
    const OdGeMatrix3d rotation = OdGeMatrix3d::rotation(kPi / 2, OdGeVector3d::kZAxis, OdGePoint3d(1, 0, 0));
    const OdGeMatrix3d mirror = OdGeMatrix3d::mirroring(OdGePoint3d(1, 0, 0), OdGeVector3d::kXAxis);
    const struct
    {
        const char* name;
        OdGeMatrix3d m;
        OdGePoint3d from, to;
    } cases[] = {
        {"translation", translation, OdGePoint3d(1, 1, 1), OdGePoint3d(2, 3, 4)},
        {"counter-clockwise rotation about a centre", rotation, OdGePoint3d(2, 0, 5), OdGePoint3d(1, 1, 5)},
        {"rotation keeps its centre", rotation, OdGePoint3d(1, 0, 0), OdGePoint3d(1, 0, 0)},
        {"scaling about a point", OdGeMatrix3d::scaling(2.0, OdGePoint3d(1, 1, 1)), OdGePoint3d(2, 1, 0),
         OdGePoint3d(3, 1, -1)},
        {"mirroring in a plane", mirror, OdGePoint3d(3, 2, 0), OdGePoint3d(-1, 2, 0)},
    };
    for (const auto& c : cases)
    {
        EXPECT_LE((c.m * c.from).distanceTo(c.to), kRoundOff) << c.name;
        OdGePoint3d p = c.from;
        EXPECT_LE(p.transformBy(c.m).distanceTo(c.to), kRoundOff) << c.name << " by transformBy";
    }
    EXPECT_TRUE((translation * OdGeVector3d(1, 1, 1)).isEqualTo(OdGeVector3d(1, 1, 1)))
        << "vectors do not move";
    EXPECT_EQ(translation.translation().y, 2.0);
    EXPECT_NEAR(rotation[1][0], 1.0, kRoundOff);
    EXPECT_NEAR(mirror.det(), -1.0, kRoundOff);
    OdGeVector3d v(1, 0, 0);
    EXPECT_NEAR(v.transformBy(rotation).y, 1.0, kRoundOff);
    // A product applies its right factor first: rotate, then translate.
    const OdGeMatrix3d quarterTurn = OdGeMatrix3d::rotation(kPi / 2, OdGeVector3d::kZAxis);
    EXPECT_LE(((translation * quarterTurn) * OdGePoint3d(1, 0, 0)).distanceTo(OdGePoint3d(1, 3, 3)),
              kRoundOff);
    EXPECT_LE(((quarterTurn * translation) * OdGePoint3d(1, 0, 0)).distanceTo(OdGePoint3d(-2, 2, 3)),
              kRoundOff);
}

} // namespace
