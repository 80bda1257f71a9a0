#include "apps/file/JsonNode.h"

#include "apps/file/AnalysisFile.h"
#include "apps/file/Format.h"
#include "apps/file/JsonDocument.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace cae_app::json
{
namespace
{
/// The longest text of the file that a message repeats; longer ones are cut.
constexpr std::size_t kEchoedCharacters = 40;
} // namespace

std::string inQuotes(std::string_view s)
{
    return "\"" + printable(s, kEchoedCharacters) + "\"";
}

std::string typeName(const rapidjson::Value& v)
{
    switch (v.GetType())
    {
    case rapidjson::kNullType:
        return "null";
    case rapidjson::kFalseType:
    case rapidjson::kTrueType:
        return "a boolean";
    case rapidjson::kObjectType:
        return "an object";
    case rapidjson::kArrayType:
        return "a list";
    case rapidjson::kStringType:
        return "the string " + inQuotes(std::string_view(v.GetString(), v.GetStringLength()));
    case rapidjson::kNumberType:
        return "a number";
    }
    return "a value";
}

/// Levenshtein distance, for "did you mean" hints on misspelt keys.
std::size_t editDistance(std::string_view a, std::string_view b)
{
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i)
    {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j)
        {
            const std::size_t up = row[j];
            const bool same = std::tolower(static_cast<unsigned char>(a[i - 1])) ==
                              std::tolower(static_cast<unsigned char>(b[j - 1]));
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
            diagonal = up;
        }
    }
    return row[b.size()];
}

std::string listOf(std::initializer_list<std::string_view> names)
{
    std::string out;
    std::size_t i = 0;
    for (const auto name : names)
    {
        if (i > 0)
            out += (i + 1 == names.size()) ? " or " : ", ";
        out += inQuotes(name);
        ++i;
    }
    return out;
}

std::string readTextFile(const std::string& path)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        throw InputError(path + ": cannot read the file: it is a folder");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw InputError(path + ": cannot open the file: " + std::strerror(errno));
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad())
        throw InputError(path + ": cannot read the file");
    return content.str();
}

void parseDocument(std::string_view text, const std::string& sourceName, rapidjson::Document& doc)
{
    if (const auto error = parseJson(text, doc))
    {
        const TextPosition pos = textPosition(text, error->offset);
        throw InputError(sourceName + ":" + std::to_string(pos.line) + ":" + std::to_string(pos.column) +
                         ": not valid JSON: " + error->message);
    }
}

std::string messageAt(std::string_view text, const std::string& sourceName, const JsonPath& path, bool atKey,
                      const std::string& message)
{
    std::string where = sourceName;
    if (const auto offset = locateJsonPath(text, path, atKey))
    {
        const TextPosition pos = textPosition(text, *offset);
        where += ":" + std::to_string(pos.line) + ":" + std::to_string(pos.column);
    }
    const std::string keyPath = formatJsonPath(path);
    return where + ": " + (keyPath.empty() ? std::string() : keyPath + ": ") + message;
}
} // namespace cae_app::json
