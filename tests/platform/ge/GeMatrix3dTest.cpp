#include "platform/ge/GeMatrix3d.h"
#include "platform/base/OdError.h"

#include <gtest/gtest.h>

#include <numbers>

namespace
{
constexpr double kPi = std::numbers::pi;
/// Slack for results of a few products of sin/cos values: a few ulps of the coordinates used.
constexpr double kRoundOff = 1e-14;

void expectNear(const OdGePoint3d& actual, const OdGePoint3d& expected)
{
    EXPECT_NEAR(actual.x, expected.x, kRoundOff);
    EXPECT_NEAR(actual.y, expected.y, kRoundOff);
    EXPECT_NEAR(actual.z, expected.z, kRoundOff);
}

TEST(GeMatrixTransforms, TranslationMovesPointsButNotVectors)
{
    const OdGeMatrix3d t = OdGeMatrix3d::translation(OdGeVector3d(1, 2, 3));
    expectNear(t * OdGePoint3d(1, 1, 1), OdGePoint3d(2, 3, 4));
    const OdGeVector3d v = t * OdGeVector3d(1, 1, 1);
    EXPECT_EQ(v.x, 1.0);
    EXPECT_EQ(v.z, 1.0);
    EXPECT_EQ(t.translation().y, 2.0);
}

TEST(GeMatrixTransforms, RotationAboutZIsCounterClockwiseAboutItsCentre)
{
    const OdGeMatrix3d r = OdGeMatrix3d::rotation(kPi / 2, OdGeVector3d::kZAxis, OdGePoint3d(1, 0, 0));
    expectNear(r * OdGePoint3d(2, 0, 5), OdGePoint3d(1, 1, 5));
    expectNear(r * OdGePoint3d(1, 0, 0), OdGePoint3d(1, 0, 0));
    EXPECT_NEAR(r[1][0], 1.0, kRoundOff);
    EXPECT_NEAR(r[0][0], 0.0, kRoundOff);
}

TEST(GeMatrixTransforms, ProductAppliesTheRightFactorFirst)
{
    const OdGeMatrix3d t = OdGeMatrix3d::translation(OdGeVector3d(1, 0, 0));
    const OdGeMatrix3d r = OdGeMatrix3d::rotation(kPi / 2, OdGeVector3d::kZAxis);
    // (t * r) p = t (r p): rotate, then translate.
    expectNear((t * r) * OdGePoint3d(1, 0, 0), OdGePoint3d(1, 1, 0));
    expectNear((r * t) * OdGePoint3d(1, 0, 0), OdGePoint3d(0, 2, 0));

    OdGeMatrix3d m = r;
    m.preMultBy(t);
    EXPECT_TRUE(m.isEqualTo(t * r));
    m = r;
    m.postMultBy(t);
    EXPECT_TRUE(m.isEqualTo(r * t));
}

TEST(GeMatrixTransforms, ScalingAndMirroringAboutAPoint)
{
    expectNear(OdGeMatrix3d::scaling(2.0, OdGePoint3d(1, 1, 1)) * OdGePoint3d(2, 1, 0),
               OdGePoint3d(3, 1, -1));
    const OdGeMatrix3d mirror = OdGeMatrix3d::mirroring(OdGePoint3d(1, 0, 0), OdGeVector3d::kXAxis);
    expectNear(mirror * OdGePoint3d(3, 2, 0), OdGePoint3d(-1, 2, 0));
    EXPECT_NEAR(mirror.det(), -1.0, kRoundOff);
}

TEST(GeMatrixInverse, InverseUndoesTheTransform)
{
    const OdGeMatrix3d m = OdGeMatrix3d::translation(OdGeVector3d(5, -2, 1)) *
                           OdGeMatrix3d::rotation(0.7, OdGeVector3d(1, 1, 1)) *
                           OdGeMatrix3d::scaling(3.0, OdGePoint3d(0, 1, 0));
    const OdGeMatrix3d inv = m.inverse();
    EXPECT_TRUE((m * inv).isEqualTo(OdGeMatrix3d::kIdentity));
    expectNear(inv * (m * OdGePoint3d(0.3, -4, 2)), OdGePoint3d(0.3, -4, 2));
    EXPECT_NEAR(m.det(), 27.0, 1e-12);
}

TEST(GeMatrixInverse, ASingularMatrixRaisesDegenerateGeometry)
{
    const OdGeMatrix3d flat = OdGeMatrix3d::scaling(0.0);
    try
    {
        flat.inverse();
        FAIL() << "inverting a singular matrix must raise";
    }
    catch (const OdError& e)
    {
        EXPECT_EQ(e.code(), eDegenerateGeometry);
    }
}

TEST(GeMatrixTransforms, PointTransformByMatchesTheProduct)
{
    const OdGeMatrix3d r = OdGeMatrix3d::rotation(kPi, OdGeVector3d::kZAxis);
    OdGePoint3d p(1, 2, 3);
    p.transformBy(r);
    expectNear(p, OdGePoint3d(-1, -2, 3));
    OdGeVector3d v(1, 0, 0);
    v.transformBy(r);
    EXPECT_NEAR(v.x, -1.0, kRoundOff);
}
} // namespace
