#include "cae_core/mesher2d/RefinementRegion.h"

#include "platform/ge/GeContext.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

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

TEST(RefinementRectangle, TakesItsCornersInAnyOrderAndContainsPointsWithinTheTolerance)
{
    const RefinementRectangle r(OdGePoint2d(5, 5), OdGePoint2d(0, -1));
    EXPECT_EQ(r.minPoint.x, 0.0);
    EXPECT_EQ(r.minPoint.y, -1.0);
    EXPECT_EQ(r.maxPoint.x, 5.0);
    EXPECT_EQ(r.maxPoint.y, 5.0);
    EXPECT_EQ(r.getRefinementRatio(), 0.0);
    // (point, contained with the default tolerance 1e-10, contained with tolerance 0)
    const std::tuple<OdGePoint2d, bool, bool> cases[] = {
        {{0, -1}, true, true},          {{5, 5}, true, true},       {{2, 3}, true, true},
        {{5 + 1e-11, 5}, true, false},  {{-1e-11, 0}, true, false}, {{5 + 1e-9, 5}, false, false},
        {{2, -1 - 1e-9}, false, false}, {{6, 6}, false, false},
    };
    for (const auto& [p, withTolerance, exact] : cases)
    {
        EXPECT_EQ(r.containsPoint(p), withTolerance) << p.x << ", " << p.y;
        const ScopedPointTolerance none(0.0);
        EXPECT_EQ(r.containsPoint(p), exact) << p.x << ", " << p.y;
    }
}

TEST(RefinementCircle, ContainsPointsUpToATenBillionthBeyondItsRadius)
{
    const RefinementCircle c(OdGePoint2d(0, 0), 1.0);
    for (const OdGePoint2d& p : {OdGePoint2d(1, 0), OdGePoint2d(1 + 5e-11, 0), OdGePoint2d(0, -0.5)})
        EXPECT_TRUE(c.containsPoint(p)) << p.x << ", " << p.y;
    for (const OdGePoint2d& p : {OdGePoint2d(1.001, 0), OdGePoint2d(0.8, 0.8)})
        EXPECT_FALSE(c.containsPoint(p)) << p.x << ", " << p.y;
    EXPECT_EQ(c.getRefinementRatio(), 0.0);
}

TEST(RefinementRegion, CopiesKeepTheRatioAndTheGeometry)
{
    RefinementCircle c(OdGePoint2d(1, 2), 3.0);
    c.setRefinementRatio(2.5);
    // Copied through the base class, as the mesher holds regions.
    const std::unique_ptr<RefinementRegion> held = std::make_unique<RefinementCircle>(c);
    EXPECT_EQ(held->getRefinementRatio(), 2.5);
    EXPECT_TRUE(held->containsPoint(OdGePoint2d(4, 2)));
    EXPECT_FALSE(held->containsPoint(OdGePoint2d(4.1, 2)));

    RefinementRectangle r(OdGePoint2d(0, 0), OdGePoint2d(1, 1));
    r.setRefinementRatio(4.0);
    RefinementRectangle assigned(OdGePoint2d(7, 7), OdGePoint2d(8, 8));
    assigned = r;
    EXPECT_EQ(assigned.getRefinementRatio(), 4.0);
    EXPECT_EQ(assigned.maxPoint.x, 1.0);
}
