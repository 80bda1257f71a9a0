#pragma once

#include "platform/db/DbDatabase.h"

namespace kfxu
{

/// Adds a new, empty anonymous block to the database's block table and returns its id (null for a
/// null database).
OdDbObjectId createEmptyAnonymousBlock(OdDbDatabase* database);

} // namespace kfxu
