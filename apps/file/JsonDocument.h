#pragma once

#include <rapidjson/document.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

/// Reading a JSON text into a document so that no text can crash or exhaust the reader: nesting
/// is read without recursion and limited to kMaxJsonNesting levels, and numbers are converted by
/// the standard library's correctly rounded conversion rather than the JSON library's own.
namespace cae_app
{
/// Deepest nesting of objects and lists accepted. The analysis files nest eight levels at most
/// (a hole's circle's centre); the limit only keeps absurd texts from costing memory and time.
constexpr std::size_t kMaxJsonNesting = 64;

/// Why a text is not a usable JSON document, and where (a byte offset into the text).
struct JsonSyntaxError
{
    std::size_t offset = 0;
    std::string message;
};

/// Parses `text` into `document` (UTF-8 validated). Returns the first problem, if any.
std::optional<JsonSyntaxError> parseJson(std::string_view text, rapidjson::Document& document);

/// The double nearest to the JSON number `token` (its grammar already checked), or empty when its
/// magnitude is beyond the largest double. Values below the smallest double become zero.
std::optional<double> jsonNumberValue(std::string_view token);
} // namespace cae_app
