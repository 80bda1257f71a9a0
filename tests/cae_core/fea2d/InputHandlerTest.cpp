#include "cae_core/fea2d/InputHandler.h"

#include "platform/db/DbRegion.h"
#include "platform/db/DbSubDMesh.h"
#include "platform/ge/GeLineSeg3d.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace cae_core::fea2d;

namespace
{

/// Inputs that pass every check: a region, a valid mesh, one load and two clamped points.
Params2d makeReadyParams()
{
    Params2d params{};
    params.region = OdDbRegion::createObject();
    params.mesh = OdDbSubDMesh::createObject();
    params.mode = EMode::ePlanarStress;
    params.elementType = EElementType::eTriangle6;
    params.materialProperties.thickness = 1.0;
    params.materialProperties.youngsModulus = 210000.0;
    params.materialProperties.poissonRatio = 0.3;
    params.materialProperties.yield = 235.0;
    params.meshProperties.meshSize = 2.0;
    params.meshProperties.desiredMeshSize = 2.0;
    params.meshProperties.meshRefinementRatio = 1.0;
    params.meshProperties.validMeshConstraints = true;
    params.meshProperties.validMeshSize = true;
    params.meshProperties.meshRefinementEnabled = true;
    return params;
}

PointLoad pointLoad(std::uint64_t id, double magnitude)
{
    PointLoad load{};
    load.id = OdDbObjectId(id);
    load.direction = OdGeVector2d(0.0, -1.0);
    load.magnitude = magnitude;
    load.location = OdGePoint2d(5.0, 5.0);
    return load;
}

LinearLoad linearLoad(std::uint64_t id, double magnitude)
{
    LinearLoad load{};
    load.id = OdDbObjectId(id);
    load.magnitude = magnitude;
    load.startLocation = OdGePoint2d(0.0, 10.0);
    load.endLocation = OdGePoint2d(10.0, 10.0);
    return load;
}

PointSupport fixedPoint(double x, double y, std::uint64_t id = 0)
{
    PointSupport support{};
    support.id = OdDbObjectId(id);
    support.direction = OdGeVector2d(1.0, 0.0);
    support.location = OdGePoint2d(x, y);
    support.rolling = false;
    return support;
}

PointSupport rollingPoint(double x, double y, double dx, double dy)
{
    PointSupport support{};
    support.direction = OdGeVector2d(dx, dy);
    support.location = OdGePoint2d(x, y);
    support.rolling = true;
    return support;
}

LinearSupport linearSupport(OdGePoint2d start, OdGePoint2d end, bool rolling)
{
    LinearSupport support{};
    support.startLocation = start;
    support.endLocation = end;
    support.rolling = rolling;
    return support;
}

/// Records every raise of the three signals, in order, as long as it lives.
class SignalLog
{
public:
    explicit SignalLog(InputHandler& handler)
    {
        m_handles.push_back(handler.connectSettingsChangedSignal([this] { events.push_back("settings"); }));
        m_handles.push_back(handler.connectValidMeshChangedSignal([this] { events.push_back("validMesh"); }));
        m_handles.push_back(handler.connectHasMeshChangedSignal([this] { events.push_back("hasMesh"); }));
    }

    std::vector<std::string> events;

private:
    std::vector<std::shared_ptr<ut::Connection>> m_handles;
};

using Events = std::vector<std::string>;

const wchar_t* const kSupportsMessage = L"Specify additional supports to fully constrain translational and "
                                        L"rotational movement of the boundary.\n";

bool asksForSupports(const InputHandler& handler)
{
    return handler.getStatus().message.find(OdString(kSupportsMessage)) >= 0;
}

/// A handler that is ready except, possibly, for its supports.
std::unique_ptr<InputHandler> handlerWithSupports(const std::vector<LoadOrSupport>& supports)
{
    Params2d params = makeReadyParams();
    params.loadsAndSupports.push_back(pointLoad(1, 100.0));
    params.loadsAndSupports.insert(params.loadsAndSupports.end(), supports.begin(), supports.end());
    return std::make_unique<InputHandler>(std::move(params));
}

} // namespace

