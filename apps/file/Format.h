#pragma once

#include "platform/ge/GePoint2d.h"
#include "platform/ge/GeVector2d.h"

#include <cstddef>
#include <string>
#include <string_view>

/// Numbers in messages and reports: short, but with enough digits to tell values apart.
namespace cae_app
{
/// `significant` digits, trailing zeros dropped ("%.*g"); -0 shows as 0.
std::string formatNumber(double v, int significant = 6);
/// "(x, y)".
std::string formatPoint(const OdGePoint2d& p, int significant = 6);
std::string formatVector(const OdGeVector2d& v, int significant = 6);
/// Text from the user made safe to echo on a terminal: control characters (C0, DEL and C1) shown
/// as escapes such as "\x1B", and anything beyond `maxCharacters` characters cut and marked "...".
/// `text` must be valid UTF-8.
std::string printable(std::string_view text, std::size_t maxCharacters);
/// A duration in milliseconds with a sensible number of decimals ("0.42", "12.5", "1480").
std::string formatMilliseconds(double ms);
} // namespace cae_app
