#include "cae_core/fea2d/InputHandler.h"

#include "platform/db/DbRegion.h"
#include "platform/db/DbSubDMesh.h"
#include "platform/ge/GeLineSeg3d.h"
#include "tests/cae_core/core/MemoryCatalogue.h"

#include <gtest/gtest.h>

#include <functional>
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

/// A fixed point support.
PointSupport clamp(double x, double y, std::uint64_t id = 0)
{
    return PointSupport{OdDbObjectId(id), OdGeVector2d(1.0, 0.0), OdGePoint2d(x, y), false};
}

/// A rolling point support blocking (dx, dy).
PointSupport roller(double x, double y, double dx, double dy)
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

TEST(InputHandlerSetters, EverySetterStoresAndSignalsByItsRule)
{
    Params2d params = makeReadyParams();
    params.loadsAndSupports = {pointLoad(1, 10.0), clamp(0.0, 0.0, 2), pointLoad(2, 30.0)};
    InputHandler handler(std::move(params));
    SignalLog log(handler);
    const Params2d& p = handler.getParams2d();
    const MaterialProperties& material = p.materialProperties;
    const MeshProperties& mesh = p.meshProperties;
    const AdaptiveRefinementParameters& adaptive = p.adaptiveParams;
    const OdSmartPtr<OdDbSubDMesh> newMesh = OdDbSubDMesh::createObject();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const Events none, settings{"settings"}, twice{"settings", "settings"}, valid{"validMesh"};
    const Events settingsValid{"settings", "validMesh"}, settingsHasMesh{"settings", "hasMesh"};
    struct Step
    {
        const char* what;
        std::function<void()> act;
        Events expected;
        std::function<bool()> holds = [] { return true; };
    };
    // Starts with a mesh of size 2 that is valid in both respects, and refinement enabled.
    const Step steps[] = {
        {"thickness within 1e-10", [&] { handler.setThickness(1.0 + 5e-11); }, none,
         [&] { return material.thickness == 1.0; }},
        {"modulus within 1e-10", [&] { handler.setYoungsModulus(210000.0 - 9e-11); }, none},
        {"Poisson's ratio within 1e-10", [&] { handler.setPoissonRatio(0.3 + 5e-11); }, none},
        {"yield within 1e-10", [&] { handler.setYield(235.0 + 5e-11); }, none},
        {"thickness", [&] { handler.setThickness(1.0 + 1e-9); }, settings,
         [&] { return material.thickness == 1.0 + 1e-9; }},
        {"modulus", [&] { handler.setYoungsModulus(2e5); }, settings},
        {"Poisson's ratio", [&] { handler.setPoissonRatio(0.25); }, settings},
        {"yield", [&] { handler.setYield(300.0); }, settings, [&] { return material.yield == 300.0; }},
        {"two fields of the material",
         [&] {
             handler.setMaterialProperties({2.5, 2e5, 0.25, 355.0});
         },
         twice, [&] { return material.thickness == 2.5 && material.yield == 355.0; }},
        {"same mode", [&] { handler.setMode(ePlanarStress); }, none},
        {"same element type", [&] { handler.setElementType(eTriangle6); }, none},
        {"mode", [&] { handler.setMode(ePlanarStrain); }, settings, [&] { return p.mode == ePlanarStrain; }},
        {"element type", [&] { handler.setElementType(eTriangle3); }, settings},
        {"desired size zero", [&] { handler.setDesiredMeshSize(0.0); }, none},
        {"desired size within 1e-10 of zero", [&] { handler.setDesiredMeshSize(5e-11); }, none},
        {"desired size current", [&] { handler.setDesiredMeshSize(2.0 + 5e-11); }, none},
        {"desired size NaN", [&] { handler.setDesiredMeshSize(nan); }, none},
        {"desired size infinite", [&] { handler.setDesiredMeshSize(inf); }, none,
         [&] { return mesh.desiredMeshSize == 2.0; }},
        {"desired size off the mesh's", [&] { handler.setDesiredMeshSize(3.0); }, settingsValid,
         [&] { return !mesh.validMeshSize; }},
        {"desired size still off", [&] { handler.setDesiredMeshSize(4.0); }, settings},
        {"desired size back within 1e-10", [&] { handler.setDesiredMeshSize(2.0 + 5e-11); }, settingsValid,
         [&] { return mesh.validMeshSize; }},
        {"ratio below one", [&] { handler.setMeshRefinementRatio(0.5); }, settings,
         [&] { return mesh.meshRefinementRatio == 1.0; }},
        {"ratio about one, again", [&] { handler.setMeshRefinementRatio(1.0 + 5e-11); }, settings},
        {"ratio NaN", [&] { handler.setMeshRefinementRatio(nan); }, settings,
         [&] { return mesh.meshRefinementRatio == 1.0; }},
        {"ratio above one", [&] { handler.setMeshRefinementRatio(3.0); }, settings,
         [&] { return mesh.meshRefinementRatio == 3.0; }},
        {"ratio within 1e-10", [&] { handler.setMeshRefinementRatio(3.0 + 5e-11); }, none},
        {"boundary refinement", [&] { handler.setAdaptiveBoundaryRefinement(3); }, none,
         [&] { return adaptive.boundaryRefinement == 3; }},
        {"iterations", [&] { handler.setAdaptiveMaxIterations(7); }, none,
         [&] { return adaptive.maxIterations == 7; }},
        {"triangle threshold", [&] { handler.setAdaptiveInternalTriangleThreshold(11); }, none,
         [&] { return adaptive.internalTriangleThreshold == 11; }},
        {"elasticity threshold", [&] { handler.setAdaptiveElasticityThreshold(0.25); }, none,
         [&] { return adaptive.elasticityThreshold == 0.25; }},
        {"refine automatically, unchanged", [&] { handler.setRefineAutomatically(false); }, settings},
        {"refine automatically", [&] { handler.setRefineAutomatically(true); }, settings,
         [&] { return adaptive.refineAutomatically; }},
        {"same constraints flag", [&] { handler.setValidMeshConstraints(true); }, none},
        {"same size flag", [&] { handler.setValidMeshSize(true); }, none},
        {"constraints flag", [&] { handler.setValidMeshConstraints(false); }, valid},
        {"size flag", [&] { handler.setValidMeshSize(false); }, valid, [&] { return !mesh.validMeshSize; }},
        {"add, constraints flag already false", [&] { handler.addLoadOrSupport(pointLoad(4, 1.0)); },
         settingsValid, [&] { return p.loadsAndSupports.size() == 4; }},
        {"replace the first entry with id 2",
         [&] { handler.setLoadOrSupport(linearLoad(9, 4.0), OdDbObjectId(2)); }, settingsValid,
         [&]
         {
             return std::get<LinearLoad>(p.loadsAndSupports[1]).id == OdDbObjectId(9) &&
                    std::get<PointLoad>(p.loadsAndSupports[2]).magnitude == 30.0;
         }},
        {"replace an unknown id", [&] { handler.setLoadOrSupport(linearLoad(9, 4.0), OdDbObjectId(77)); },
         none},
        {"remove before the list", [&] { handler.removeLoadOrSupport(-1); }, none},
        {"remove past the list", [&] { handler.removeLoadOrSupport(4); }, none,
         [&] { return p.loadsAndSupports.size() == 4; }},
        {"remove", [&] { handler.removeLoadOrSupport(1); }, settingsValid,
         [&]
         {
             return p.loadsAndSupports.size() == 3 &&
                    std::get<PointLoad>(p.loadsAndSupports[1]).id == OdDbObjectId(2) &&
                    !mesh.validMeshConstraints;
         }},
        {"same mesh", [&] { handler.setMesh(handler.getMesh(), 9.0); }, none,
         [&] { return mesh.meshSize == 2.0; }},
        {"same region", [&] { handler.setRegion(handler.getRegion()); }, none},
        {"size flag back", [&] { handler.setValidMeshSize(true); }, valid},
        {"new mesh with its size", [&] { handler.setMesh(newMesh, 1.5); }, settingsHasMesh,
         [&] { return handler.getMesh() == newMesh && mesh.meshSize == 1.5 && mesh.validMeshSize; }},
        {"new mesh without a size", [&] { handler.setMesh(OdDbSubDMesh::createObject(), std::nullopt); },
         settingsHasMesh, [&] { return mesh.meshSize == 1.5 && !mesh.validMeshConstraints; }},
        {"no region", [&] { handler.setRegion(nullptr); }, settings,
         [&] { return !handler.isBoundarySelected(); }},
        {"new region", [&] { handler.setRegion(OdDbRegion::createObject()); }, settings,
         [&] { return handler.isBoundarySelected() && !handler.getMesh().isNull() && mesh.validMeshSize; }},
        {"no mesh", [&] { handler.setMesh(nullptr, std::nullopt); }, settingsHasMesh},
        // Without a mesh, edits leave the flags alone.
        {"constraints flag back", [&] { handler.setValidMeshConstraints(true); }, valid},
        {"add without a mesh", [&] { handler.addLoadOrSupport(pointLoad(5, 1.0)); }, settings},
        {"replace without a mesh", [&] { handler.setLoadOrSupport(pointLoad(5, 2.0), OdDbObjectId(5)); },
         settings},
        {"remove without a mesh", [&] { handler.removeLoadOrSupport(0); }, settings},
        {"desired size without a mesh", [&] { handler.setDesiredMeshSize(7.0); }, settings,
         [&] { return mesh.validMeshConstraints && mesh.validMeshSize && mesh.desiredMeshSize == 7.0; }},
    };
    for (const Step& step : steps)
    {
        step.act();
        EXPECT_EQ(log.take(), step.expected) << step.what;
        EXPECT_TRUE(step.holds()) << step.what;
    }
}