TEST(InputHandlerMaterialSetters, ValueWithinTenToMinusTenOfTheCurrentOneRaisesNoSignal)
{
    InputHandler handler(makeReadyParams());
    SignalLog log(handler);
    handler.setThickness(1.0 + 5e-11);
    handler.setYoungsModulus(210000.0 - 1e-11);
    handler.setPoissonRatio(0.3);
    handler.setYield(235.0);
    EXPECT_TRUE(log.events.empty());
    EXPECT_EQ(handler.getParams2d().materialProperties.thickness, 1.0);

    handler.setThickness(1.0 + 1e-9);
    EXPECT_EQ(log.events, Events{"settings"});
    EXPECT_EQ(handler.getParams2d().materialProperties.thickness, 1.0 + 1e-9);
}

TEST(InputHandlerMaterialSetters, MaterialPropertiesRaiseTheSettingsSignalOncePerChangedField)
{
    InputHandler handler(makeReadyParams());
    SignalLog log(handler);
    MaterialProperties properties = handler.getParams2d().materialProperties;
    properties.thickness = 2.5;
    properties.yield = 355.0;
    handler.setMaterialProperties(properties);
    EXPECT_EQ(log.events, (Events{"settings", "settings"}));

    const MaterialProperties& stored = handler.getParams2d().materialProperties;
    EXPECT_EQ(stored.thickness, 2.5);
    EXPECT_EQ(stored.youngsModulus, 210000.0);
    EXPECT_EQ(stored.poissonRatio, 0.3);
    EXPECT_EQ(stored.yield, 355.0);
}

TEST(InputHandlerMaterialSetters, ModeAndElementTypeSignalOnlyWhenTheyChange)
{
    InputHandler handler(makeReadyParams());
    SignalLog log(handler);
    handler.setMode(EMode::ePlanarStress);
    handler.setElementType(EElementType::eTriangle6);
    EXPECT_TRUE(log.events.empty());
    handler.setMode(EMode::ePlanarStrain);
    handler.setElementType(EElementType::eTriangle3);
    EXPECT_EQ(log.events, (Events{"settings", "settings"}));
    EXPECT_EQ(handler.getParams2d().mode, EMode::ePlanarStrain);
    EXPECT_EQ(handler.getParams2d().elementType, EElementType::eTriangle3);
}

TEST(InputHandlerMeshSize, ZeroAndTheCurrentDesiredSizeAreIgnored)
{
    InputHandler handler(makeReadyParams());
    SignalLog log(handler);
    handler.setDesiredMeshSize(0.0);
    handler.setDesiredMeshSize(5e-11);
    handler.setDesiredMeshSize(2.0 + 5e-11);
    EXPECT_TRUE(log.events.empty());
    EXPECT_EQ(handler.getMeshProperties().desiredMeshSize, 2.0);
}

TEST(InputHandlerMeshSize, ValidMeshSizeIsRecomputedAgainstTheMeshAndSignalledOnlyWhenItChanges)
{
    InputHandler handler(makeReadyParams());
    SignalLog log(handler);

    handler.setDesiredMeshSize(3.0);
    EXPECT_FALSE(handler.getMeshProperties().validMeshSize);
    EXPECT_EQ(log.events, (Events{"settings", "validMesh"}));

    log.events.clear();
    handler.setDesiredMeshSize(4.0);
    EXPECT_FALSE(handler.getMeshProperties().validMeshSize);
    EXPECT_EQ(log.events, Events{"settings"});

    log.events.clear();
    handler.setDesiredMeshSize(2.0 + 5e-11);
    EXPECT_TRUE(handler.getMeshProperties().validMeshSize);
    EXPECT_EQ(log.events, (Events{"settings", "validMesh"}));
}

