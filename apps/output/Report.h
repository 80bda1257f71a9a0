#pragma once

#include "apps/analysis/ResultFigures.h"
#include "apps/file/AnalysisFile.h"
#include "apps/output/Summary.h"

#include <string>
#include <vector>

/// The report a solved run prints on the host's command line: units, mesh, analysis, extremes,
/// reactions and the equilibrium check, then the times and the files written.
namespace cae_app
{
/// The lines about the results of `file`'s run; `summary` holds its units, mesh and reactions.
std::string formatReport(const AnalysisFile& file, const Summary& summary, const ResultFigures& figures);

/// The closing lines: the times of the run and the files it wrote (none without an output folder).
std::string formatClosing(const Summary& summary, const std::vector<std::string>& writtenFiles);
} // namespace cae_app
