#include "cae_core/mesher2d/RefinementRegion.h"

#include "platform/ge/GeContext.h"

#include <gtest/gtest.h>

#include <memory>

using cae_core::RefinementCircle;
using cae_core::RefinementRectangle;
using cae_core::RefinementRegion;

namespace
{
/// Sets the global point tolerance for one test and restores it afterwards.
class ScopedPointTolerance
{
public:
    explicit ScopedPointTolerance(double t) : m_saved(OdGeContext::gTol)
    {
        OdGeContext::gTol.setEqualPoint(t);
    }
    ~ScopedPointTolerance() { OdGeContext::gTol = m_saved; }

private:
    OdGeTol m_saved;
};
} // namespace

TEST(RefinementRectangle, TakesItsCornersInAnyOrder)
{
    const RefinementRectangle r(OdGePoint2d(5, -1), OdGePoint2d(0, 3));
    EXPECT_EQ(r.minPoint.x, 0.0);
    EXPECT_EQ(r.minPoint.y, -1.0);
    EXPECT_EQ(r.maxPoint.x, 5.0);
    EXPECT_EQ(r.maxPoint.y, 3.0);
    EXPECT_EQ(r.getRefinementRatio(), 0.0);
}

TEST(RefinementRectangle, ContainsItsCornersItsInsideAndPointsWithinTheTolerance)
{
    const RefinementRectangle r(OdGePoint2d(5, 5), OdGePoint2d(0, 0));
    EXPECT_TRUE(r.containsPoint(OdGePoint2d(0, 0)));
    EXPECT_TRUE(r.containsPoint(OdGePoint2d(5, 5)));
    EXPECT_TRUE(r.containsPoint(OdGePoint2d(2, 3)));
    EXPECT_TRUE(r.containsPoint(OdGePoint2d(5 + 1e-11, 5)));
    EXPECT_TRUE(r.containsPoint(OdGePoint2d(-1e-11, 0)));
    EXPECT_FALSE(r.containsPoint(OdGePoint2d(5 + 1e-9, 5)));
    EXPECT_FALSE(r.containsPoint(OdGePoint2d(2, -1e-9)));
    EXPECT_FALSE(r.containsPoint(OdGePoint2d(6, 6)));
}

TEST(RefinementRectangle, WithoutAToleranceContainsOnlyClosedRectanglePoints)
{
    const ScopedPointTolerance exact(0.0);
    const RefinementRectangle r(OdGePoint2d(5, 5), OdGePoint2d(0, 0));
    EXPECT_TRUE(r.containsPoint(OdGePoint2d(5, 5)));
    EXPECT_TRUE(r.containsPoint(OdGePoint2d(0, 2)));
    EXPECT_FALSE(r.containsPoint(OdGePoint2d(5 + 1e-11, 5)));
}

TEST(RefinementCircle, ContainsPointsUpToATenBillionthBeyondItsRadius)
{
    const RefinementCircle c(OdGePoint2d(0, 0), 1.0);
    EXPECT_TRUE(c.containsPoint(OdGePoint2d(1, 0)));
    EXPECT_TRUE(c.containsPoint(OdGePoint2d(1 + 5e-11, 0)));
    EXPECT_TRUE(c.containsPoint(OdGePoint2d(0, -0.5)));
    EXPECT_FALSE(c.containsPoint(OdGePoint2d(1.001, 0)));
    EXPECT_FALSE(c.containsPoint(OdGePoint2d(0.8, 0.8)));
    EXPECT_EQ(c.getRefinementRatio(), 0.0);
}

TEST(RefinementRegion, CopiesKeepTheRatioAndTheGeometry)
{
    RefinementCircle c(OdGePoint2d(1, 2), 3.0);
    c.setRefinementRatio(2.5);
    const RefinementCircle copy = c;
    EXPECT_EQ(copy.getRefinementRatio(), 2.5);
    EXPECT_EQ(copy.center.x, 1.0);
    EXPECT_EQ(copy.radius, 3.0);

    RefinementRectangle r(OdGePoint2d(0, 0), OdGePoint2d(1, 1));
    r.setRefinementRatio(4.0);
    RefinementRectangle assigned(OdGePoint2d(7, 7), OdGePoint2d(8, 8));
    assigned = r;
    EXPECT_EQ(assigned.getRefinementRatio(), 4.0);
    EXPECT_EQ(assigned.maxPoint.x, 1.0);

    // Through the base class, as the mesher holds regions.
    const std::unique_ptr<RefinementRegion> held = std::make_unique<RefinementCircle>(copy);
    EXPECT_EQ(held->getRefinementRatio(), 2.5);
    EXPECT_TRUE(held->containsPoint(OdGePoint2d(4, 2)));
}