TEST(InputHandlerMeshSize, WithoutAMeshTheValidityFlagIsLeftAlone)
{
    Params2d params = makeReadyParams();
    params.mesh = nullptr;
    params.meshProperties.validMeshSize = true;
    InputHandler handler(std::move(params));
    SignalLog log(handler);
    handler.setDesiredMeshSize(7.0);
    EXPECT_TRUE(handler.getMeshProperties().validMeshSize);
    EXPECT_EQ(handler.getMeshProperties().desiredMeshSize, 7.0);
    EXPECT_EQ(log.events, Events{"settings"});
}

TEST(InputHandlerRefinementRatio, RatioAtOrBelowOneIsStoredAsOneAndSignalledEvenWhenAlreadyOne)
{
    InputHandler handler(makeReadyParams());
    SignalLog log(handler);
    handler.setMeshRefinementRatio(0.5);
    EXPECT_EQ(handler.getMeshProperties().meshRefinementRatio, 1.0);
    handler.setMeshRefinementRatio(1.0 + 5e-11);
    EXPECT_EQ(handler.getMeshProperties().meshRefinementRatio, 1.0);
    EXPECT_EQ(log.events, (Events{"settings", "settings"}));
}

TEST(InputHandlerRefinementRatio, LargerRatioIsStoredAndSignalledOnlyWhenItDiffers)
{
    InputHandler handler(makeReadyParams());
    SignalLog log(handler);
    handler.setMeshRefinementRatio(3.0);
    handler.setMeshRefinementRatio(3.0 + 5e-11);
    EXPECT_EQ(handler.getMeshProperties().meshRefinementRatio, 3.0);
    EXPECT_EQ(log.events, Events{"settings"});
    handler.setMeshRefinementRatio(0.5);
    EXPECT_EQ(handler.getMeshProperties().meshRefinementRatio, 1.0);
}

TEST(InputHandlerRefinementRatio, NothingHappensWhileRefinementIsDisabled)
{
    Params2d params = makeReadyParams();
    params.meshProperties.meshRefinementEnabled = false;
    params.meshProperties.meshRefinementRatio = 2.0;
    InputHandler handler(std::move(params));
    SignalLog log(handler);
    handler.setMeshRefinementRatio(0.5);
    handler.setMeshRefinementRatio(4.0);
    EXPECT_EQ(handler.getMeshProperties().meshRefinementRatio, 2.0);
    EXPECT_TRUE(log.events.empty());
}

TEST(InputHandlerAdaptiveSetters, RefineAutomaticallyAlwaysSignalsAndTheOtherAdaptiveSettingsNever)
{
    InputHandler handler(makeReadyParams());
    SignalLog log(handler);
    handler.setAdaptiveBoundaryRefinement(3);
    handler.setAdaptiveMaxIterations(7);
    handler.setAdaptiveInternalTriangleThreshold(11);
    handler.setAdaptiveElasticityThreshold(0.25);
    EXPECT_TRUE(log.events.empty());
    const bool current = handler.getAdaptiveParams().refineAutomatically;
    handler.setRefineAutomatically(current);
    handler.setRefineAutomatically(!current);
    EXPECT_EQ(log.events, (Events{"settings", "settings"}));

    const AdaptiveRefinementParameters& adaptive = handler.getAdaptiveParams();
    EXPECT_EQ(adaptive.refineAutomatically, !current);
    EXPECT_EQ(adaptive.boundaryRefinement, 3);
    EXPECT_EQ(adaptive.maxIterations, 7);
    EXPECT_EQ(adaptive.internalTriangleThreshold, 11);
    EXPECT_EQ(adaptive.elasticityThreshold, 0.25);
}

