#include "cae_core/fea2d/InputHandler.h"

#include "platform/db/DbRegion.h"
#include "platform/db/DbSubDMesh.h"
#include "platform/ge/GeLineSeg3d.h"
#include "tests/cae_core/core/MemoryCatalogue.h"

#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace cae_core::fea2d;

namespace
{

/// Inputs that pass every check: a region, a valid mesh of size 2, material, no loads or supports.
Params2d makeReadyParams()
{
    Params2d params{};
    params.region = OdDbRegion::createObject();
    params.mesh = OdDbSubDMesh::createObject();
    params.materialProperties = MaterialProperties{1.0, 210000.0, 0.3, 235.0};
    params.meshProperties = MeshProperties{2.0, 2.0, 1.0, true, true, true};
    return params;
}

PointLoad pointLoad(std::uint64_t id, double magnitude)
{
    return PointLoad{OdDbObjectId(id), OdGeVector2d(0.0, -1.0), magnitude, OdGePoint2d(5.0, 5.0)};
}

LinearLoad linearLoad(std::uint64_t id, double magnitude)
{
    return LinearLoad{OdDbObjectId(id),        magnitude, false, 0.0, OdGePoint2d(0.0, 10.0),
                      OdGePoint2d(10.0, 10.0), false};
}

PointSupport fixedPoint(double x, double y, std::uint64_t id = 0)
{
    return PointSupport{OdDbObjectId(id), OdGeVector2d(1.0, 0.0), OdGePoint2d(x, y), false};
}

PointSupport rollingPoint(double x, double y, double dx, double dy)
{
    return PointSupport{OdDbObjectId(), OdGeVector2d(dx, dy), OdGePoint2d(x, y), true};
}

LinearSupport linearSupport(OdGePoint2d start, OdGePoint2d end, bool rolling)
{
    return LinearSupport{OdDbObjectId(), start, end, rolling, false};
}

using Events = std::vector<std::string>;

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

    /// The events so far, forgetting them.
    Events take() { return std::exchange(events, {}); }

    Events events;

private:
    std::vector<std::shared_ptr<ut::Connection>> m_handles;
};

const OdString kSupportsMessage(L"Specify additional supports to fully constrain translational and "
                                L"rotational movement of the boundary.\n");

/// A handler that is ready to run except, possibly, for its supports.
std::unique_ptr<InputHandler> handlerWithSupports(const std::vector<LoadOrSupport>& supports)
{
    Params2d params = makeReadyParams();
    params.loadsAndSupports.push_back(pointLoad(1, 100.0));
    params.loadsAndSupports.insert(params.loadsAndSupports.end(), supports.begin(), supports.end());
    return std::make_unique<InputHandler>(std::move(params));
}

} // namespace

TEST(InputHandlerSetters, EachMaterialValueSignalsOnlyWhenItMovesByMoreThanTheTolerance)
{
    using Field = double MaterialProperties::*;
    using Setter = void (InputHandler::*)(double);
    const std::pair<Field, Setter> fields[] = {
        {&MaterialProperties::thickness, &InputHandler::setThickness},
        {&MaterialProperties::youngsModulus, &InputHandler::setYoungsModulus},
        {&MaterialProperties::poissonRatio, &InputHandler::setPoissonRatio},
        {&MaterialProperties::yield, &InputHandler::setYield}};
    for (const auto& [field, setter] : fields)
    {
        InputHandler handler(makeReadyParams());
        SignalLog log(handler);
        const double before = handler.getParams2d().materialProperties.*field;
        (handler.*setter)(before + 5e-11);
        (handler.*setter)(before - 9e-11);
        EXPECT_TRUE(log.take().empty()) << before;
        EXPECT_EQ(handler.getParams2d().materialProperties.*field, before);
        (handler.*setter)(before + 1e-9);
        EXPECT_EQ(log.take(), Events{"settings"}) << before;
        EXPECT_EQ(handler.getParams2d().materialProperties.*field, before + 1e-9);
    }
}

