#include "apps/Analyze2d.h"
#include "apps/CommandLine.h"
#include "apps/output/AtomicFile.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv)
{
    const auto cl = cae_app::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (cl.action)
    {
    case cae_app::CommandLine::Action::eShowText:
        std::cout << cl.text;
        return cae_app::eExitSolved;
    case cae_app::CommandLine::Action::eUsageError:
        std::cerr << cl.text;
        return cae_app::eExitUsage;
    case cae_app::CommandLine::Action::eAnalyze2d:
        break;
    }
    cae_app::removeTemporaryFileOnInterrupt();
    try
    {
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
