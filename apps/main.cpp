#include "apps/Analyze2d.h"
#include "apps/CommandLine.h"
#include "apps/ModuleSession.h"
#include "apps/output/AtomicFile.h"
#include "apps/task3d/SolverGuard.h"
#include "apps/task3d/Task3d.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>

namespace
{
/// The exit status once standard output has taken everything: a report lost to a full disk or a
/// closed pipe makes a run that went well end as failed.
int flushed(int status)
{
    std::cout.flush();
    if (std::fflush(stdout) == 0 && !std::ferror(stdout) && std::cout)
        return status;
    std::cerr << "cae: cannot write to standard output\n";
    return status == cae_app::eExitSolved ? cae_app::eExitFailed : status;
}

int run(const cae_app::CommandLine& cl)
{
    switch (cl.action)
    {
    case cae_app::CommandLine::Action::eShowText:
        std::cout << cl.text;
        return cae_app::eExitSolved;
    case cae_app::CommandLine::Action::eUsageError:
        std::cerr << cl.text;
        return cae_app::eExitUsage;
    case cae_app::CommandLine::Action::eAnalyze2d:
    case cae_app::CommandLine::Action::eTask3d:
        break;
    }
    cae_app::removeTemporaryFileOnInterrupt();
    cae_app::installSolverControls();
    // The module and the solver program are built beside the program.
    const std::filesystem::path folder = cae_app::programFolder();
    cae_app::useSolverProgramIn(folder);
    const cae_app::ModuleSession module(folder / cae_app::kModuleFileName);
    if (!module.loaded())
    {
        std::cerr << "cae: cannot load the module: " << module.error() << "\n";
        return cae_app::eExitFailed;
    }
    try
    {
        if (cl.action == cae_app::CommandLine::Action::eTask3d)
            return cae_app::runTask3d(cl, std::cerr);
        return cae_app::runAnalyze2d(cl, std::cerr);
    }
    catch (const std::exception& e)
    {
        // Whatever escapes the module (an allocation failure, a broken mesh) still ends the run
        // with a message and the failure status rather than an abort.
        std::cerr << "cae: " << cl.file << ": the analysis stopped: " << e.what() << "\n";
        return cae_app::eExitFailed;
    }
}
} // namespace

int main(int argc, char** argv)
{
    const auto cl = cae_app::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    return flushed(run(cl));
}
