#include "cae_core/fea2d/Params2d.h"

#include <gtest/gtest.h>

#include <numbers>
#include <type_traits>

namespace cae_core::fea2d
{
namespace
{
/// Slack for coordinates after one rotation through sin/cos: a few ulps of the values used.
constexpr double kRoundOff = 1e-14;

template <class A, class B> void expectNear(const A& actual, const B& expected)
{
    EXPECT_NEAR(actual.x, expected.x, kRoundOff);
    EXPECT_NEAR(actual.y, expected.y, kRoundOff);
}

TEST(LoadOrSupportTags, TheTagIsTheAlternativesPosition)
{
    static_assert(std::is_same_v<std::underlying_type_t<EMode>, std::int32_t> &&
                  std::is_same_v<std::underlying_type_t<EElementType>, std::int32_t>);
    static_assert(ePlanarStrain == 1 && eTriangle3 == 1);
    EXPECT_EQ(getLoadOrSupportType(PointLoad{}), ePointLoad);
    EXPECT_EQ(getLoadOrSupportType(LinearLoad{}), eLinearLoad);
    EXPECT_EQ(getLoadOrSupportType(PointSupport{}), ePointSupport);
    EXPECT_EQ(getLoadOrSupportType(LinearSupport{}), eLinearSupport);
    EXPECT_EQ(eLinearSupport, 3);
}

TEST(LoadOrSupportTransform, EveryKindMovesItsLocationsTurnsItsDirectionAndKeepsEverythingElse)
{
    // A quarter turn counter-clockwise about (1, 1).
    const OdGeMatrix3d m =
        OdGeMatrix3d::rotation(std::numbers::pi / 2, OdGeVector3d::kZAxis, OdGePoint3d(1, 1, 0));

    const LoadOrSupport pointLoad = transform(PointLoad{OdDbObjectId(7), {2, 0}, 12.5, {3, 1}}, m);
    const auto& p = std::get<PointLoad>(pointLoad);
    EXPECT_EQ(p.id, OdDbObjectId(7));
    EXPECT_EQ(p.magnitude, 12.5);
    expectNear(p.location, OdGePoint2d(1, 3));
    expectNear(p.direction, OdGeVector2d(0, 2));

    // The absolute angle of a linear load is not turned with it.
    const LoadOrSupport linearLoad =
        transform(LinearLoad{OdDbObjectId(9), 4.0, false, 0.3, {1, 0}, {3, 1}, true}, m);
    const auto& l = std::get<LinearLoad>(linearLoad);
    EXPECT_TRUE(l.id == OdDbObjectId(9) && l.magnitude == 4.0 && !l.angleRelativeToBoundary && l.flipped);
    EXPECT_EQ(l.angle, 0.3);
    expectNear(l.startLocation, OdGePoint2d(2, 1));
    expectNear(l.endLocation, OdGePoint2d(1, 3));

    const LoadOrSupport pointSupport = transform(PointSupport{OdDbObjectId(3), {1, 0}, {1, 0}, true}, m);
    const auto& s = std::get<PointSupport>(pointSupport);
    EXPECT_TRUE(s.id == OdDbObjectId(3) && s.rolling);
    expectNear(s.direction, OdGeVector2d(0, 1));
    expectNear(s.location, OdGePoint2d(2, 1));

    const LoadOrSupport linearSupport =
        transform(LinearSupport{OdDbObjectId(2), {0, 0}, {2, 0}, true, false}, m);
    const auto& e = std::get<LinearSupport>(linearSupport);
    EXPECT_TRUE(e.id == OdDbObjectId(2) && e.rolling && !e.flipped);
    expectNear(e.startLocation, OdGePoint2d(2, 0));
    expectNear(e.endLocation, OdGePoint2d(2, 2));
}

TEST(LoadOrSupportTransform, LocationsFollowTheMatrixInThePlaneButDirectionsOnlyItsInPlaneRotation)
{
    // Mirror in the y axis: its in-plane rotation, atan2(0, -1), is a half turn; a true mirror image would
    // keep (0, 1).
    const OdGeMatrix3d mirror = OdGeMatrix3d::mirroring(OdGePoint3d::kOrigin, OdGeVector3d::kXAxis);
    const LoadOrSupport mirrored = transform(PointLoad{OdDbObjectId(1), {0, 1}, 1.0, {2, 3}}, mirror);
    expectNear(std::get<PointLoad>(mirrored).location, OdGePoint2d(-2, 3));
    expectNear(std::get<PointLoad>(mirrored).direction, OdGeVector2d(0, -1));
    // Scales stretch locations, never directions.
    OdGeMatrix3d stretch;
    stretch[0][0] = 2.0;
    stretch[1][1] = 0.5;
    const PointSupport support{OdDbObjectId(), {3, 4}, {2, 2}, false};
    const LoadOrSupport stretched = transform(support, stretch);
    EXPECT_EQ(std::get<PointSupport>(stretched).location, OdGePoint2d(4, 1));
    EXPECT_EQ(std::get<PointSupport>(stretched).direction, OdGeVector2d(3, 4));
    const LoadOrSupport scaled = transform(support, OdGeMatrix3d::scaling(10.0));
    EXPECT_EQ(std::get<PointSupport>(scaled).direction.length(), 5.0);
    expectNear(std::get<PointSupport>(scaled).location, OdGePoint2d(20, 20));
    // A quarter turn about the x axis sends (x, y, 0) to (x, 0, y): only x and y are kept, and the in-plane
    // rotation is none.
    const OdGeMatrix3d tilt = OdGeMatrix3d::rotation(std::numbers::pi / 2, OdGeVector3d::kXAxis);
    const LoadOrSupport tilted = transform(PointLoad{OdDbObjectId(), {1, 0}, 1, {2, 3}}, tilt);
    expectNear(std::get<PointLoad>(tilted).location, OdGePoint2d(2, 0));
    expectNear(std::get<PointLoad>(tilted).direction, OdGeVector2d(1, 0));
}
} // namespace
} // namespace cae_core::fea2d
