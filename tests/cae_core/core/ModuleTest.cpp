// The module as the host gets it: the file cae_core.tx loaded by the SDK's dynamic linker. This program
// links the SDK and host libraries the module shares with its host, and the module file itself for the
// calls a host makes into it.
#include "cae_core/core/CaeCoreModule.h"

#include "cae_core/core/ReporterMessages.h"
#include "cae_core/mesher2d/DelaunayMesher.h"
#include "cae_core/mesher2d/Mesher2d.h"
#include "cae_core/nastran/NastranSolver2d.h"
#include "cae_core/solver2d/Solver2d.h"
#include "cae_core/task/Mesh.h"
#include "host/ut/Assert.h"
#include "host/ut/Reporter.h"
#include "platform/rx/RxClass.h"
#include "platform/rx/RxModule.h"

#include <gtest/gtest.h>

namespace
{
using namespace cae_core;

TEST(Module, LoadingRegistersClassesMessagesAndProvidersAndUnloadingRemovesThem)
{
    auto& messages = ut::ReporterMessageRegistry::instance();
    ASSERT_FALSE(messages.isRegistered(eRpt_NastranNotFoundCustom));
    ASSERT_EQ(odrxGetClass(L"CaeFeature"), nullptr);

    OdRxDynamicLinker& linker = *odrxDynamicLinker();
    {
        const OdRxModulePtr module = linker.loadModule(CAE_MODULE_FILE, false);
        ASSERT_FALSE(module.isNull()) << OdAnsiString(linker.lastError()).c_str();
        EXPECT_EQ(module->moduleName(), OdString(L"cae_core.tx"));
        EXPECT_EQ(linker.loadModule(CAE_MODULE_FILE).get(), module.get()) << "a loaded module is loaded once";
        EXPECT_EQ(odrxCreateModuleObject(nullptr), module.get()) << "one module object per process";
        const auto* object = dynamic_cast<const CaeCoreModule*>(module.get());
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(object->moduleFileName().find(L"cae_core.tx"), object->moduleFileName().getLength() - 11);
        EXPECT_FALSE(linker.unloadModule(L"cae_core.tx")) << "held outside the run-time";
    }

    // The three feature classes, the CAE features below the host's feature class.
    const OdRxClass* feature = odrxGetClass(L"CaeFeature");
    ASSERT_NE(feature, nullptr);
    EXPECT_TRUE(odrxGetClass(L"CaeFixFeature")->isDerivedFrom(feature));
    EXPECT_TRUE(odrxGetClass(L"CaePressureFeature")->isDerivedFrom(feature));
    // The seven messages with their severities and texts.
    struct Message
    {
        EReporterMessage key;
        ut::IReporterMessage::ESeverity severity;
        const wchar_t* text;
    };
    const Message expected[] = {
        {eRpt_Fmt_ErrorParseJsonWrongParameterType, ut::IReporterMessage::eError,
         L"Failed to parse JSON parameter %ls. It has wrong type"},
        {eRpt_Fmt_SurfaceSessionFailed, ut::IReporterMessage::eError,
         L"Failed to create surface mesh for entity. Mesher message: %ls"},
        {eRpt_Fmt_TetraSessionFailed, ut::IReporterMessage::eError,
         L"Failed to create tetra mesh for entity. Mesher message: %ls"},
        {eRpt_EntityHasNoConstraints, ut::IReporterMessage::eWarning,
         L"Entity doesn't have CAE constraints. The CAE task may not be solved"},
        {eRpt_EntityHasNoLoads, ut::IReporterMessage::eWarning,
         L"Entity doesn't have CAE loads. The CAE task may not be solved"},
        {eRpt_NastranNotFoundCustom, ut::IReporterMessage::eError, L"%ls"},
        {eRpt_NastranFailedToRun_ls, ut::IReporterMessage::eError, L"Failed to run MSC Nastran (%ls)"},
    };
    for (const Message& m : expected)
    {
        const auto message = messages.find(m.key);
        ASSERT_NE(message, nullptr) << m.key;
        EXPECT_EQ(message->severity(), m.severity) << m.key;
        EXPECT_EQ(message->highlight(), ut::IReporterMessage::eShortHighlight) << m.key;
        EXPECT_EQ(message->text(), OdString(m.text)) << m.key;
    }
    const auto mesher = Mesher2d::create();
    EXPECT_NE(dynamic_cast<DelaunayMesher*>(mesher.get()), nullptr);
    const auto solver = Solver2d::create(Solver2d::eNastran);
    EXPECT_NE(dynamic_cast<NastranSolver2d*>(solver.get()), nullptr);

    // Until the host installs its own, the tetrahedral generator makes nothing.
    std::shared_ptr<Mesh> mesh;
    MeshingParameters parameters;
    EXPECT_EQ(TetraMeshGenerator::get().generate(ut::IReporter::nullReporter(), OdDbObjectId(), nullptr,
                                                 nullptr, parameters, mesh),
              eNotPossible);
    EXPECT_EQ(mesh, nullptr);

    ASSERT_TRUE(linker.unloadModule(L"cae_core.tx"));
    for (const Message& m : expected)
        EXPECT_FALSE(messages.isRegistered(m.key)) << m.key;
    EXPECT_EQ(odrxGetClass(L"CaeFeature"), nullptr);
    EXPECT_EQ(odrxGetClass(L"CaePressureFeature"), nullptr);
    EXPECT_EQ(Mesher2d::create(), nullptr);
    EXPECT_EQ(Solver2d::create(Solver2d::eNastran), nullptr);
    EXPECT_EQ(CaeCoreModule::instance(), nullptr) << "the last reference destroyed the object";
}

TEST(Module, AnotherFileIsRefusedWithTheReason)
{
    OdRxDynamicLinker& linker = *odrxDynamicLinker();
    EXPECT_TRUE(linker.loadModule(L"no-such-module.tx").isNull());
    EXPECT_NE(linker.lastError().find(L"no-such-module.tx"), -1);
    EXPECT_FALSE(linker.unloadModule(L"no-such-module.tx"));
}

TEST(Module, ASecondModuleObjectIsReportedAsABrokenInvariant)
{
    ut::AssertRecorder asserts;
    {
        const OdRxModulePtr first(odrxCreateModuleObject(nullptr));
        const OdRxModulePtr second(new CaeCoreModule(nullptr));
        EXPECT_TRUE(asserts.fired("!s_pTheModule", "cae_core/cae_core_module", 135));
    }
    EXPECT_EQ(CaeCoreModule::instance(), nullptr);
    int major = 0, minor = 0, majorBuild = 1, minorBuild = 1;
    EXPECT_EQ(odrxGetAPIVersion(major, minor, majorBuild, minorBuild), 0);
    EXPECT_EQ(std::vector<int>({major, minor, majorBuild, minorBuild}), std::vector<int>({26, 3, 0, 0}));
}

} // namespace