TEST(InputHandlerSetters, MaterialPropertiesSignalOncePerChangedFieldAndEnumsOnlyOnChange)
{
    InputHandler handler(makeReadyParams());
    SignalLog log(handler);
    handler.setMaterialProperties(MaterialProperties{2.5, 210000.0, 0.3, 355.0});
    EXPECT_EQ(log.take(), (Events{"settings", "settings"}));
    const MaterialProperties& stored = handler.getParams2d().materialProperties;
    EXPECT_EQ(stored.thickness, 2.5);
    EXPECT_EQ(stored.youngsModulus, 210000.0);
    EXPECT_EQ(stored.yield, 355.0);

    handler.setMode(ePlanarStress);
    handler.setElementType(eTriangle6);
    EXPECT_TRUE(log.take().empty());
    handler.setMode(ePlanarStrain);
    handler.setElementType(eTriangle3);
    EXPECT_EQ(log.take(), (Events{"settings", "settings"}));
    EXPECT_EQ(handler.getParams2d().mode, ePlanarStrain);
    EXPECT_EQ(handler.getParams2d().elementType, eTriangle3);
}

TEST(InputHandlerSetters, TheDesiredMeshSizeIgnoresZeroAndRechecksAnExistingMeshSignallingWhenTheFlagFlips)
{
    InputHandler handler(makeReadyParams());
    SignalLog log(handler);
    for (const double ignored : {0.0, 5e-11, 2.0 + 5e-11, std::numeric_limits<double>::quiet_NaN(),
                                 std::numeric_limits<double>::infinity()})
        handler.setDesiredMeshSize(ignored);
    EXPECT_TRUE(log.take().empty());
    EXPECT_EQ(handler.getMeshProperties().desiredMeshSize, 2.0);

    handler.setDesiredMeshSize(3.0);
    EXPECT_FALSE(handler.getMeshProperties().validMeshSize);
    EXPECT_EQ(log.take(), (Events{"settings", "validMesh"}));
    handler.setDesiredMeshSize(4.0);
    EXPECT_EQ(log.take(), Events{"settings"});
    handler.setDesiredMeshSize(2.0 + 5e-11);
    EXPECT_TRUE(handler.getMeshProperties().validMeshSize);
    EXPECT_EQ(log.take(), (Events{"settings", "validMesh"}));

    // Without a mesh the flag is left as it is.
    handler.setMesh(nullptr, std::nullopt);
    log.take();
    handler.setDesiredMeshSize(7.0);
    EXPECT_TRUE(handler.getMeshProperties().validMeshSize);
    EXPECT_EQ(handler.getMeshProperties().desiredMeshSize, 7.0);
    EXPECT_EQ(log.take(), Events{"settings"});
}

TEST(InputHandlerSetters, ARefinementRatioOfAboutOneOrLessIsStoredAsOneAndAlwaysSignalledWhileEnabled)
{
    for (const bool enabled : {true, false})
    {
        Params2d params = makeReadyParams();
        params.meshProperties.meshRefinementEnabled = enabled;
        InputHandler handler(std::move(params));
        SignalLog log(handler);
        handler.setMeshRefinementRatio(0.5);
        handler.setMeshRefinementRatio(1.0 + 5e-11);
        EXPECT_EQ(handler.getMeshProperties().meshRefinementRatio, 1.0);
        EXPECT_EQ(log.take(), (enabled ? Events{"settings", "settings"} : Events{}));
        handler.setMeshRefinementRatio(std::numeric_limits<double>::quiet_NaN());
        EXPECT_EQ(handler.getMeshProperties().meshRefinementRatio, 1.0);
        EXPECT_EQ(log.take(), (enabled ? Events{"settings"} : Events{}));

        handler.setMeshRefinementRatio(3.0);
        handler.setMeshRefinementRatio(3.0 + 5e-11);
        EXPECT_EQ(handler.getMeshProperties().meshRefinementRatio, enabled ? 3.0 : 1.0);
        EXPECT_EQ(log.take(), (enabled ? Events{"settings"} : Events{}));
    }
}

