#include "cae_core/fea2d/InputHandler.h"

#include "platform/db/DbRegion.h"
#include "platform/db/DbSubDMesh.h"
#include "tests/cae_core/core/MemoryCatalogue.h"
#include "tests/support/Regions.h"

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

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

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

/// Records every raise of the three signals as long as it lives: S for settings, V for validMesh, H for
/// hasMesh, in order.
struct SignalLog
{
    explicit SignalLog(InputHandler& handler)
        : handles{handler.connectSettingsChangedSignal([this] { events += 'S'; }),
                  handler.connectValidMeshChangedSignal([this] { events += 'V'; }),
                  handler.connectHasMeshChangedSignal([this] { events += 'H'; })}
    {
    }
    /// The events so far, forgetting them.
    std::string take() { return std::exchange(events, {}); }

    std::string events;
    std::vector<std::shared_ptr<ut::Connection>> handles;
};

/// A handler that is ready to run except, possibly, for its supports.
std::unique_ptr<InputHandler> handlerWithSupports(const std::vector<LoadOrSupport>& supports)
{
    Params2d params = makeReadyParams();
    params.loadsAndSupports.push_back(pointLoad(1, 100.0));
    params.loadsAndSupports.insert(params.loadsAndSupports.end(), supports.begin(), supports.end());
    return std::make_unique<InputHandler>(std::move(params));
}

std::wstring statusOf(const InputHandler& handler)
{
    return handler.getStatus().message.c_str();
}

} // namespace

TEST(InputHandlerSetters, EverySetterStoresAndSignalsByItsRule)
{
    Params2d params = makeReadyParams();
    params.loadsAndSupports = {pointLoad(1, 10.0), clamp(0.0, 0.0, 2), pointLoad(2, 30.0)};
    InputHandler h(std::move(params));
    SignalLog log(h);
    // The signals raised since the last step, and what must hold after them.
    const auto step = [&log](const char* events, const char* what, bool holds = true)
    {
        EXPECT_EQ(log.take(), events) << what;
        EXPECT_TRUE(holds) << what;
    };
    const Params2d& p = h.getParams2d();
    const MaterialProperties& material = p.materialProperties;
    const MeshProperties& mesh = p.meshProperties;
    const AdaptiveRefinementParameters& adaptive = p.adaptiveParams;
    const auto materialIs = [&](double t, double e, double nu, double y)
    {
        return material.thickness == t && material.youngsModulus == e && material.poissonRatio == nu &&
               material.yield == y;
    };

    // Starts with a mesh of size 2 that is valid in both respects, and refinement enabled.
    h.setThickness(1.0 + 5e-11);
    h.setYoungsModulus(210000.0 - 9e-11);
    h.setPoissonRatio(0.3 + 5e-11);
    h.setYield(235.0 + 5e-11);
    step("", "material values within 1e-10", materialIs(1.0, 210000.0, 0.3, 235.0));
    h.setThickness(1.0 + 1e-9);
    h.setYoungsModulus(2e5);
    h.setPoissonRatio(0.25);
    h.setYield(300.0);
    step("SSSS", "each material value", materialIs(1.0 + 1e-9, 2e5, 0.25, 300.0));
    h.setMaterialProperties({2.5, 2e5, 0.25, 355.0});
    step("SS", "two fields of the material", materialIs(2.5, 2e5, 0.25, 355.0));
    h.setMode(ePlanarStress);
    h.setElementType(eTriangle6);
    step("", "same mode and element type");
    h.setMode(ePlanarStrain);
    h.setElementType(eTriangle3);
    step("SS", "mode and element type", p.mode == ePlanarStrain && p.elementType == eTriangle3);

    for (const double size : {0.0, 5e-11, 2.0 + 5e-11, kNaN, std::numeric_limits<double>::infinity()})
        h.setDesiredMeshSize(size);
    step("", "desired sizes that are zero, current or not finite", mesh.desiredMeshSize == 2.0);
    h.setDesiredMeshSize(3.0);
    step("SV", "desired size off the mesh's", !mesh.validMeshSize);
    h.setDesiredMeshSize(4.0);
    step("S", "desired size still off");
    h.setDesiredMeshSize(2.0 + 5e-11);
    step("SV", "desired size back within 1e-10", mesh.validMeshSize);
    h.setMeshRefinementRatio(0.5);
    step("S", "ratio below one", mesh.meshRefinementRatio == 1.0);
    h.setMeshRefinementRatio(1.0 + 5e-11);
    h.setMeshRefinementRatio(kNaN);
    step("SS", "ratio about one, again, and NaN", mesh.meshRefinementRatio == 1.0);
    h.setMeshRefinementRatio(3.0);
    step("S", "ratio above one", mesh.meshRefinementRatio == 3.0);
    h.setMeshRefinementRatio(3.0 + 5e-11);
    step("", "ratio within 1e-10");

    h.setAdaptiveBoundaryRefinement(3);
    h.setAdaptiveMaxIterations(7);
    h.setAdaptiveInternalTriangleThreshold(11);
    h.setAdaptiveElasticityThreshold(0.25);
    step("", "adaptive values",
         adaptive.boundaryRefinement == 3 && adaptive.maxIterations == 7 &&
             adaptive.internalTriangleThreshold == 11 && adaptive.elasticityThreshold == 0.25);
    h.setRefineAutomatically(false);
    h.setRefineAutomatically(true);
    step("SS", "refine automatically, unchanged and changed", adaptive.refineAutomatically);

    h.setValidMeshConstraints(true);
    h.setValidMeshSize(true);
    step("", "same flags");
    h.setValidMeshConstraints(false);
    h.setValidMeshSize(false);
    step("VV", "flags", !mesh.validMeshConstraints && !mesh.validMeshSize);
    h.addLoadOrSupport(pointLoad(4, 1.0));
    step("SV", "add, constraints flag already false", p.loadsAndSupports.size() == 4);
    h.setLoadOrSupport(linearLoad(9, 4.0), OdDbObjectId(2));
    step("SV", "replace the first entry with id 2",
         std::get<LinearLoad>(p.loadsAndSupports[1]).id == OdDbObjectId(9) &&
             std::get<PointLoad>(p.loadsAndSupports[2]).magnitude == 30.0);
    h.setLoadOrSupport(linearLoad(9, 4.0), OdDbObjectId(77));
    h.removeLoadOrSupport(-1);
    h.removeLoadOrSupport(4);
    step("", "replace an unknown id, remove outside the list", p.loadsAndSupports.size() == 4);
    h.removeLoadOrSupport(1);
    step("SV", "remove",
         p.loadsAndSupports.size() == 3 && std::get<PointLoad>(p.loadsAndSupports[1]).id == OdDbObjectId(2));

    h.setMesh(h.getMesh(), 9.0);
    h.setRegion(h.getRegion());
    step("", "same mesh and region", mesh.meshSize == 2.0);
    h.setValidMeshSize(true);
    step("V", "size flag back");
    const OdSmartPtr<OdDbSubDMesh> newMesh = OdDbSubDMesh::createObject();
    h.setMesh(newMesh, 1.5);
    step("SH", "new mesh with its size",
         h.getMesh() == newMesh && mesh.meshSize == 1.5 && mesh.validMeshSize);
    h.setMesh(OdDbSubDMesh::createObject(), std::nullopt);
    step("SH", "new mesh without a size", mesh.meshSize == 1.5 && !mesh.validMeshConstraints);
    h.setRegion(nullptr);
    step("S", "no region", !h.isBoundarySelected());
    h.setRegion(OdDbRegion::createObject());
    step("S", "new region", h.isBoundarySelected() && !h.getMesh().isNull() && mesh.validMeshSize);
    h.setMesh(nullptr, std::nullopt);
    step("SH", "no mesh");
    // Without a mesh, edits leave the flags alone.
    h.setValidMeshConstraints(true);
    step("V", "constraints flag back");
    h.addLoadOrSupport(pointLoad(5, 1.0));
    h.setLoadOrSupport(pointLoad(5, 2.0), OdDbObjectId(5));
    h.removeLoadOrSupport(0);
    h.setDesiredMeshSize(7.0);
    step("SSSS", "add, replace, remove and desired size without a mesh",
         mesh.validMeshConstraints && mesh.validMeshSize && mesh.desiredMeshSize == 7.0);
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
    EXPECT_EQ(log.events, "");
}