TEST(InputHandlerSetters, TheRefinementRatioIsLeftAloneWhileRefinementIsDisabled)
{
    Params2d params = makeReadyParams();
    params.meshProperties.meshRefinementEnabled = false;
    InputHandler handler(std::move(params));
    SignalLog log(handler);
    for (const double ratio : {0.5, 4.0})
        handler.setMeshRefinementRatio(ratio);
    EXPECT_EQ(handler.getMeshProperties().meshRefinementRatio, 1.0);
    EXPECT_TRUE(log.events.empty());
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

TEST(InputHandlerSignals, CallbacksRunInOrderOfConnectionUntilTheirHandleOrTheHandlerGoes)
{
    auto handler = std::make_unique<InputHandler>(makeReadyParams());
    std::vector<int> calls;
    auto a = handler->connectSettingsChangedSignal([&] { calls.push_back(1); });
    auto b = handler->connectSettingsChangedSignal([&] { calls.push_back(2); });
    auto c = handler->connectValidMeshChangedSignal([&] { calls.push_back(3); });
    handler->setThickness(4.0);
    b.reset();
    handler->setThickness(5.0);
    EXPECT_EQ(calls, (std::vector<int>{1, 2, 1}));
    // Handles that outlive the handler stay valid objects and are released without calls.
    handler.reset();
    a.reset();
    c.reset();
    EXPECT_EQ(calls.size(), 3u);
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

TEST(InputHandlerStatus, EveryFailedCheckIsListedInOrderOnItsOwnLine)
{
    Params2d params{};
    params.loadsAndSupports = {pointLoad(1, 0.0), linearLoad(2, -5.0), clamp(0.0, 0.0)};
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

TEST(InputHandlerStatus, ReadyInputsGiveAnEmptyStatusUntilAFlagGoesStaleOrTheLastLoadIsZero)
{
    const auto handler = handlerWithSupports({clamp(0.0, 0.0), clamp(10.0, 0.0)});
    EXPECT_TRUE(handler->getStatus().message.isEmpty()) << handler->getStatus().message.c_str();
    const OdString invalid(L"Current mesh is not valid, update mesh.\n");
    handler->setValidMeshSize(false);
    EXPECT_EQ(handler->getStatus().message, invalid);
    handler->setValidMeshSize(true);
    handler->setValidMeshConstraints(false);
    EXPECT_EQ(handler->getStatus().message, invalid);

    // One load of either kind above 1e-10 is enough.
    handler->removeLoadOrSupport(0); // the point load
    handler->addLoadOrSupport(pointLoad(2, 1e-10));
    handler->setValidMeshConstraints(true);
    EXPECT_EQ(handler->getStatus().message, OdString(L"There are no non-zero loads defined.\n"));
    handler->addLoadOrSupport(linearLoad(3, 2e-10));
    handler->setValidMeshConstraints(true);
    EXPECT_TRUE(handler->getStatus().message.isEmpty());
}

TEST(InputHandlerStatus, MessagesAreLookedUpInTheTranslationCatalogue)
{
    const cae_core::test::ScopedGermanCatalogue catalogue(std::map<std::string, std::string>{
        {"The region is not defined.\n", "Der Bereich ist nicht festgelegt.\n"}});
    ASSERT_TRUE(catalogue.loaded());
    const auto handler = handlerWithSupports({clamp(0.0, 0.0), clamp(10.0, 0.0)});
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
    // Each bound on both sides of it; a value that is not a number is inside no range.
    const Case cases[] = {{{1, 1, 0.5, 1}, poisson},
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
                          {{nan, 1, 0.3, 1}, thickness},
                          {{1, nan, 0.3, 1}, modulus},
                          {{1, 1, nan, 1}, poisson},
                          {{1, 1, 0.3, nan}, yield}};
    for (const Case& c : cases)
    {
        // A fresh handler each time: values within 1e-10 of the previous case would not be stored.
        const auto handler = handlerWithSupports({clamp(0.0, 0.0), clamp(10.0, 0.0)});
        handler->setMaterialProperties(c.material);
        EXPECT_EQ(std::wstring(handler->getStatus().message.c_str()), c.message ? c.message : L"")
            << c.material.thickness << " " << c.material.youngsModulus << " " << c.material.poissonRatio
            << " " << c.material.yield;
    }
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
        {"one fixed point", {clamp(0, 0)}, false},
        {"two fixed points", {clamp(0, 0), clamp(10, 0)}, true},
        {"two fixed points at one place", {clamp(0, 0), clamp(0, 0)}, true},
        {"a fixed edge", {linearSupport(origin, right, false)}, true},
        {"fixed point, roller across the joining line", {clamp(0, 0), roller(10, 0, 0, 1)}, true},
        {"fixed point, oblique roller", {clamp(0, 0), roller(10, 0, 1, 1)}, true},
        {"fixed point, roller along the joining line", {clamp(0, 0), roller(10, 0, 1, 0)}, false},
        {"fixed point, roller along an oblique join", {clamp(0, 0), roller(3, 4, -6, -8)}, false},
        {"rollers in one direction", {roller(0, 0, 0, 1), roller(1, 0, 0, 1), roller(0, 1, 0, 1)}, false},
        {"rollers in opposite directions",
         {roller(0, 0, 0, 1), roller(1, 0, 0, 1), roller(0, 1, 0, -1)},
         false},
        {"rollers blocking everything", {roller(0, 0, 0, 1), roller(10, 0, 0, 1), roller(0, 0, 1, 0)}, true},
        {"two rollers at one point", {roller(0, 0, 1, 0), roller(0, 0, 0, 1)}, false},
        {"a roller edge", {bottom}, false},
        {"a roller edge and a roller across it", {bottom, roller(0, 5, 1, 0)}, true},
        {"two parallel roller edges", {bottom, top}, false},
        // Supports that are nowhere or point nowhere block nothing.
        {"fixed point, roller without a direction", {clamp(0, 0), roller(10, 0, 0, 0)}, false},
        {"fixed point, roller with a NaN direction", {clamp(0, 0), roller(10, 0, nan, 1)}, false},
        {"fixed point and one at NaN", {clamp(0, 0), clamp(nan, 0)}, false},
        {"fixed edge with an infinite end", {linearSupport(origin, OdGePoint2d(inf, 0), false)}, false},
        {"fixed point without a direction, roller across",
         {PointSupport{{}, {nan, 0}, origin, false}, roller(10, 0, 0, 1)},
         true},
    };
    for (const Case& c : cases)
    {
        const OdString message = handlerWithSupports(c.supports)->getStatus().message;
        EXPECT_EQ(std::wstring(message.c_str()), c.sufficient ? L"" : kSupportsMessage.c_str()) << c.name;
    }
}
