#pragma once

#include <filesystem>
#include <string>

/// The host's start-up and shut-down of the module as the `cae` program plays them: the host's own
/// run-time classes first, then the module file loaded through the SDK's dynamic linker (which calls
/// the module's initApp), and at the end the module unloaded (uninitApp).
namespace cae_app
{
/// The module file's name.
constexpr const char* kModuleFileName = "cae_core.tx";

/// The folder of the running program; empty when the system cannot tell it.
std::filesystem::path programFolder();

/// Points the module at the solver program `nastran` in `folder` (CAE_NASTRAN_PATH), unless the user
/// has set the variable, so that a run uses the solver program built with `cae` and a real solver
/// installation is used by setting the variable. Nothing happens when there is no such program.
void useSolverProgramIn(const std::filesystem::path& folder);

class ModuleSession
{
public:
    /// Loads `moduleFile`; loaded() tells whether that worked and error() why not.
    explicit ModuleSession(const std::filesystem::path& moduleFile);
    /// Unloads the module when this session loaded it.
    ~ModuleSession();
    ModuleSession(const ModuleSession&) = delete;
    ModuleSession& operator=(const ModuleSession&) = delete;

    bool loaded() const { return m_loaded; }
    const std::string& error() const { return m_error; }

private:
    std::filesystem::path m_file;
    bool m_loaded = false;
    std::string m_error;
};
} // namespace cae_app
