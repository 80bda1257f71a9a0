#pragma once

#include "platform/base/OdString.h"

#include <functional>

namespace ut
{

/// Longest symbol name (block, layer ...) the host accepts, in characters.
constexpr int kMaxSymbolNameLength = 255;
/// Longest symbol name under the legacy naming rule.
constexpr int kMaxLegacySymbolNameLength = 31;

/// Turns `name` into a legal symbol name for the drawing's symbol tables.
///
/// Extended rule (the default): each of < > / \ " : ; ? * | , = ` and every control character
/// (below U+0020, and U+007F) becomes `replacement`; spaces at either end are removed; the result is cut
/// to kMaxSymbolNameLength characters. Legacy rule (`legacyNames`): letters are upper-cased, only ASCII
/// letters, digits, '$', '-' and '_' are kept, everything else becomes `replacement`, and the result is
/// cut to kMaxLegacySymbolNameLength characters.
/// A `replacement` that the rule itself forbids is taken as '_' (with an assertion report). An empty
/// result becomes a single `replacement`, so the returned name is never empty.
OdString makeValidName(const OdString& name, wchar_t replacement = L'_', bool legacyNames = false);

/// Returns `base` when `exists(base)` is false, otherwise the first of base_1, base_2 ... that does not
/// exist. When a suffix would make the name longer than kMaxSymbolNameLength, the base is shortened to fit.
/// `exists` decides what counts as the same name (symbol tables compare names without regard to case).
OdString makeUniqueName(const OdString& base, const std::function<bool(const OdString&)>& exists);

} // namespace ut
