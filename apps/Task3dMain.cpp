#include "apps/CommandLine.h"
#include "apps/Program.h"
#include "apps/task3d/Task3d.h"

#include <string>
#include <vector>

// The 3D program: `cae` runs it in its own place for `cae task3d`, with the same arguments.
int main(int argc, char** argv)
{
    const auto cl = cae_app::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    return cae_app::runProgram(cl, &cae_app::runTask3d);
}
