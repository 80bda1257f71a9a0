#pragma once

#include "cae_core/core/Result.h"
#include "platform/base/OdString.h"

namespace cae_core
{
class TaskOutput;

/// Replaces `output`'s records by what the solver's printed results task.f06 in `folder` say, one record
/// per grid. eFileError (output untouched) when the file cannot be opened; eOk otherwise, with an empty
/// map for a file without the expected tables.
EResult readTaskResults(const OdString& folder, TaskOutput& output);

} // namespace cae_core