TEST(InputHandlerMeshAndRegion, InitializingTheMeshSizeOffersTheRegionDefaultAndForgetsTheMeshSize)
{
    const OdSmartPtr<OdDbRegion> region = test_regions::makeRectangle(0, 0, 100, 50);
    Params2d params = makeReadyParams();
    params.region = region;
    InputHandler handler(std::move(params));
    SignalLog log(handler);
    handler.initializeMeshSize();
    // A 25th of the 100 x 50 diagonal, rounded to two decimals.
    EXPECT_DOUBLE_EQ(handler.getMeshProperties().desiredMeshSize, 4.47);
    EXPECT_EQ(handler.getMeshProperties().meshSize, -1.0);
    EXPECT_EQ(log.events, "");
    handler.setRegion(nullptr);
    handler.initializeMeshSize();
    EXPECT_EQ(handler.getMeshProperties().desiredMeshSize, 0.0);
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
    EXPECT_EQ(statusOf(InputHandler(std::move(params))),
              L"There are no non-zero loads defined.\n"
              L"Specify additional supports to fully constrain translational and rotational movement of the "
              L"boundary.\n"
              L"The region is not defined.\n"
              L"No mesh is generated.\n"
              L"Current mesh is not valid, update mesh.\n"
              L"Poisson ratio needs to be greater than -1 and smaller than 0.5.\n"
              L"The thickness needs to be greater than zero.\n"
              L"The Young's modulus needs to be greater than zero.\n"
              L"The yield needs to be greater than zero.\n");
}

