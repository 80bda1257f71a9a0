#pragma once

#include "platform/db/DbDatabase.h"

#include <string>

namespace cae_app
{
/// The drawing saved as a DXF file's text. The database saves to a path; a run's output folder takes
/// content, so that the file is replaced atomically and owned like every other output. Throws the
/// SDK's OdError when the drawing cannot be saved.
std::string dxfText(OdDbDatabase& db);
} // namespace cae_app
