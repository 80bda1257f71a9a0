#pragma once

#include "apps/CommandLine.h"
#include "apps/StageListener.h"

#include <iosfwd>

/// `cae analyze2d`: the host's 2D analysis command, driven from a file.
///
/// It does what the host does when the user runs an analysis: reads the file, sets up the drawing
/// and draws the region, hands the parameters to an input handler, meshes with the module's
/// mesher, checks the input handler's status and runs the simulation, then reports the results
/// on the command line and writes one file per output kind.
namespace cae_app
{
/// Runs the command. The report goes to the host's command line (standard output) unless
/// `quiet`; errors go to `err`. `listener`, when given, is told of each stage the run enters.
/// Returns the exit status (ExitStatus).
int runAnalyze2d(const CommandLine& commandLine, std::ostream& err, StageListener* listener = nullptr);
} // namespace cae_app
