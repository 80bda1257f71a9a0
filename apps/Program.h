#pragma once

#include "apps/CommandLine.h"

#include <iosfwd>

/// The `cae` program's run of a parsed command line, shared by the two programs it is made of: `cae`
/// itself, which runs everything but the 3D command, and the 3D program beside it, which alone links the
/// host's solids (Gmsh, OpenCASCADE: a hundred shared libraries that take longer to map than a small
/// 2D analysis takes to run).
namespace cae_app
{
/// The file name of the program that runs `cae task3d`, built and installed beside `cae`.
constexpr const char* kTask3dProgramName = "cae_task3d";

/// Runs the 3D command; the 3D program passes runTask3d.
using Task3dRunner = int (*)(const CommandLine& commandLine, std::ostream& err);

/// Runs `commandLine` as the `cae` program does and returns the exit status once standard output has
/// taken the report. Without `task3d` the 3D command fails with a message.
int runProgram(const CommandLine& commandLine, Task3dRunner task3d);
} // namespace cae_app
