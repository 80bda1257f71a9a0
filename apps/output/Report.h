#pragma once

#include "apps/analysis/ResultFigures.h"
#include "apps/file/AnalysisFile.h"
#include "apps/output/Summary.h"

#include <array>
#include <string>
#include <vector>

/// The report a solved run prints on the host's command line: units, mesh, analysis, extremes,
/// reactions and the equilibrium check, then the times and the files written.
namespace cae_app
{
/// A table the module built for the host: a title and rows of label, value and unit, formatted.
struct ReportTable
{
    std::string title;
    std::vector<std::array<std::string, 3>> rows;
};

/// The lines about the results of `file`'s run; `summary` holds its units, mesh and reactions.
/// With `tables` (the interactive result's input and output tables) they stand where the largest
/// stress and displacement are printed otherwise.
std::string formatReport(const AnalysisFile& file, const Summary& summary, const ResultFigures& figures,
                         const std::vector<ReportTable>& tables = {});

/// The rows of a table, one per line, labels and values in columns, under `title`.
std::string formatTable(const ReportTable& table);

/// The closing lines: the times of the run and the files it wrote (none without an output folder).
std::string formatClosing(const Summary& summary, const std::vector<std::string>& writtenFiles);
} // namespace cae_app