TEST(InputHandlerSetters, RefineAutomaticallyAlwaysSignalsAndTheOtherAdaptiveSettingsNever)
{
    InputHandler handler(makeReadyParams());
    SignalLog log(handler);
    handler.setAdaptiveBoundaryRefinement(3);
    handler.setAdaptiveMaxIterations(7);
    handler.setAdaptiveInternalTriangleThreshold(11);
    handler.setAdaptiveElasticityThreshold(0.25);
    EXPECT_TRUE(log.take().empty());
    handler.setRefineAutomatically(false);
    handler.setRefineAutomatically(true);
    EXPECT_EQ(log.take(), (Events{"settings", "settings"}));

    const AdaptiveRefinementParameters& adaptive = handler.getAdaptiveParams();
    EXPECT_TRUE(adaptive.refineAutomatically);
    EXPECT_EQ(adaptive.boundaryRefinement, 3);
    EXPECT_EQ(adaptive.maxIterations, 7);
    EXPECT_EQ(adaptive.internalTriangleThreshold, 11);
    EXPECT_EQ(adaptive.elasticityThreshold, 0.25);
}

TEST(InputHandlerLoadsAndSupports,
     EveryEditOfAMeshedInputResetsTheConstraintsFlagAndSignalsEvenWhenItWasFalse)
{
    for (const bool meshed : {true, false})
    {
        Params2d params = makeReadyParams();
        if (!meshed)
            params.mesh = nullptr;
        params.loadsAndSupports = {pointLoad(1, 10.0), fixedPoint(0.0, 0.0, 2)};
        InputHandler handler(std::move(params));
        SignalLog log(handler);
        const Events expected = meshed ? Events{"settings", "validMesh"} : Events{"settings"};

        handler.addLoadOrSupport(pointLoad(4, 1.0));
        EXPECT_EQ(log.take(), expected) << meshed;
        EXPECT_EQ(handler.getMeshProperties().validMeshConstraints, !meshed);
        handler.addLoadOrSupport(fixedPoint(1.0, 1.0, 5));
        EXPECT_EQ(log.take(), expected) << meshed;
        handler.setLoadOrSupport(linearLoad(9, 4.0), OdDbObjectId(2));
        EXPECT_EQ(log.take(), expected) << meshed;
        handler.removeLoadOrSupport(0);
        EXPECT_EQ(log.take(), expected) << meshed;
        EXPECT_EQ(handler.getMeshProperties().validMeshConstraints, !meshed);
    }
}

TEST(InputHandlerLoadsAndSupports, ReplacementTakesTheFirstEntryWithTheIdAndRemovalShiftsTheRest)
{
    Params2d params = makeReadyParams();
    params.loadsAndSupports = {pointLoad(1, 10.0), fixedPoint(0.0, 0.0, 2), pointLoad(2, 30.0)};
    InputHandler handler(std::move(params));
    SignalLog log(handler);
    const auto& entries = handler.getParams2d().loadsAndSupports;

    handler.setLoadOrSupport(linearLoad(9, 4.0), OdDbObjectId(2));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(std::get<LinearLoad>(entries[1]).id, OdDbObjectId(9));
    EXPECT_EQ(std::get<PointLoad>(entries[2]).magnitude, 30.0);

    handler.removeLoadOrSupport(1);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(std::get<PointLoad>(entries[0]).id, OdDbObjectId(1));
    EXPECT_EQ(std::get<PointLoad>(entries[1]).id, OdDbObjectId(2));
    log.take();

    // Unknown ids and indices outside [0, count) change nothing and raise nothing.
    handler.setValidMeshConstraints(true);
    log.take();
    handler.setLoadOrSupport(linearLoad(9, 4.0), OdDbObjectId(77));
    handler.removeLoadOrSupport(-1);
    handler.removeLoadOrSupport(2);
    EXPECT_EQ(entries.size(), 2u);
    EXPECT_TRUE(log.events.empty());
    EXPECT_TRUE(handler.getMeshProperties().validMeshConstraints);
}

