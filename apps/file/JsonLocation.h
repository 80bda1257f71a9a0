#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

/// Where a value sits in a JSON text, so that messages about a value can name its line and
/// column as well as its key path. RapidJSON's document keeps no positions, so the place is
/// found again by a second, event-driven read of the text that stops at the wanted value.
namespace cae_app
{
/// A key path: object keys and list indices from the root, e.g. loadsAndSupports[2].linearLoad.
using JsonPath = std::vector<std::variant<std::string, std::size_t>>;

/// "loadsAndSupports[2].linearLoad.magnitude"; empty for the root.
std::string formatJsonPath(const JsonPath& path);

/// Line and column, both counted from 1; columns count characters (UTF-8 sequences), not bytes.
struct TextPosition
{
    std::size_t line = 1;
    std::size_t column = 1;
};

/// The position of the byte at `offset` (offsets past the end give the position after the last character).
TextPosition textPosition(std::string_view text, std::size_t offset);

/// The byte offset of the value at `path` in the JSON `text` (with `atKey`, of the key naming it,
/// which must then end in a key), or empty when the text has no such value or is not valid JSON
/// up to it.
std::optional<std::size_t> locateJsonPath(std::string_view text, const JsonPath& path, bool atKey = false);
} // namespace cae_app
