#pragma once

#include "apps/AnalysisFile.h"
#include "apps/CommandLine.h"

#include "cae_core/fea2d/Params2d.h"

#include <iosfwd>

/// `cae analyze2d`: the host's 2D analysis command, driven from a file.
///
/// It does what the host does when the user runs an analysis: builds the drawing and the region,
/// hands the parameters to an input handler, meshes with the module's mesher (refinement regions,
/// then adaptive refinement when asked), checks the input handler's status and runs the
/// simulation, then reports the results on the command line and in files.
namespace cae_app
{
/// Runs the command. The report goes to the host's command line (standard output) unless
/// `quiet`; errors go to `err`. Returns the exit status (ExitStatus).
int runAnalyze2d(const CommandLine& commandLine, std::ostream& err);

/// The module's record for one load or support of the file. Linear ones take their end points
/// from `start` and `end` (the boundary points they were moved onto).
cae_core::fea2d::LoadOrSupport toLoadOrSupport(const LoadOrSupportSpec& given, const OdGePoint2d& start,
                                               const OdGePoint2d& end);
} // namespace cae_app