TEST(InputHandlerLoadsAndSupports, IndicesOutsideTheListAreIgnoredOnRemoval)
{
    Params2d params = makeReadyParams();
    params.loadsAndSupports = {pointLoad(1, 10.0), fixedPoint(0.0, 0.0, 2)};
    InputHandler handler(std::move(params));
    SignalLog log(handler);
    handler.removeLoadOrSupport(-1);
    handler.removeLoadOrSupport(2);
    EXPECT_EQ(handler.getParams2d().loadsAndSupports.size(), 2u);
    EXPECT_TRUE(log.events.empty());
    EXPECT_TRUE(handler.getMeshProperties().validMeshConstraints);
}

TEST(InputHandlerLoadsAndSupports, RemovalMovesLaterEntriesDownAndInvalidatesTheMesh)
{
    Params2d params = makeReadyParams();
    params.loadsAndSupports = {pointLoad(1, 10.0), fixedPoint(0.0, 0.0, 2), linearLoad(3, 5.0)};
    InputHandler handler(std::move(params));
    SignalLog log(handler);
    handler.removeLoadOrSupport(1);
    const auto& entries = handler.getParams2d().loadsAndSupports;
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(std::get<PointLoad>(entries[0]).id, OdDbObjectId(1));
    EXPECT_EQ(std::get<LinearLoad>(entries[1]).id, OdDbObjectId(3));
    EXPECT_FALSE(handler.getMeshProperties().validMeshConstraints);
    EXPECT_EQ(log.events, (Events{"settings", "validMesh"}));
}

TEST(InputHandlerLoadsAndSupports, AddingWithoutAMeshRaisesOnlyTheSettingsSignal)
{
    Params2d params = makeReadyParams();
    params.mesh = nullptr;
    InputHandler handler(std::move(params));
    SignalLog log(handler);
    handler.addLoadOrSupport(pointLoad(4, 1.0));
    EXPECT_EQ(handler.getParams2d().loadsAndSupports.size(), 1u);
    EXPECT_TRUE(handler.getMeshProperties().validMeshConstraints);
    EXPECT_EQ(log.events, Events{"settings"});
}

TEST(InputHandlerLoadsAndSupports, AddingWithAMeshClearsTheConstraintsFlagAndSignalsEvenWhenItWasFalse)
{
    InputHandler handler(makeReadyParams());
    SignalLog log(handler);
    handler.addLoadOrSupport(pointLoad(4, 1.0));
    EXPECT_FALSE(handler.getMeshProperties().validMeshConstraints);
    EXPECT_EQ(log.events, (Events{"settings", "validMesh"}));

    log.events.clear();
    handler.addLoadOrSupport(fixedPoint(1.0, 1.0, 5));
    EXPECT_FALSE(handler.getMeshProperties().validMeshConstraints);
    EXPECT_EQ(log.events, (Events{"settings", "validMesh"}));
}

TEST(InputHandlerLoadsAndSupports, ReplacementFindsTheFirstEntryWithTheGivenId)
{
    Params2d params = makeReadyParams();
    params.loadsAndSupports = {pointLoad(1, 10.0), fixedPoint(0.0, 0.0, 2), pointLoad(2, 30.0)};
    InputHandler handler(std::move(params));
    SignalLog log(handler);

    handler.setLoadOrSupport(linearLoad(9, 4.0), OdDbObjectId(2));
    const auto& entries = handler.getParams2d().loadsAndSupports;
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(getLoadOrSupportType(entries[1]), LoadOrSupportType::eLinearLoad);
    EXPECT_EQ(std::get<LinearLoad>(entries[1]).id, OdDbObjectId(9));
    EXPECT_EQ(std::get<PointLoad>(entries[2]).magnitude, 30.0);
    EXPECT_EQ(log.events, (Events{"settings", "validMesh"}));

    log.events.clear();
    handler.setLoadOrSupport(linearLoad(9, 4.0), OdDbObjectId(77));
    EXPECT_TRUE(log.events.empty());
}

