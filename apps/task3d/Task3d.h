#pragma once

#include "apps/CommandLine.h"

#include <iosfwd>

/// `cae task3d FILE.json`: the 3D analysis of a solid as the host runs it. Reads the task file, builds
/// the solid and its CAE features in a drawing, creates the task through the module's factory, meshes
/// the solid with the host's tetrahedral generator, turns the features into loads and constraints with
/// the module's converters, checks the units and runs the task (deck, solver program, results), then
/// reports the figures and, with --out, writes summary.json, result.vtu and the result pictures.
namespace cae_app
{
/// Runs the command; messages go to `err`, the report to standard output. Returns the exit status.
int runTask3d(const CommandLine& commandLine, std::ostream& err);
} // namespace cae_app