TEST(InputHandlerMeshAndRegion, NewMeshesAndRegionsSignalSettingsAndLeaveTheFlags)
{
    Params2d params = makeReadyParams();
    params.meshProperties.validMeshConstraints = false;
    InputHandler handler(std::move(params));
    SignalLog log(handler);

    OdSmartPtr<OdDbSubDMesh> mesh = OdDbSubDMesh::createObject();
    handler.setMesh(mesh, 1.5);
    EXPECT_EQ(handler.getMesh(), mesh);
    EXPECT_EQ(handler.getMeshProperties().meshSize, 1.5);
    EXPECT_FALSE(handler.getMeshProperties().validMeshConstraints);
    EXPECT_TRUE(handler.getMeshProperties().validMeshSize);
    EXPECT_EQ(log.take(), (Events{"settings", "hasMesh"}));

    handler.setMesh(OdDbSubDMesh::createObject(), std::nullopt);
    EXPECT_EQ(handler.getMeshProperties().meshSize, 1.5);
    EXPECT_EQ(log.take(), (Events{"settings", "hasMesh"}));
    mesh = handler.getMesh();

    // The same objects again change nothing.
    handler.setMesh(handler.getMesh(), 9.0);
    handler.setRegion(handler.getRegion());
    EXPECT_EQ(handler.getMeshProperties().meshSize, 1.5);
    EXPECT_TRUE(log.take().empty());

    // A new region keeps the mesh and its flags.
    handler.setRegion(nullptr);
    EXPECT_FALSE(handler.isBoundarySelected());
    handler.setRegion(OdDbRegion::createObject());
    EXPECT_TRUE(handler.isBoundarySelected());
    EXPECT_EQ(handler.getMesh(), mesh);
    EXPECT_FALSE(handler.getMeshProperties().validMeshConstraints);
    EXPECT_TRUE(handler.getMeshProperties().validMeshSize);
    EXPECT_EQ(log.take(), (Events{"settings", "settings"}));
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
    // A 25th of the 100 x 50 diagonal, rounded to two decimals.
    EXPECT_DOUBLE_EQ(handler.getMeshProperties().desiredMeshSize, 4.47);
    EXPECT_EQ(handler.getMeshProperties().meshSize, -1.0);
    EXPECT_TRUE(log.events.empty());

    handler.setRegion(nullptr);
    handler.initializeMeshSize();
    EXPECT_EQ(handler.getMeshProperties().desiredMeshSize, 0.0);
}

TEST(InputHandlerSignals, CallbacksRunInOrderOfConnectionUntilTheirHandleIsReleased)
{
    InputHandler handler(makeReadyParams());
    std::vector<int> calls;
    auto a = handler.connectSettingsChangedSignal([&] { calls.push_back(1); });
    auto b = handler.connectSettingsChangedSignal([&] { calls.push_back(2); });
    auto c = handler.connectSettingsChangedSignal([&] { calls.push_back(3); });
    handler.setThickness(4.0);
    b.reset();
    handler.setThickness(5.0);
    EXPECT_EQ(calls, (std::vector<int>{1, 2, 3, 1, 3}));
}

TEST(InputHandlerSignals, CallbacksMayReleaseHandlesAndConnectDuringARaise)
{
    InputHandler handler(makeReadyParams());
    std::vector<int> calls;
    std::shared_ptr<ut::Connection> self, victim, added;
    self = handler.connectSettingsChangedSignal(
        [&]
        {
            calls.push_back(1);
            victim.reset(); // connected later: not called, even in this raise
            added = handler.connectSettingsChangedSignal([&] { calls.push_back(3); });
            self.reset(); // destroys this very callback's handle while it runs
        });
    victim = handler.connectSettingsChangedSignal([&] { calls.push_back(2); });
    handler.setThickness(4.0);
    EXPECT_EQ(calls, std::vector<int>{1});
    handler.setThickness(5.0);
    EXPECT_EQ(calls, (std::vector<int>{1, 3}));
}

TEST(InputHandlerSignals, ASetterCalledFromACallbackRaisesAgainWithTheChangeAlreadyStored)
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
    std::shared_ptr<ut::Connection> settings, valid;
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