TEST(InputHandlerMeshAndRegion, NewMeshSignalsSettingsThenHasMeshAndLeavesTheFlags)
{
    Params2d params = makeReadyParams();
    params.meshProperties.validMeshConstraints = false;
    params.meshProperties.validMeshSize = true;
    InputHandler handler(std::move(params));
    SignalLog log(handler);

    const OdSmartPtr<OdDbSubDMesh> mesh = OdDbSubDMesh::createObject();
    handler.setMesh(mesh, 1.5);
    EXPECT_EQ(handler.getMesh(), mesh);
    EXPECT_EQ(handler.getMeshProperties().meshSize, 1.5);
    EXPECT_FALSE(handler.getMeshProperties().validMeshConstraints);
    EXPECT_TRUE(handler.getMeshProperties().validMeshSize);
    EXPECT_EQ(log.events, (Events{"settings", "hasMesh"}));

    log.events.clear();
    handler.setMesh(OdDbSubDMesh::createObject(), std::nullopt);
    EXPECT_EQ(handler.getMeshProperties().meshSize, 1.5);
    EXPECT_EQ(log.events, (Events{"settings", "hasMesh"}));
}

TEST(InputHandlerMeshAndRegion, SameObjectsAgainChangeNothing)
{
    InputHandler handler(makeReadyParams());
    SignalLog log(handler);
    handler.setMesh(handler.getMesh(), 9.0);
    handler.setRegion(handler.getRegion());
    EXPECT_EQ(handler.getMeshProperties().meshSize, 2.0);
    EXPECT_TRUE(log.events.empty());
}

TEST(InputHandlerMeshAndRegion, NewRegionSignalsSettingsAndKeepsTheMesh)
{
    Params2d params = makeReadyParams();
    params.region = nullptr;
    InputHandler handler(std::move(params));
    EXPECT_FALSE(handler.isBoundarySelected());
    SignalLog log(handler);
    const OdSmartPtr<OdDbSubDMesh> mesh = handler.getMesh();

    handler.setRegion(OdDbRegion::createObject());
    EXPECT_TRUE(handler.isBoundarySelected());
    EXPECT_EQ(handler.getMesh(), mesh);
    EXPECT_TRUE(handler.getMeshProperties().validMeshConstraints);
    EXPECT_TRUE(handler.getMeshProperties().validMeshSize);
    EXPECT_EQ(log.events, Events{"settings"});
}

TEST(InputHandlerMeshAndRegion, ValidityFlagSettersSignalOnlyOnChange)
{
    InputHandler handler(makeReadyParams());
    SignalLog log(handler);
    handler.setValidMeshConstraints(true);
    handler.setValidMeshSize(true);
    EXPECT_TRUE(log.events.empty());
    handler.setValidMeshConstraints(false);
    handler.setValidMeshSize(false);
    EXPECT_EQ(log.events, (Events{"validMesh", "validMesh"}));
    EXPECT_FALSE(handler.getMeshProperties().validMeshConstraints);
    EXPECT_FALSE(handler.getMeshProperties().validMeshSize);
}

TEST(InputHandlerMeshAndRegion, InitializingTheMeshSizeOffersTheRegionDefaultAndForgetsTheMeshSize)
{
    OdSmartPtr<OdDbRegion> region = OdDbRegion::createObject();
    OdDbRegion::Loop loop;
    const OdGePoint3d corners[] = {{0, 0, 0}, {100, 0, 0}, {100, 50, 0}, {0, 50, 0}};
    for (int i = 0; i < 4; ++i)
        loop.push_back(OdSharedPtr<OdGeCurve3d>(new OdGeLineSeg3d(corners[i], corners[(i + 1) % 4])));
    ASSERT_EQ(region->setLoops(std::vector<OdDbRegion::Loop>{loop}), eOk);

    Params2d params = makeReadyParams();
    params.region = region;
    InputHandler handler(std::move(params));
    SignalLog log(handler);
    handler.initializeMeshSize();
    EXPECT_DOUBLE_EQ(handler.getMeshProperties().desiredMeshSize, 4.47);
    EXPECT_EQ(handler.getMeshProperties().meshSize, -1.0);
    EXPECT_TRUE(log.events.empty());

    handler.setRegion(nullptr);
    handler.initializeMeshSize();
    EXPECT_EQ(handler.getMeshProperties().desiredMeshSize, 0.0);
}

