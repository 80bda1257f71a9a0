#include "cae_core/mesher2d/Mesher2d.h"
#include "cae_core/mesher2d/DefaultMeshSize.h"
#include "cae_core/mesher2d/DelaunayMesher.h"

#include "tests/cae_core/mesher2d/MesherTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using cae_core::EResult;
using cae_core::Mesher2d;

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
        region = r;
        size = s;
        smoothing = k;
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

} // namespace

TEST_F(MesherProvider, CreateGivesNullWithoutAProviderAndANewIndependentMesherWithOne)
{
    EXPECT_EQ(Mesher2d::create(), nullptr);
    Mesher2d::initProvider([] { return std::make_unique<cae_core::DelaunayMesher>(); });
    const std::unique_ptr<Mesher2d> first = Mesher2d::create();
    const std::unique_ptr<Mesher2d> second = Mesher2d::create();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
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
        EXPECT_EQ(mesher.region.get(), region.get());
        EXPECT_EQ(mesher.size, 1.5);
        EXPECT_EQ(mesher.smoothing, 3);
        EXPECT_GE(elapsed, 0.0);

        auto circle = std::make_unique<cae_core::RefinementCircle>(OdGePoint2d(1, 1), 2.0);
        const cae_core::RefinementRegion* handedOver = circle.get();
        elapsed = -1.0;
        EXPECT_EQ(mesher.refineMesh(std::move(circle), &elapsed, 7), answer);
        EXPECT_EQ(mesher.refinement.get(), handedOver);
        EXPECT_EQ(mesher.smoothing, 7);
        EXPECT_GE(elapsed, 0.0);
        // elapsed may be null.
        EXPECT_EQ(mesher.createMesh(region, 1.5, nullptr, 3), answer);
    }
}

TEST(Mesher2dBase, OffersNoAdaptiveRefinementAndTheParametersStartAtTheirDefaults)
{
    RecordingMesher mesher;
    EXPECT_FALSE(mesher.supportsAdaptiveRefinement());
    double elapsed = -1.0;
    EXPECT_EQ(mesher.adaptivelyRefineMesh({}, &elapsed), cae_core::eNotPossible);
    EXPECT_GE(elapsed, 0.0);

    const Mesher2d::AdaptiveRefinementParams params;
    EXPECT_FALSE(params.computeField);
    EXPECT_FALSE(params.fieldConverged);
    EXPECT_EQ(params.boundaryRefinement, 3);
    EXPECT_EQ(params.internalTriangleThreshold, 20);
    EXPECT_EQ(params.maxIterations, 25);
}

namespace
{
/// A region whose extents the host cannot give, so the size falls back to its area.
class RegionWithoutExtents : public OdDbRegion
{
public:
    OdResult getGeomExtents(OdGeExtents3d&) const override { return eInvalidExtents; }
};
} // namespace

TEST(DefaultMeshSize, IsATwentyFifthOfTheDiagonalRoundedToTwoDecimals)
{
    EXPECT_DOUBLE_EQ(cae_core::fea2d::getDefaultMeshSize(mesher_test::makeRectangle(0, 0, 100, 50)), 4.47);
    // 0.1 x 0.1: diagonal / 25 = 0.00566 rounds up to 0.01; 0.08 x 0.08: 0.00453 rounds down to 0.
    EXPECT_DOUBLE_EQ(cae_core::fea2d::getDefaultMeshSize(mesher_test::makeRectangle(0, 0, 0.1, 0.1)), 0.01);
    EXPECT_EQ(cae_core::fea2d::getDefaultMeshSize(mesher_test::makeRectangle(0, 0, 0.08, 0.08)), 0.0);
}

TEST(DefaultMeshSize, FallsBackToTheAreaWithoutExtentsAndIsZeroWithoutRegion)
{
    EXPECT_EQ(cae_core::fea2d::getDefaultMeshSize(nullptr), 0.0);

    OdSmartPtr<OdDbRegion> region(new RegionWithoutExtents);
    ASSERT_EQ(region->setLoops({mesher_test::rectangleLoop(0, 0, 100, 50)}), eOk);
    // The equilateral triangle of a thousandth of 5000: side sqrt(5 * 4 / sqrt(3)) = 3.398.
    EXPECT_DOUBLE_EQ(cae_core::fea2d::getDefaultMeshSize(region), 3.4);

    // An empty region has neither extents nor area.
    EXPECT_EQ(cae_core::fea2d::getDefaultMeshSize(OdDbRegion::createObject()), 0.0);
}
