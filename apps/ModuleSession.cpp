#include "apps/ModuleSession.h"

#include "cae_core/nastran/NastranProcess.h"
#include "cae_core/nastran/NastranSolver2d.h"
#include "host/kfx/KfxFeature.h"
#include "platform/rx/RxClass.h"
#include "platform/rx/RxModule.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace cae_app
{
std::filesystem::path programFolder()
{
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : self.parent_path();
}

void useSolverProgramIn(const std::filesystem::path& folder)
{
    const char* variable = cae_core::NastranProcess::kPathVariable;
    if (const char* given = std::getenv(variable); given && *given)
        return;
    const std::filesystem::path program = folder / "nastran";
    if (!folder.empty() && ::access(program.c_str(), X_OK) == 0)
        ::setenv(variable, program.c_str(), 1);
}

ModuleSession::ModuleSession(const std::filesystem::path& moduleFile) : m_file(moduleFile)
{
    // The feature classes the module registers derive from the host's feature class, which the
    // host registers before it loads any module.
    if (!odrxGetClass(L"KfxFeature"))
        KfxFeature::rxInit();
    OdRxDynamicLinker& linker = *odrxDynamicLinker();
    m_loaded = !linker.loadModule(OdString(m_file.string().c_str())).isNull();
    if (!m_loaded)
        m_error = OdAnsiString(linker.lastError()).str();
    else
    {
        // The host may be pointed at any solver (CAE_NASTRAN_PATH), whose printouts page their tables
        // and print more than the module's own deck asks for: read them as a solver prints them.
        cae_core::NastranSolver2d::installInSolverFactory(true);
    }
}

ModuleSession::~ModuleSession()
{
    if (m_loaded)
        odrxDynamicLinker()->unloadModule(OdString(m_file.string().c_str()));
}
} // namespace cae_app
