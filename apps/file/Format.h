#pragma once

#include "platform/base/OdString.h"
#include "platform/ge/GePoint2d.h"
#include "platform/ge/GeVector2d.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// Numbers in messages and reports: short, but with enough digits to tell values apart; and numbers
/// as the command line gives them.
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
/// A command-line value that is a finite number as a whole (no blank before it, nothing after it).
std::optional<double> parseNumber(const std::string& text);
/// Reads a `--picture-size` value, "WIDTHxHEIGHT" in whole pixels from 1 to 16384 each, into `width`
/// and `height`, which keep what they held when it is not allowed. An error text for such a value.
std::optional<std::string> pictureSizeOption(const std::string& value, int& width, int& height);
/// The tolerance of `--converge` from "P%" as a fraction; empty unless 0 < P < 100.
std::optional<double> convergeTolerance(const std::string& value);
/// Refining until the maxima change by less than this, unless `--converge` says otherwise.
constexpr double kDefaultConvergeTolerance = 0.01;
/// Reads the `--converge` option at args[i] into `converge`: "--converge=P%", or "--converge" with
/// the tolerance in the next argument when that reads as one (`i` then moves past it; so that
/// `--converge plate.json` still names the file), else the default. An error text for a tolerance
/// that is not allowed.
std::optional<std::string> convergeOption(const std::vector<std::string>& args, std::size_t& i,
                                          std::optional<double>& converge);
/// The SDK's text as UTF-8, as files and the console take it.
std::string utf8(const OdString& s);
/// A duration in milliseconds with a sensible number of decimals ("0.42", "12.5", "1480").
std::string formatMilliseconds(double ms);
} // namespace cae_app
