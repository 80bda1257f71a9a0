#pragma once

#include "cae_core/core/Result.h"
#include "platform/base/OdString.h"

#include <string>

namespace cae_core
{
class Task;
class TaskOutput;
struct F06ReadOptions;

/// Replaces `output`'s records by what the solver's printed results task.f06 in `folder` say, one record
/// per grid, and its reactions by the printout's forces of constraint (none without those tables).
/// eFileError (output untouched) when the file cannot be opened; eOk otherwise, with an empty map for a
/// file without the expected tables.
EResult readTaskResults(const OdString& folder, TaskOutput& output);

/// The same, read with `options`, which also fill the output's stress tensors when they ask for the
/// stress components; eParseError (output untouched, `error` set to the reader's message naming the line
/// when given) for a damaged table row in printout mode.
EResult readTaskResults(const OdString& folder, TaskOutput& output, const F06ReadOptions& options,
                        std::string* error = nullptr);

/// Whether the run in `folder` left a complete answer for `task`: empty when task.log's completion line
/// carries code 0 and task.f06 has a displacement row for every vertex of the task's meshes and the
/// stress rows (centre and four corners) of every tetrahedron, every number in them finite, and ends
/// with its END OF JOB line. Otherwise one line naming the first thing missing or wrong and where (file,
/// line, grid or element). Never throws on the files' content.
std::string checkTaskResults(const OdString& folder, const Task& task);

} // namespace cae_core