TEST(InputHandlerSignals, CallbacksRunInOrderOfConnection)
{
    InputHandler handler(makeReadyParams());
    std::vector<int> calls;
    auto a = handler.connectSettingsChangedSignal([&] { calls.push_back(1); });
    auto b = handler.connectSettingsChangedSignal([&] { calls.push_back(2); });
    auto c = handler.connectSettingsChangedSignal([&] { calls.push_back(3); });
    handler.setThickness(4.0);
    EXPECT_EQ(calls, (std::vector<int>{1, 2, 3}));
}

TEST(InputHandlerSignals, ReleasingTheHandleDisconnects)
{
    InputHandler handler(makeReadyParams());
    int first = 0;
    int second = 0;
    auto a = handler.connectSettingsChangedSignal([&] { ++first; });
    auto b = handler.connectSettingsChangedSignal([&] { ++second; });
    handler.setThickness(4.0);
    a.reset();
    handler.setThickness(5.0);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 2);
}

TEST(InputHandlerSignals, CallbackMayReleaseAnotherConnectionDuringARaise)
{
    InputHandler handler(makeReadyParams());
    std::vector<int> calls;
    std::shared_ptr<ut::Connection> victim;
    auto killer = handler.connectSettingsChangedSignal(
        [&]
        {
            calls.push_back(1);
            victim.reset();
        });
    victim = handler.connectSettingsChangedSignal([&] { calls.push_back(2); });
    handler.setThickness(4.0);
    handler.setThickness(5.0);
    EXPECT_EQ(calls, (std::vector<int>{1, 1}));
}

TEST(InputHandlerSignals, CallbackMayReleaseItsOwnHandleAndConnectNewOnes)
{
    InputHandler handler(makeReadyParams());
    std::vector<int> calls;
    std::shared_ptr<ut::Connection> self;
    std::shared_ptr<ut::Connection> added;
    self = handler.connectSettingsChangedSignal(
        [&]
        {
            calls.push_back(1);
            added = handler.connectSettingsChangedSignal([&] { calls.push_back(2); });
            self.reset(); // destroys this very callback's handle while it runs
        });
    handler.setThickness(4.0);
    EXPECT_EQ(calls, std::vector<int>{1});
    handler.setThickness(5.0);
    EXPECT_EQ(calls, (std::vector<int>{1, 2}));
}

TEST(InputHandlerSignals, SetterCalledFromACallbackRaisesAgainWithTheChangeAlreadyStored)
{
    InputHandler handler(makeReadyParams());
    std::vector<double> seen;
    auto c = handler.connectSettingsChangedSignal(
        [&]
        {
            seen.push_back(handler.getParams2d().materialProperties.thickness);
            if (seen.size() == 1)
                handler.setYield(100.0);
        });
    handler.setThickness(4.0);
    EXPECT_EQ(seen, (std::vector<double>{4.0, 4.0}));
    EXPECT_EQ(handler.getParams2d().materialProperties.yield, 100.0);
}

TEST(InputHandlerSignals, HandlesOutliveTheHandlerWithoutBeingCalled)
{
    int calls = 0;
    std::shared_ptr<ut::Connection> settings;
    std::shared_ptr<ut::Connection> valid;
    {
        InputHandler handler(makeReadyParams());
        settings = handler.connectSettingsChangedSignal([&] { ++calls; });
        valid = handler.connectValidMeshChangedSignal([&] { ++calls; });
        handler.setThickness(4.0);
    }
    EXPECT_EQ(calls, 1);
    settings.reset();
    valid.reset();
}