TEST(InputHandlerStatus, ReadyInputsGiveAnEmptyStatusUntilAFlagGoesStaleOrNoLoadIsPositive)
{
    const auto handler = handlerWithSupports({clamp(0.0, 0.0), clamp(10.0, 0.0)});
    EXPECT_EQ(statusOf(*handler), L"");
    const std::wstring invalid = L"Current mesh is not valid, update mesh.\n";
    handler->setValidMeshSize(false);
    EXPECT_EQ(statusOf(*handler), invalid);
    handler->setValidMeshSize(true);
    handler->setValidMeshConstraints(false);
    EXPECT_EQ(statusOf(*handler), invalid);
    // One load of either kind above 1e-10 is enough.
    handler->removeLoadOrSupport(0); // the point load
    handler->addLoadOrSupport(pointLoad(2, 1e-10));
    // A negative magnitude counts as zero, for point and linear loads alike.
    handler->addLoadOrSupport(pointLoad(4, -100.0));
    handler->addLoadOrSupport(linearLoad(5, -100.0));
    handler->setValidMeshConstraints(true);
    EXPECT_EQ(statusOf(*handler), L"There are no non-zero loads defined.\n");
    handler->addLoadOrSupport(linearLoad(3, 2e-10));
    handler->setValidMeshConstraints(true);
    EXPECT_EQ(statusOf(*handler), L"");
}

TEST(InputHandlerStatus, MessagesAreLookedUpInTheTranslationCatalogue)
{
    const cae_core::test::ScopedGermanCatalogue catalogue(std::map<std::string, std::string>{
        {"The region is not defined.\n", "Der Bereich ist nicht festgelegt.\n"}});
    ASSERT_TRUE(catalogue.loaded());
    const auto handler = handlerWithSupports({clamp(0.0, 0.0), clamp(10.0, 0.0)});
    handler->setRegion(nullptr);
    handler->setThickness(0.0);
    EXPECT_EQ(statusOf(*handler),
              L"Der Bereich ist nicht festgelegt.\nThe thickness needs to be greater than zero.\n");
}

TEST(InputHandlerStatus, MaterialValuesAreCheckedAgainstTheirOpenRanges)
{
    // A fresh handler each time: values within 1e-10 of the previous case would not be stored.
    const auto status = [](const MaterialProperties& material)
    {
        const auto handler = handlerWithSupports({clamp(0.0, 0.0), clamp(10.0, 0.0)});
        handler->setMaterialProperties(material);
        return statusOf(*handler);
    };
    // Each bound on both sides of it; a value that is not a number is inside no range.
    for (const double nu : {0.5, -1.0, 0.49999999995, -0.99999999995, kNaN})
        EXPECT_EQ(status({1, 1, nu, 1}), L"Poisson ratio needs to be greater than -1 and smaller than 0.5.\n")
            << nu;
    for (const double nu : {0.49, -0.99, 0.0})
        EXPECT_EQ(status({1, 1, nu, 1}), L"") << nu;
    for (const double v : {1e-10, kNaN})
    {
        EXPECT_EQ(status({v, 1, 0.3, 1}), L"The thickness needs to be greater than zero.\n") << v;
        EXPECT_EQ(status({1, v, 0.3, 1}), L"The Young's modulus needs to be greater than zero.\n") << v;
        EXPECT_EQ(status({1, 1, 0.3, v}), L"The yield needs to be greater than zero.\n") << v;
    }
    EXPECT_EQ(status({2e-10, 2e-10, 0.3, 2e-10}), L"");
}

TEST(InputHandlerStatus, SupportsMustBlockBothTranslationsAndTheRotationAboutEverySupportedPoint)
{
    const OdGePoint2d origin(0.0, 0.0), right(10.0, 0.0);
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
        // Clamps at one place leave the rotation about it free, however many there are.
        {"two fixed points at one place", {clamp(0, 0), clamp(0, 0)}, false},
        {"two fixed points 1e-11 apart", {clamp(0, 0), clamp(1e-11, 0)}, false},
        {"two fixed points at one place, roller across",
         {clamp(0, 0), clamp(0, 0), roller(10, 0, 0, 1)},
         true},
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
        // A roller counts with its normalised direction even when that is zero or not a number: such a
        // direction is parallel to nothing.
        {"fixed point, roller without a direction", {clamp(0, 0), roller(10, 0, 0, 0)}, true},
        {"fixed point, roller with a NaN direction", {clamp(0, 0), roller(10, 0, kNaN, 1)}, true},
        {"roller without a direction alone", {roller(10, 0, 0, 0)}, false},
        // Closer than the tolerance but not identical: no lever arm, so the rotation about them is free.
        {"fixed point, roller 1e-11 beside it", {clamp(0, 0), roller(1e-11, 0, 0, 1)}, false},
        // Supports that are nowhere block nothing.
        {"fixed point and one at NaN", {clamp(0, 0), clamp(kNaN, 0)}, false},
        {"fixed edge with an infinite end", {linearSupport(origin, OdGePoint2d(inf, 0), false)}, false},
        {"fixed point without a direction, roller across",
         {PointSupport{{}, {kNaN, 0}, origin, false}, roller(10, 0, 0, 1)},
         true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(statusOf(*handlerWithSupports(c.supports)),
                  c.sufficient
                      ? L""
                      : L"Specify additional supports to fully constrain translational and rotational "
                        L"movement of the boundary.\n")
            << c.name;
}
