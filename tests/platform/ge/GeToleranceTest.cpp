#include "platform/ge/GeContext.h"
#include "platform/ge/GeExtents3d.h"
#include "platform/ge/GePoint2d.h"
#include "platform/ge/GePoint3d.h"
#include "platform/ge/GeVector2d.h"
#include "platform/ge/GeVector3d.h"

#include <gtest/gtest.h>

#include <numbers>

namespace
{
constexpr double kPi = std::numbers::pi;
/// Slack for values computed through sin/cos of a few operations: a few ulps of 1.
constexpr double kRoundOff = 1e-15;

TEST(GeGlobalTolerance, PointsCloserThanOneTenBillionthByEuclideanDistanceAreEqual)
{
    EXPECT_EQ(OdGeContext::gTol.equalPoint(), 1e-10);
    EXPECT_EQ(OdGeContext::gTol.equalVector(), 1e-10);
    const OdGePoint2d p(1.0, 2.0);
    EXPECT_TRUE(p.isEqualTo(OdGePoint2d(1.0 + 0.9e-10, 2.0)));
    EXPECT_FALSE(p.isEqualTo(OdGePoint2d(1.0 + 2e-10, 2.0)));
    EXPECT_TRUE(p == OdGePoint2d(1.0, 2.0 - 0.5e-10));
    EXPECT_TRUE(p.isEqualTo(OdGePoint2d(1.001, 2.0), OdGeTol(1e-2)));
    // Each coordinate within the tolerance, the distance (0.8e-10 * sqrt 2) beyond it.
    EXPECT_FALSE(OdGePoint2d(0.0, 0.0).isEqualTo(OdGePoint2d(0.8e-10, 0.8e-10)));
    const OdGePoint3d q(1.0, 2.0, 3.0);
    EXPECT_TRUE(q.isEqualTo(OdGePoint3d(1.0, 2.0, 3.0 + 0.9e-10)));
    EXPECT_FALSE(q.isEqualTo(OdGePoint3d(1.0, 2.0, 3.0 + 2e-10)));
}

TEST(GeGlobalTolerance, VectorsAreZeroEqualOrParallelWithinTheVectorTolerance)
{
    EXPECT_TRUE(OdGeVector2d(0.5e-10, 0.5e-10).isZeroLength());
    EXPECT_FALSE(OdGeVector2d(1e-10, 1e-10).isZeroLength());
    EXPECT_TRUE(OdGeVector3d(0.0, 0.0, 1e-10).isZeroLength());
    EXPECT_TRUE(OdGeVector2d(1e-6, 0.0).isZeroLength(OdGeTol(1e-5, 0.0)));
    EXPECT_TRUE(OdGeVector2d(1.0, 0.0).isEqualTo(OdGeVector2d(1.0, 0.5e-10)));
    EXPECT_FALSE(OdGeVector2d(1.0, 0.0).isEqualTo(OdGeVector2d(1.0, 2e-10)));

    const OdGeVector2d x(3.0, 0.0);
    EXPECT_TRUE(x.isParallelTo(OdGeVector2d(-7.0, 0.0)));
    EXPECT_TRUE(x.isParallelTo(OdGeVector2d(1.0, 0.5e-10)));
    EXPECT_FALSE(x.isParallelTo(OdGeVector2d(1.0, 1e-9)));
    EXPECT_FALSE(x.isParallelTo(OdGeVector2d())) << "never parallel to the zero vector";
    EXPECT_TRUE(OdGeVector3d(0, 0, 2).isParallelTo(OdGeVector3d(0, 0, -1)));
    EXPECT_FALSE(OdGeVector3d(0, 0, 2).isParallelTo(OdGeVector3d(0, 1e-9, 1)));
}

TEST(GeVectorOperations, NormalIsUnitOrZeroAndRotationIsCounterClockwise)
{
    EXPECT_TRUE(OdGeVector2d(3.0, 4.0).normal().isEqualTo(OdGeVector2d(0.6, 0.8)));
    EXPECT_EQ(OdGeVector2d(1e-11, 0.0).normal().x, 1e-11) << "a zero-length vector stays as it is";
    EXPECT_EQ(OdGeVector3d(0.0, 0.0, -5.0).normal().z, -1.0);
    EXPECT_EQ(OdGeVector3d().normal().length(), 0.0);

    OdGeVector2d v(2.0, 0.0);
    v.rotateBy(kPi / 2);
    EXPECT_NEAR(v.x, 0.0, kRoundOff);
    EXPECT_NEAR(v.y, 2.0, kRoundOff);
    OdGePoint2d p(2.0, 1.0);
    p.rotateBy(kPi, OdGePoint2d(1.0, 1.0));
    EXPECT_NEAR(p.x, 0.0, kRoundOff);
    EXPECT_NEAR(p.y, 1.0, kRoundOff);
}

TEST(GeExtents, ADefaultBoxIsInvalidUntilAPointIsAddedAndAnInvalidBoxAddsNothing)
{
    OdGeExtents3d box;
    EXPECT_FALSE(box.isValidExtents());
    box.addPoint(OdGePoint3d(1, 2, 3));
    EXPECT_TRUE(box.isValidExtents());
    box.addPoint(OdGePoint3d(-1, 5, 3));
    box.addExt(OdGeExtents3d());
    EXPECT_EQ(box.minPoint().x, -1.0);
    EXPECT_EQ(box.maxPoint().y, 5.0);
    EXPECT_TRUE(box.contains(OdGePoint3d(0, 2 - 0.5e-10, 3)));
    EXPECT_FALSE(box.contains(OdGePoint3d(0, 1.9, 3)));
}
} // namespace
