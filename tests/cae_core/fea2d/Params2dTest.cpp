#include "cae_core/fea2d/Params2d.h"

#include <gtest/gtest.h>

#include <numbers>
#include <type_traits>

namespace cae_core::fea2d
{
namespace
{
constexpr double kPi = std::numbers::pi;
/// Slack for coordinates after one rotation through sin/cos: a few ulps of the values used.
constexpr double kRoundOff = 1e-14;

void expectNear(const OdGePoint2d& actual, const OdGePoint2d& expected)
{
    EXPECT_NEAR(actual.x, expected.x, kRoundOff);
    EXPECT_NEAR(actual.y, expected.y, kRoundOff);
}

void expectNear(const OdGeVector2d& actual, const OdGeVector2d& expected)
{
    EXPECT_NEAR(actual.x, expected.x, kRoundOff);
    EXPECT_NEAR(actual.y, expected.y, kRoundOff);
}

/// A quarter turn counter-clockwise about (1, 1).
OdGeMatrix3d quarterTurn()
{
    return OdGeMatrix3d::rotation(kPi / 2, OdGeVector3d::kZAxis, OdGePoint3d(1, 1, 0));
}

TEST(LoadOrSupportTags, TheTagIsTheAlternativesPosition)
{
    static_assert(std::is_same_v<std::underlying_type_t<EMode>, std::int32_t>);
    static_assert(std::is_same_v<std::underlying_type_t<EElementType>, std::int32_t>);
    EXPECT_EQ(getLoadOrSupportType(PointLoad{}), ePointLoad);
    EXPECT_EQ(getLoadOrSupportType(LinearLoad{}), eLinearLoad);
    EXPECT_EQ(getLoadOrSupportType(PointSupport{}), ePointSupport);
    EXPECT_EQ(getLoadOrSupportType(LinearSupport{}), eLinearSupport);
    EXPECT_EQ(eLinearSupport, 3);
    EXPECT_EQ(ePlanarStrain, 1);
    EXPECT_EQ(eTriangle3, 1);
}

TEST(LoadOrSupportTransform, APointLoadMovesAndItsForceTurns)
{
    const PointLoad load{OdDbObjectId(7), OdGeVector2d(2, 0), 12.5, OdGePoint2d(3, 1)};
    const LoadOrSupport moved = transform(load, quarterTurn());
    ASSERT_EQ(getLoadOrSupportType(moved), ePointLoad);
    const auto& p = std::get<PointLoad>(moved);
    EXPECT_EQ(p.id, OdDbObjectId(7));
    EXPECT_EQ(p.magnitude, 12.5);
    expectNear(p.location, OdGePoint2d(1, 3));
    expectNear(p.direction, OdGeVector2d(0, 2));
}

TEST(LoadOrSupportTransform, ARollingPointSupportTurnsItsDirectionAndStaysRolling)
{
    const PointSupport support{OdDbObjectId(3), OdGeVector2d(1, 0), OdGePoint2d(1, 0), true};
    const LoadOrSupport movedS = transform(support, quarterTurn());
    const auto& s = std::get<PointSupport>(movedS);
    EXPECT_TRUE(s.rolling);
    EXPECT_EQ(s.id, OdDbObjectId(3));
    expectNear(s.direction, OdGeVector2d(0, 1));
    expectNear(s.location, OdGePoint2d(2, 1));
}

TEST(LoadOrSupportTransform, ALinearLoadMovesItsEndsButKeepsItsAbsoluteAngle)
{
    const LinearLoad load{OdDbObjectId(9), 4.0, false, 0.3, OdGePoint2d(1, 0), OdGePoint2d(3, 1), true};
    const LoadOrSupport movedL = transform(load, quarterTurn());
    const auto& l = std::get<LinearLoad>(movedL);
    EXPECT_EQ(l.angle, 0.3);
    EXPECT_FALSE(l.angleRelativeToBoundary);
    EXPECT_TRUE(l.flipped);
    EXPECT_EQ(l.magnitude, 4.0);
    EXPECT_EQ(l.id, OdDbObjectId(9));
    expectNear(l.startLocation, OdGePoint2d(2, 1));
    expectNear(l.endLocation, OdGePoint2d(1, 3));
}

TEST(LoadOrSupportTransform, ALinearSupportMovesItsEndsAndKeepsItsFlags)
{
    const LinearSupport support{OdDbObjectId(2), OdGePoint2d(0, 0), OdGePoint2d(2, 0), true, false};
    const LoadOrSupport movedS = transform(support, OdGeMatrix3d::translation(OdGeVector3d(5, -1, 9)));
    const auto& s = std::get<LinearSupport>(movedS);
    EXPECT_EQ(s.startLocation.x, 5.0);
    EXPECT_EQ(s.startLocation.y, -1.0);
    EXPECT_EQ(s.endLocation.x, 7.0);
    EXPECT_TRUE(s.rolling);
    EXPECT_FALSE(s.flipped);
    EXPECT_EQ(s.id, OdDbObjectId(2));
}

TEST(LoadOrSupportTransform, AMirrorMovesLocationsButOnlyTurnsDirections)
{
    // Mirror in the y axis: its in-plane rotation, atan2(0, -1), is a half turn.
    const OdGeMatrix3d mirror = OdGeMatrix3d::mirroring(OdGePoint3d::kOrigin, OdGeVector3d::kXAxis);
    const PointLoad load{OdDbObjectId(1), OdGeVector2d(0, 1), 1.0, OdGePoint2d(2, 3)};
    const LoadOrSupport movedP = transform(load, mirror);
    const auto& p = std::get<PointLoad>(movedP);
    expectNear(p.location, OdGePoint2d(-2, 3));
    // A true mirror image would keep (0, 1).
    expectNear(p.direction, OdGeVector2d(0, -1));
}

TEST(LoadOrSupportTransform, AScaleMovesLocationsButKeepsTheDirectionsLength)
{
    OdGeMatrix3d stretch;
    stretch[0][0] = 2.0;
    stretch[1][1] = 0.5;
    const PointSupport support{OdDbObjectId(), OdGeVector2d(3, 4), OdGePoint2d(2, 2), false};
    const LoadOrSupport movedS = transform(support, stretch);
    const auto& s = std::get<PointSupport>(movedS);
    EXPECT_EQ(s.location.x, 4.0);
    EXPECT_EQ(s.location.y, 1.0);
    EXPECT_EQ(s.direction.x, 3.0);
    EXPECT_EQ(s.direction.y, 4.0);

    const LoadOrSupport movedScaled = transform(support, OdGeMatrix3d::scaling(10.0));
    const auto& scaled = std::get<PointSupport>(movedScaled);
    EXPECT_EQ(scaled.direction.length(), 5.0);
    expectNear(scaled.location, OdGePoint2d(20, 20));
}

TEST(LoadOrSupportTransform, LocationsAreMovedAsPointsInThePlaneZEqualsZero)
{
    // A quarter turn about the x axis sends (x, y, 0) to (x, 0, y): only x and y are kept.
    const OdGeMatrix3d tilt = OdGeMatrix3d::rotation(kPi / 2, OdGeVector3d::kXAxis);
    const LoadOrSupport moved =
        transform(PointLoad{OdDbObjectId(), OdGeVector2d(1, 0), 1, OdGePoint2d(2, 3)}, tilt);
    const auto& p = std::get<PointLoad>(moved);
    expectNear(p.location, OdGePoint2d(2, 0));
    expectNear(p.direction, OdGeVector2d(1, 0));
}

TEST(Params2dRecord, CopiesShareTheDatabaseObjectsAndCopyTheLoads)
{
    Params2d params;
    EXPECT_TRUE(params.region.isNull());
    EXPECT_TRUE(params.mesh.isNull());
    params.mesh = OdDbSubDMesh::createObject();
    params.loadsAndSupports.push_back(
        PointLoad{OdDbObjectId(4), OdGeVector2d(0, -1), 10.0, OdGePoint2d(1, 1)});

    Params2d copy = params;
    EXPECT_EQ(copy.mesh.get(), params.mesh.get());
    std::get<PointLoad>(copy.loadsAndSupports[0]).magnitude = 20.0;
    EXPECT_EQ(std::get<PointLoad>(params.loadsAndSupports[0]).magnitude, 10.0);
}
} // namespace
} // namespace cae_core::fea2d
