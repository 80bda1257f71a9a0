#include "cae_core/core/CaeCoreModule.h"

#include "cae_core/core/ReporterMessages.h"
#include "cae_core/mesher2d/DelaunayMesher.h"
#include "cae_core/mesher2d/Mesher2d.h"
#include "cae_core/nastran/NastranSolver2d.h"
#include "cae_core/solver2d/Solver2d.h"
#include "cae_core/task/Features.h"
#include "host/ut/Assert.h"
#include "platform/base/OdAlloc.h"

#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <memory>

namespace cae_core
{
namespace
{
/// The object under construction or alive; its constructor checks that there is only one.
CaeCoreModule* s_pTheModule = nullptr;
/// What odrxCreateModuleObject hands out; cleared when the last reference goes.
CaeCoreModule* s_pModuleObject = nullptr;

/// The run-time classes, initialised in this order and removed in the reverse one.
struct ClassRegistration
{
    void (*init)();
    void (*uninit)();
};
const ClassRegistration kClasses[] = {
    {&CaeFeature::rxInit, &CaeFeature::rxUninit},
    {&CaeFixFeature::rxInit, &CaeFixFeature::rxUninit},
    {&CaePressureFeature::rxInit, &CaePressureFeature::rxUninit},
    {&CaeForceFeature::rxInit, &CaeForceFeature::rxUninit},
};
} // namespace

CaeCoreModule::CaeCoreModule(void* moduleHandle) : OdRxModule(moduleHandle)
{
    if (s_pTheModule)
        ut::callAssert("!s_pTheModule", nullptr, "cae_core/cae_core_module", 135);
    s_pTheModule = this;
}

CaeCoreModule::~CaeCoreModule()
{
    if (s_pTheModule == this)
        s_pTheModule = nullptr;
    if (s_pModuleObject == this)
        s_pModuleObject = nullptr;
}

void CaeCoreModule::initApp()
{
    for (const ClassRegistration& c : kClasses)
        c.init();
    registerReporterMessages();
    Mesher2d::initProvider([] { return std::unique_ptr<Mesher2d>(new DelaunayMesher()); });
    NastranSolver2d::installInSolverFactory();
}

void CaeCoreModule::uninitApp()
{
    unregisterReporterMessages();
    for (auto c = std::rbegin(kClasses); c != std::rend(kClasses); ++c)
        c->uninit();
    // The providers' code lives in this module's file, which the run-time may unload after this call.
    NastranSolver2d::uninstallFromSolverFactory();
    Mesher2d::initProvider({});
}

OdString CaeCoreModule::moduleFileName() const
{
    Dl_info info{};
    if (::dladdr(reinterpret_cast<const void*>(&odrxCreateModuleObject), &info) == 0 || !info.dli_fname)
        return OdString();
    char path[PATH_MAX];
    return OdString(::realpath(info.dli_fname, path) ? path : info.dli_fname);
}

CaeCoreModule* CaeCoreModule::instance()
{
    return s_pModuleObject;
}

void* CaeCoreModule::operator new(std::size_t size)
{
    return odrxAlloc(size);
}

void CaeCoreModule::operator delete(void* p) noexcept
{
    odrxFree(p);
}

} // namespace cae_core

OdRxModule* odrxCreateModuleObject(void* moduleHandle)
{
    using cae_core::s_pModuleObject;
    if (!s_pModuleObject)
        s_pModuleObject = new cae_core::CaeCoreModule(moduleHandle);
    return s_pModuleObject;
}

int odrxGetAPIVersion(int& major, int& minor, int& majorBuild, int& minorBuild)
{
    major = 26;
    minor = 3;
    majorBuild = 0;
    minorBuild = 0;
    return 0;
}
