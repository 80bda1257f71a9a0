#include "apps/Program.h"

#include "apps/Analyze2d.h"
#include "apps/ModuleSession.h"
#include "apps/output/AtomicFile.h"
#include "apps/task3d/SolverGuard.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>

namespace cae_app
{
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
    return status == eExitSolved ? eExitFailed : status;
}

int run(const CommandLine& cl, Task3dRunner task3d)
{
    switch (cl.action)
    {
    case CommandLine::Action::eShowText:
        std::cout << cl.text;
        return eExitSolved;
    case CommandLine::Action::eUsageError:
        std::cerr << cl.text;
        return eExitUsage;
    case CommandLine::Action::eAnalyze2d:
    case CommandLine::Action::eTask3d:
        break;
    }
    if (cl.action == CommandLine::Action::eTask3d && !task3d)
    {
        std::cerr << "cae: " << cl.file << ": this program does not run the 3D command\n";
        return eExitFailed;
    }
    removeTemporaryFileOnInterrupt();
    installSolverControls();
    // The module and the solver program are built beside the program.
    const std::filesystem::path folder = programFolder();
    useSolverProgramIn(folder);
    const ModuleSession module(folder / kModuleFileName);
    if (!module.loaded())
    {
        std::cerr << "cae: cannot load the module: " << module.error() << "\n";
        return eExitFailed;
    }
    try
    {
        if (cl.action == CommandLine::Action::eTask3d)
            return task3d(cl, std::cerr);
        return runAnalyze2d(cl, std::cerr);
    }
    catch (const std::exception& e)
    {
        // Whatever escapes the module (an allocation failure, a broken mesh) still ends the run
        // with a message and the failure status rather than an abort.
        std::cerr << "cae: " << cl.file << ": the analysis stopped: " << e.what() << "\n";
        return eExitFailed;
    }
}
} // namespace

int runProgram(const CommandLine& commandLine, Task3dRunner task3d)
{
    return flushed(run(commandLine, task3d));
}
} // namespace cae_app
