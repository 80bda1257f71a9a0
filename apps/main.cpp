#include "apps/CommandLine.h"
#include "apps/ModuleSession.h"
#include "apps/Program.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace
{
/// Hands the 3D command to the 3D program beside this one, in this process (same id, signals, standard
/// streams and exit status), so that this program never maps what only that command needs.
int runTask3dProgram(char** argv)
{
    const std::filesystem::path program = cae_app::programFolder() / cae_app::kTask3dProgramName;
    std::string name = program.string();
    argv[0] = name.data();
    ::execv(name.c_str(), argv);
    std::cerr << "cae: cannot run the 3D program " << name << ": " << std::strerror(errno) << "\n";
    return cae_app::eExitFailed;
}
} // namespace

int main(int argc, char** argv)
{
    const auto cl = cae_app::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (cl.action == cae_app::CommandLine::Action::eTask3d)
        return runTask3dProgram(argv);
    return cae_app::runProgram(cl, nullptr);
}
