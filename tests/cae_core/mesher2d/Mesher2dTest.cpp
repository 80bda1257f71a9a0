#include "cae_core/mesher2d/Mesher2d.h"
#include "cae_core/mesher2d/DefaultMeshSize.h"
#include "cae_core/mesher2d/DelaunayMesher.h"
#include "cae_core/mesher2d/RefinementRegion.h"

#include "platform/ge/GeContext.h"
#include "tests/cae_core/mesher2d/MesherTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

using cae_core::EResult;
using cae_core::Mesher2d;
using cae_core::RefinementCircle;
using cae_core::RefinementRectangle;

namespace
{

/// Records what the public wrappers hand to the implementation and answers with a chosen code.
class RecordingMesher : public Mesher2d
{
public:
    EResult answer = cae_core::eOk;
    OdSmartPtr<OdDbRegion> region;
    double size = 0.0;
    int smoothing = -1;
    std::unique_ptr<cae_core::RefinementRegion> refinement;

    EResult clearRefinementRegions() override { return cae_core::eOk; }
    OdSmartPtr<OdDbSubDMesh> getMesh() const override { return nullptr; }

protected:
    EResult createMeshImpl(OdSmartPtr<OdDbRegion> r, double s, int k) override
    {
        std::tie(region, size, smoothing) = std::tie(r, s, k);
        return answer;
    }
    EResult refineMeshImpl(std::unique_ptr<cae_core::RefinementRegion> r, int k) override
    {
        refinement = std::move(r);
        smoothing = k;
        return answer;
    }
};

/// Leaves the module-wide provider empty after each test, as a fresh module has it.
class MesherProvider : public ::testing::Test
{
protected:
    ~MesherProvider() override { Mesher2d::initProvider({}); }
};

/// A region whose extents the host cannot give, so the default size falls back to its area.
class RegionWithoutExtents : public OdDbRegion
{
public:
    OdResult getGeomExtents(OdGeExtents3d&) const override { return eInvalidExtents; }
};

} // namespace

TEST_F(MesherProvider, CreateGivesNullWithoutAProviderAndANewIndependentMesherWithOne)
{
    EXPECT_EQ(Mesher2d::create(), nullptr);
    Mesher2d::initProvider([] { return std::make_unique<cae_core::DelaunayMesher>(); });
    const std::unique_ptr<Mesher2d> first = Mesher2d::create();
    const std::unique_ptr<Mesher2d> second = Mesher2d::create();
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.get(), second.get());
    EXPECT_TRUE(first->supportsAdaptiveRefinement());
    ASSERT_EQ(first->createMesh(mesher_test::makeRectangle(0, 0, 10, 10), 2.5, nullptr, 0), cae_core::eOk);
    EXPECT_FALSE(first->getMesh().isNull());
    EXPECT_TRUE(second->getMesh().isNull());
    Mesher2d::initProvider({});
    EXPECT_EQ(Mesher2d::create(), nullptr);
}

TEST(Mesher2dWrappers, PassTheArgumentsOnAndTheResultBackAndStoreTheTimeWhateverTheResult)
{
    RecordingMesher mesher;
    const OdSmartPtr<OdDbRegion> region = OdDbRegion::createObject();
    for (const EResult answer : {cae_core::eOk, cae_core::eLimitExceeded})
    {
        mesher.answer = answer;
        double elapsed = -1.0;
        EXPECT_EQ(mesher.createMesh(region, 1.5, &elapsed, 3), answer);
        EXPECT_TRUE(mesher.region.get() == region.get() && mesher.size == 1.5 && mesher.smoothing == 3);
        EXPECT_GE(elapsed, 0.0);

        auto circle = std::make_unique<RefinementCircle>(OdGePoint2d(1, 1), 2.0);
        const cae_core::RefinementRegion* handedOver = circle.get();
        elapsed = -1.0;
        EXPECT_EQ(mesher.refineMesh(std::move(circle), &elapsed, 7), answer);
        EXPECT_TRUE(mesher.refinement.get() == handedOver && mesher.smoothing == 7);
        EXPECT_GE(elapsed, 0.0);
        // elapsed may be null.
        EXPECT_EQ(mesher.createMesh(region, 1.5, nullptr, 3), answer);
    }
    // The base class offers no adaptive refinement and answers 10, timed like the others.
    EXPECT_FALSE(mesher.supportsAdaptiveRefinement());
    double elapsed = -1.0;
    EXPECT_EQ(mesher.adaptivelyRefineMesh({}, &elapsed), cae_core::eNotPossible);
    EXPECT_GE(elapsed, 0.0);
}