TEST(InputHandlerStatus, EveryFailedCheckIsListedInOrderOnItsOwnLine)
{
    Params2d params{};
    params.loadsAndSupports = {pointLoad(1, 0.0), linearLoad(2, -5.0), fixedPoint(0.0, 0.0)};
    params.meshProperties.validMeshConstraints = false;
    params.meshProperties.validMeshSize = true;
    params.materialProperties = MaterialProperties{1e-10, 0.0, 0.5, -1.0};
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

TEST(InputHandlerStatus, ReadyInputsGiveAnEmptyStatusAndEitherStaleFlagInvalidatesTheMesh)
{
    const auto handler = handlerWithSupports({fixedPoint(0.0, 0.0), fixedPoint(10.0, 0.0)});
    EXPECT_TRUE(handler->getStatus().message.isEmpty()) << handler->getStatus().message.c_str();
    const OdString invalid(L"Current mesh is not valid, update mesh.\n");
    handler->setValidMeshSize(false);
    EXPECT_EQ(handler->getStatus().message, invalid);
    handler->setValidMeshSize(true);
    handler->setValidMeshConstraints(false);
    EXPECT_EQ(handler->getStatus().message, invalid);
}

TEST(InputHandlerStatus, MessagesAreLookedUpInTheTranslationCatalogue)
{
    const cae_core::test::ScopedGermanCatalogue catalogue(std::map<std::string, std::string>{
        {"The region is not defined.\n", "Der Bereich ist nicht festgelegt.\n"}});
    ASSERT_TRUE(catalogue.loaded());
    const auto handler = handlerWithSupports({fixedPoint(0.0, 0.0), fixedPoint(10.0, 0.0)});
    handler->setRegion(nullptr);
    handler->setThickness(0.0);
    EXPECT_EQ(std::wstring(handler->getStatus().message.c_str()),
              L"Der Bereich ist nicht festgelegt.\nThe thickness needs to be greater than zero.\n");
}

TEST(InputHandlerStatus, MaterialValuesAreCheckedAgainstTheirOpenRanges)
{
    struct Case
    {
        MaterialProperties material;
        const wchar_t* message; // nullptr: accepted
    };
    const wchar_t* const poisson = L"Poisson ratio needs to be greater than -1 and smaller than 0.5.\n";
    const wchar_t* const thickness = L"The thickness needs to be greater than zero.\n";
    const wchar_t* const modulus = L"The Young's modulus needs to be greater than zero.\n";
    const wchar_t* const yield = L"The yield needs to be greater than zero.\n";
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {{1, 1, 0.5, 1}, poisson},
        {{1, 1, -1.0, 1}, poisson},
        {{1, 1, 0.49999999995, 1}, poisson},
        {{1, 1, -0.99999999995, 1}, poisson},
        {{1, 1, 0.49, 1}, nullptr},
        {{1, 1, -0.99, 1}, nullptr},
        {{1, 1, 0.0, 1}, nullptr},
        {{1e-10, 1, 0.3, 1}, thickness},
        {{2e-10, 1, 0.3, 1}, nullptr},
        {{1, 1e-10, 0.3, 1}, modulus},
        {{1, 2e-10, 0.3, 1}, nullptr},
        {{1, 1, 0.3, 1e-10}, yield},
        {{1, 1, 0.3, 2e-10}, nullptr},
        // A value that is not a number is not inside any range.
        {{nan, 1, 0.3, 1}, thickness},
        {{1, nan, 0.3, 1}, modulus},
        {{1, 1, nan, 1}, poisson},
        {{1, 1, 0.3, nan}, yield},
    };
    for (const Case& c : cases)
    {
        // A fresh handler each time: values within 1e-10 of the previous case would not be stored.
        const auto handler = handlerWithSupports({fixedPoint(0.0, 0.0), fixedPoint(10.0, 0.0)});
        handler->setMaterialProperties(c.material);
        EXPECT_EQ(std::wstring(handler->getStatus().message.c_str()), c.message ? c.message : L"")
            << c.material.thickness << " " << c.material.youngsModulus << " " << c.material.poissonRatio
            << " " << c.material.yield;
    }
}