TEST(InputHandlerStatus, ReadyInputsGiveAnEmptyStatus)
{
    const auto handler = handlerWithSupports({fixedPoint(0.0, 0.0), fixedPoint(10.0, 0.0)});
    EXPECT_TRUE(handler->getStatus().message.isEmpty()) << handler->getStatus().message.c_str();
}

TEST(InputHandlerStatus, EveryFailedCheckIsListedInOrderOnItsOwnLine)
{
    Params2d params{};
    params.loadsAndSupports = {pointLoad(1, 0.0), linearLoad(2, -5.0), fixedPoint(0.0, 0.0)};
    params.meshProperties.validMeshConstraints = false;
    params.meshProperties.validMeshSize = true;
    params.materialProperties.thickness = 1e-10;
    params.materialProperties.youngsModulus = 0.0;
    params.materialProperties.poissonRatio = 0.5;
    params.materialProperties.yield = -1.0;
    InputHandler handler(std::move(params));

    EXPECT_EQ(
        handler.getStatus().message,
        OdString(L"There are no non-zero loads defined.\n"
                 L"Specify additional supports to fully constrain translational and rotational movement "
                 L"of the boundary.\n"
                 L"The region is not defined.\n"
                 L"No mesh is generated.\n"
                 L"Current mesh is not valid, update mesh.\n"
                 L"Poisson ratio needs to be greater than -1 and smaller than 0.5.\n"
                 L"The thickness needs to be greater than zero.\n"
                 L"The Young's modulus needs to be greater than zero.\n"
                 L"The yield needs to be greater than zero.\n"));
}

TEST(InputHandlerStatus, AnInvalidMeshSizeAloneMakesTheMeshInvalid)
{
    const auto handler = handlerWithSupports({fixedPoint(0.0, 0.0), fixedPoint(10.0, 0.0)});
    handler->setValidMeshSize(false);
    EXPECT_EQ(handler->getStatus().message, OdString(L"Current mesh is not valid, update mesh.\n"));
}

TEST(InputHandlerStatus, PoissonRatioOfMinusOneOrOneHalfIsReportedAndValuesInsideAreAccepted)
{
    const auto handler = handlerWithSupports({fixedPoint(0.0, 0.0), fixedPoint(10.0, 0.0)});
    const OdString message(L"Poisson ratio needs to be greater than -1 and smaller than 0.5.\n");
    for (const double nu : {0.5, -1.0, 0.49999999995, -0.99999999995})
    {
        handler->setPoissonRatio(nu);
        EXPECT_EQ(handler->getStatus().message, message) << nu;
    }
    for (const double nu : {0.49, -0.99, 0.0})
    {
        handler->setPoissonRatio(nu);
        EXPECT_TRUE(handler->getStatus().message.isEmpty()) << nu;
    }
}

TEST(InputHandlerStatus, OneNonZeroLoadOfEitherKindIsEnough)
{
    const auto handler = handlerWithSupports({fixedPoint(0.0, 0.0), fixedPoint(10.0, 0.0)});
    handler->removeLoadOrSupport(0); // the point load
    handler->setValidMeshConstraints(true);
    EXPECT_EQ(handler->getStatus().message, OdString(L"There are no non-zero loads defined.\n"));
    handler->addLoadOrSupport(linearLoad(3, 2e-10));
    handler->setValidMeshConstraints(true);
    EXPECT_TRUE(handler->getStatus().message.isEmpty());
}

TEST(InputHandlerSupports, TwoFixedPointSupportsAreSufficientAndOneAloneIsNot)
{
    EXPECT_FALSE(asksForSupports(*handlerWithSupports({fixedPoint(0.0, 0.0), fixedPoint(10.0, 0.0)})));
    EXPECT_TRUE(asksForSupports(*handlerWithSupports({fixedPoint(0.0, 0.0)})));
    EXPECT_TRUE(asksForSupports(*handlerWithSupports({})));
}