TEST(DefaultMeshSize, IsATwentyFifthOfTheDiagonalOrFromTheAreaRoundedToTwoDecimals)
{
    using cae_core::fea2d::getDefaultMeshSize;
    EXPECT_DOUBLE_EQ(getDefaultMeshSize(mesher_test::makeRectangle(0, 0, 100, 50)), 4.47);
    // 0.1 x 0.1: diagonal / 25 = 0.00566 rounds up to 0.01; 0.08 x 0.08: 0.00453 rounds down to 0.
    EXPECT_DOUBLE_EQ(getDefaultMeshSize(mesher_test::makeRectangle(0, 0, 0.1, 0.1)), 0.01);
    EXPECT_EQ(getDefaultMeshSize(mesher_test::makeRectangle(0, 0, 0.08, 0.08)), 0.0);
    EXPECT_EQ(getDefaultMeshSize(nullptr), 0.0);

    OdSmartPtr<OdDbRegion> region(new RegionWithoutExtents);
    ASSERT_EQ(region->setLoops({mesher_test::rectangleLoop(0, 0, 100, 50)}), eOk);
    // The equilateral triangle of a thousandth of 5000: side sqrt(5 * 4 / sqrt(3)) = 3.398.
    EXPECT_DOUBLE_EQ(getDefaultMeshSize(region), 3.4);
    // An empty region has neither extents nor area.
    EXPECT_EQ(getDefaultMeshSize(OdDbRegion::createObject()), 0.0);
}

TEST(RefinementRectangle, TakesItsCornersInAnyOrderAndContainsPointsWithinTheTolerance)
{
    const RefinementRectangle r(OdGePoint2d(5, 5), OdGePoint2d(0, -1));
    EXPECT_TRUE(r.minPoint.x == 0.0 && r.minPoint.y == -1.0 && r.maxPoint.x == 5.0 && r.maxPoint.y == 5.0);
    // (point, contained with the default tolerance 1e-10, contained with tolerance 0)
    const std::tuple<OdGePoint2d, bool, bool> cases[] = {
        {{0, -1}, true, true},          {{5, 5}, true, true},       {{2, 3}, true, true},
        {{5 + 1e-11, 5}, true, false},  {{-1e-11, 0}, true, false}, {{5 + 1e-9, 5}, false, false},
        {{2, -1 - 1e-9}, false, false}, {{6, 6}, false, false},
    };
    const OdGeTol saved = OdGeContext::gTol;
    for (const auto& [p, withTolerance, exact] : cases)
    {
        EXPECT_EQ(r.containsPoint(p), withTolerance) << p.x << ", " << p.y;
        OdGeContext::gTol.setEqualPoint(0.0);
        EXPECT_EQ(r.containsPoint(p), exact) << p.x << ", " << p.y;
        OdGeContext::gTol = saved;
    }
}

TEST(RefinementCircle, ContainsPointsUpToATenBillionthBeyondItsRadiusAndCopiesKeepTheRatio)
{
    RefinementCircle c(OdGePoint2d(0, 0), 1.0);
    EXPECT_EQ(c.getRefinementRatio(), 0.0);
    c.setRefinementRatio(2.5);
    const RefinementCircle copy(c);
    EXPECT_EQ(copy.getRefinementRatio(), 2.5);
    for (const OdGePoint2d& p : {OdGePoint2d(1, 0), OdGePoint2d(1 + 5e-11, 0), OdGePoint2d(0, -0.5)})
        EXPECT_TRUE(copy.containsPoint(p)) << p.x << ", " << p.y;
    for (const OdGePoint2d& p : {OdGePoint2d(1.001, 0), OdGePoint2d(0.8, 0.8)})
        EXPECT_FALSE(copy.containsPoint(p)) << p.x << ", " << p.y;
}