TEST(InputHandlerStatus, OneLoadOfEitherKindAbovePlusTheToleranceIsEnough)
{
    const auto handler = handlerWithSupports({fixedPoint(0.0, 0.0), fixedPoint(10.0, 0.0)});
    handler->removeLoadOrSupport(0); // the point load
    handler->addLoadOrSupport(pointLoad(2, 1e-10));
    handler->setValidMeshConstraints(true);
    EXPECT_EQ(handler->getStatus().message, OdString(L"There are no non-zero loads defined.\n"));
    handler->addLoadOrSupport(linearLoad(3, 2e-10));
    handler->setValidMeshConstraints(true);
    EXPECT_TRUE(handler->getStatus().message.isEmpty());
}

TEST(InputHandlerStatus, SupportsMustBlockBothTranslationsAndTheRotationAboutEverySupportedPoint)
{
    const OdGePoint2d origin(0.0, 0.0), right(10.0, 0.0);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const LinearSupport bottom = linearSupport(origin, right, true);
    // Reversed chords block opposite, parallel directions.
    const LinearSupport top = linearSupport(OdGePoint2d(10.0, 5.0), OdGePoint2d(0.0, 5.0), true);
    struct Case
    {
        const char* name;
        std::vector<LoadOrSupport> supports;
        bool sufficient;
    };
    const Case cases[] = {
        {"no supports", {}, false},
        {"one fixed point", {fixedPoint(0, 0)}, false},
        {"two fixed points", {fixedPoint(0, 0), fixedPoint(10, 0)}, true},
        {"two fixed points at one place", {fixedPoint(0, 0), fixedPoint(0, 0)}, true},
        {"a fixed edge", {linearSupport(origin, right, false)}, true},
        {"fixed point, roller across the joining line", {fixedPoint(0, 0), rollingPoint(10, 0, 0, 1)}, true},
        {"fixed point, oblique roller", {fixedPoint(0, 0), rollingPoint(10, 0, 1, 1)}, true},
        {"fixed point, roller along the joining line", {fixedPoint(0, 0), rollingPoint(10, 0, 1, 0)}, false},
        {"fixed point, roller along an oblique joining line",
         {fixedPoint(0, 0), rollingPoint(3, 4, -6, -8)},
         false},
        {"three rollers in one direction",
         {rollingPoint(0, 0, 0, 1), rollingPoint(1, 0, 0, 1), rollingPoint(0, 1, 0, 1)},
         false},
        {"three rollers in two opposite directions",
         {rollingPoint(0, 0, 0, 1), rollingPoint(1, 0, 0, 1), rollingPoint(0, 1, 0, -1)},
         false},
        {"three rollers blocking both translations and the rotation",
         {rollingPoint(0, 0, 0, 1), rollingPoint(10, 0, 0, 1), rollingPoint(0, 0, 1, 0)},
         true},
        {"two rollers at one point, free to turn about it",
         {rollingPoint(0, 0, 1, 0), rollingPoint(0, 0, 0, 1)},
         false},
        {"a roller edge", {bottom}, false},
        {"a roller edge and a roller across it", {bottom, rollingPoint(0, 5, 1, 0)}, true},
        {"two parallel roller edges", {bottom, top}, false},
        // Supports that are nowhere or point nowhere block nothing.
        {"fixed point, roller without a direction", {fixedPoint(0, 0), rollingPoint(10, 0, 0, 0)}, false},
        {"fixed point, roller with a NaN direction", {fixedPoint(0, 0), rollingPoint(10, 0, nan, 1)}, false},
        {"fixed point and one at NaN", {fixedPoint(0, 0), fixedPoint(nan, 0)}, false},
        {"fixed edge with an infinite end", {linearSupport(origin, OdGePoint2d(inf, 0), false)}, false},
        {"fixed point without a direction, roller across",
         {PointSupport{OdDbObjectId(), OdGeVector2d(nan, 0), origin, false}, rollingPoint(10, 0, 0, 1)},
         true},
    };
    for (const Case& c : cases)
    {
        const OdString message = handlerWithSupports(c.supports)->getStatus().message;
        EXPECT_EQ(std::wstring(message.c_str()), c.sufficient ? L"" : kSupportsMessage.c_str()) << c.name;
    }
}