TEST(InputHandlerSupports, FixedPlusRollingSupportDependsOnTheRollingDirectionAgainstTheJoiningLine)
{
    // The joining line runs along x: a roller blocking y stops the rotation about the fixed point.
    EXPECT_FALSE(
        asksForSupports(*handlerWithSupports({fixedPoint(0.0, 0.0), rollingPoint(10.0, 0.0, 0.0, 1.0)})));
    EXPECT_FALSE(
        asksForSupports(*handlerWithSupports({fixedPoint(0.0, 0.0), rollingPoint(10.0, 0.0, 1.0, 1.0)})));
    // A roller blocking only the direction along the joining line lets the plate turn about the fixed point.
    EXPECT_TRUE(
        asksForSupports(*handlerWithSupports({fixedPoint(0.0, 0.0), rollingPoint(10.0, 0.0, 1.0, 0.0)})));
    EXPECT_TRUE(
        asksForSupports(*handlerWithSupports({fixedPoint(0.0, 0.0), rollingPoint(3.0, 4.0, -6.0, -8.0)})));
}

TEST(InputHandlerSupports, RollingSupportsAllBlockingOneLineOfDirectionsAreNotSufficient)
{
    EXPECT_TRUE(asksForSupports(
        *handlerWithSupports({rollingPoint(0.0, 0.0, 0.0, 1.0), rollingPoint(1.0, 0.0, 0.0, 1.0),
                              rollingPoint(0.0, 1.0, 0.0, 1.0)})));
    EXPECT_TRUE(asksForSupports(
        *handlerWithSupports({rollingPoint(0.0, 0.0, 0.0, 1.0), rollingPoint(1.0, 0.0, 0.0, 1.0),
                              rollingPoint(0.0, 1.0, 0.0, -1.0)})));
}

TEST(InputHandlerSupports, ThreeRollersThatBlockBothTranslationsAndTheRotationAreSufficient)
{
    EXPECT_FALSE(asksForSupports(
        *handlerWithSupports({rollingPoint(0.0, 0.0, 0.0, 1.0), rollingPoint(10.0, 0.0, 0.0, 1.0),
                              rollingPoint(0.0, 0.0, 1.0, 0.0)})));
}

TEST(InputHandlerSupports, AFixedLinearSupportAloneIsSufficient)
{
    EXPECT_FALSE(asksForSupports(
        *handlerWithSupports({linearSupport(OdGePoint2d(0.0, 0.0), OdGePoint2d(10.0, 0.0), false)})));
}

TEST(InputHandlerSupports, RollingLinearSupportsBlockTheNormalOfTheirChord)
{
    // A roller edge along x blocks y at both ends; one more roller blocking x completes the support.
    const LinearSupport bottom = linearSupport(OdGePoint2d(0.0, 0.0), OdGePoint2d(10.0, 0.0), true);
    EXPECT_TRUE(asksForSupports(*handlerWithSupports({bottom})));
    EXPECT_FALSE(asksForSupports(*handlerWithSupports({bottom, rollingPoint(0.0, 5.0, 1.0, 0.0)})));
    // The chord's normal follows its orientation; reversed chords block opposite, parallel directions.
    const LinearSupport top = linearSupport(OdGePoint2d(10.0, 5.0), OdGePoint2d(0.0, 5.0), true);
    EXPECT_TRUE(asksForSupports(*handlerWithSupports({bottom, top})));
}

TEST(InputHandlerSupports, SupportsAtTheSameLocationShareTheirDirections)
{
    // Two rollers at one point hold it like a fixed support, but nothing stops the rotation about it.
    EXPECT_TRUE(asksForSupports(
        *handlerWithSupports({rollingPoint(0.0, 0.0, 1.0, 0.0), rollingPoint(0.0, 0.0, 0.0, 1.0)})));
    EXPECT_FALSE(asksForSupports(
        *handlerWithSupports({rollingPoint(0.0, 0.0, 1.0, 0.0), rollingPoint(0.0, 0.0, 0.0, 1.0),
                              rollingPoint(10.0, 0.0, 0.0, 1.0)})));
}
