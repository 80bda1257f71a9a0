#pragma once

#include "host/ut/Names.h"
#include "platform/base/OdArray.h"
#include "platform/db/DbSymbolTable.h"

namespace ut
{

/// A name for a new record of `table` by the host's uniqueness rule: `base` when no record of the
/// table has it (without regard to case), otherwise the first free of base_1, base_2 ... (see
/// makeUniqueName above).
/// - `ownRecord`: a record being renamed; its own name does not count as taken.
/// - `legacyNames`: the base is first cut to kMaxLegacySymbolNameLength characters.
/// - `alwaysNumber`: the base itself is never taken; the first name is base_1.
/// - `reserved`: further names that count as taken (names about to be given to other new records).
/// A null table counts no name as taken.
OdString makeUniqueName(const OdString& base, const OdDbSymbolTable* table, const OdDbObjectId* ownRecord = nullptr,
                        bool legacyNames = false, bool alwaysNumber = false, const OdArray<OdString>* reserved = nullptr);

} // namespace ut
