#pragma once

#include "apps/file/AnalysisFile.h"
#include "apps/file/Format.h"
#include "apps/file/JsonLocation.h"

#include "platform/ge/GePoint2d.h"
#include "platform/ge/GePoint3d.h"
#include "platform/ge/GeVector2d.h"
#include "platform/ge/GeVector3d.h"

#include <rapidjson/document.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// Checked reading of the program's JSON input files: every accessor names the key path and the
/// place in the file of what it refuses, so both commands' files report their errors alike.
namespace cae_app::json
{
/// `s` in double quotes, cut to the length a message repeats.
std::string inQuotes(std::string_view s);
/// What a message calls a value's kind: "a list", "the string \"x\"", ...
std::string typeName(const rapidjson::Value& v);
/// Edits (case-insensitive) turning `a` into `b`, for suggesting a misspelt key.
std::size_t editDistance(std::string_view a, std::string_view b);
/// "a", "b" or "c".
std::string listOf(std::initializer_list<std::string_view> names);

/// The whole file as text; throws InputError naming the file when it cannot be read.
std::string readTextFile(const std::string& path);
/// Parses `text` into `doc`; throws InputError with the file's name, line and column when it is not JSON.
void parseDocument(std::string_view text, const std::string& sourceName, rapidjson::Document& doc);
/// "NAME:LINE:COLUMN: key.path: message", the place found in `text` when it can be.
std::string messageAt(std::string_view text, const std::string& sourceName, const JsonPath& path, bool atKey,
                      const std::string& message);

/// The text of the file and its name, shared by every node so that an error anywhere can be
/// placed at its line and column.
struct Source
{
    std::string_view text;
    const std::string& name;
};

/// A value of the document with its key path; every accessor checks the value and throws an
/// InputError that names the path and its place in the file.
class Node
{
public:
    Node(const rapidjson::Value& value, JsonPath path, const Source& source)
        : m_value(value), m_path(std::move(path)), m_source(source)
    {
    }

    const JsonPath& path() const { return m_path; }
    std::string pathText() const { return formatJsonPath(m_path); }

    [[noreturn]] void fail(const std::string& message) const { failAt(m_path, false, message); }

    [[noreturn]] void failAt(const JsonPath& path, bool atKey, const std::string& message) const
    {
        throw InputError(messageAt(m_source.text, m_source.name, path, atKey, message));
    }

    /// Checks that the value is an object holding only `allowed` keys, each once.
    void expectObject(std::initializer_list<std::string_view> allowed) const
    {
        if (!m_value.IsObject())
            fail("expected an object, found " + typeName(m_value));
        for (auto it = m_value.MemberBegin(); it != m_value.MemberEnd(); ++it)
        {
            const std::string_view key(it->name.GetString(), it->name.GetStringLength());
            JsonPath keyPath = m_path;
            keyPath.emplace_back(std::string(key));
            if (std::find(allowed.begin(), allowed.end(), key) == allowed.end())
            {
                std::string message = "unknown key " + inQuotes(key);
                std::string_view best;
                std::size_t bestDistance = 3; // at most two edits away counts as a misspelling
                for (const auto name : allowed)
                {
                    const std::size_t d = editDistance(key, name);
                    if (d < bestDistance)
                    {
                        bestDistance = d;
                        best = name;
                    }
                }
                if (!best.empty())
                    message += " (did you mean " + inQuotes(best) + "?)";
                else
                    message += "; expected " + listOf(allowed);
                failAt(keyPath, true, message);
            }
            for (auto other = m_value.MemberBegin(); other != it; ++other)
                if (other->name == it->name)
                    failAt(keyPath, true, "the key " + inQuotes(key) + " is given twice");
        }
    }

    bool has(std::string_view key) const { return find(key) != nullptr; }

    Node at(std::string_view key) const
    {
        const rapidjson::Value* v = find(key);
        if (!v)
            fail("missing key " + inQuotes(key));
        return child(*v, std::string(key));
    }

    std::optional<Node> optional(std::string_view key) const
    {
        const rapidjson::Value* v = find(key);
        if (!v)
            return std::nullopt;
        return child(*v, std::string(key));
    }

    /// The single key of an object that must hold exactly one of `choices` (plus `extra` keys).
    std::string_view choice(std::initializer_list<std::string_view> choices,
                            std::initializer_list<std::string_view> extra = {}) const
    {
        std::vector<std::string_view> allowed(choices);
        allowed.insert(allowed.end(), extra.begin(), extra.end());
        if (!m_value.IsObject())
            fail("expected an object with one of the keys " + listOf(choices) + ", found " +
                 typeName(m_value));
        std::string_view found;
        for (const auto name : choices)
        {
            if (!has(name))
                continue;
            if (!found.empty())
                fail("give only one of " + listOf(choices) + ", not both " + inQuotes(found) + " and " +
                     inQuotes(name));
            found = name;
        }
        if (found.empty())
            fail("expected one of the keys " + listOf(choices));
        return found;
    }

    /// The keys and values of an object, in file order.
    std::vector<std::pair<std::string, Node>> members() const
    {
        if (!m_value.IsObject())
            fail("expected an object, found " + typeName(m_value));
        std::vector<std::pair<std::string, Node>> items;
        for (auto it = m_value.MemberBegin(); it != m_value.MemberEnd(); ++it)
        {
            std::string key(it->name.GetString(), it->name.GetStringLength());
            items.emplace_back(key, child(it->value, key));
        }
        return items;
    }

    std::vector<Node> list(std::size_t minSize = 0) const
    {
        if (!m_value.IsArray())
            fail("expected a list, found " + typeName(m_value));
        if (m_value.Size() < minSize)
            fail("expected a list of at least " + std::to_string(minSize) +
                 (minSize == 1 ? " entry" : " entries") + ", found " + std::to_string(m_value.Size()));
        std::vector<Node> items;
        items.reserve(m_value.Size());
        for (rapidjson::SizeType i = 0; i < m_value.Size(); ++i)
        {
            JsonPath p = m_path;
            p.emplace_back(std::size_t{i});
            items.emplace_back(m_value[i], std::move(p), m_source);
        }
        return items;
    }

    double number() const
    {
        if (!m_value.IsNumber())
            fail("expected a number, found " + typeName(m_value));
        const double v = m_value.GetDouble();
        if (!std::isfinite(v))
            fail("the number is out of range");
        return v;
    }

    double positive() const
    {
        const double v = number();
        if (!(v > 0.0))
            fail("must be greater than zero, found " + formatNumber(v));
        return v;
    }

    int integer(int minimum, int maximum = std::numeric_limits<int>::max()) const
    {
        const double v = number();
        if (v != std::floor(v) || std::abs(v) > std::numeric_limits<int>::max())
            fail("expected a whole number, found " + formatNumber(v));
        if (v < minimum)
            fail("must be at least " + std::to_string(minimum) + ", found " + formatNumber(v));
        if (v > maximum)
            fail("must be at most " + std::to_string(maximum) + ", found " + formatNumber(v));
        return static_cast<int>(v);
    }

    bool boolean() const
    {
        if (!m_value.IsBool())
            fail("expected true or false, found " + typeName(m_value));
        return m_value.GetBool();
    }

    std::string string() const
    {
        if (!m_value.IsString())
            fail("expected a string, found " + typeName(m_value));
        return std::string(m_value.GetString(), m_value.GetStringLength());
    }

    /// One of `names`; its position in the list.
    std::size_t keyword(std::initializer_list<std::string_view> names) const
    {
        const std::string s = string();
        std::size_t i = 0;
        for (const auto name : names)
        {
            if (s == name)
                return i;
            ++i;
        }
        fail("expected " + listOf(names) + ", found " + inQuotes(s));
    }

    OdGePoint2d point() const
    {
        if (!m_value.IsArray() || m_value.Size() != 2)
            fail("expected a point [x, y], found " +
                 (m_value.IsArray() ? "a list of " + std::to_string(m_value.Size()) : typeName(m_value)));
        const auto items = list();
        return OdGePoint2d(items[0].number(), items[1].number());
    }

    /// A non-zero vector [x, y], normalised.
    OdGeVector2d direction() const
    {
        const OdGePoint2d p = point();
        const OdGeVector2d v(p.x, p.y);
        if (v.isZeroLength())
            fail("a direction must not be the zero vector");
        return v.normal();
    }

    bool isNumber() const { return m_value.IsNumber(); }

    OdGePoint3d point3d() const
    {
        if (!m_value.IsArray() || m_value.Size() != 3)
            fail("expected a point [x, y, z], found " +
                 (m_value.IsArray() ? "a list of " + std::to_string(m_value.Size()) : typeName(m_value)));
        const auto items = list();
        return OdGePoint3d(items[0].number(), items[1].number(), items[2].number());
    }

    /// [x, y, z], not normalised; refused when `nonZero` and it is the zero vector.
    OdGeVector3d vector3d(bool nonZero) const
    {
        const OdGePoint3d p = point3d();
        const OdGeVector3d v(p.x, p.y, p.z);
        if (nonZero && v.isZeroLength())
            fail("must not be the zero vector");
        return v;
    }

    /// A number of the file quoted back in a message, with as many digits as a user types.
    static std::string formatNumber(double v) { return cae_app::formatNumber(v, 12); }

private:
    const rapidjson::Value* find(std::string_view key) const
    {
        if (!m_value.IsObject())
            return nullptr;
        const auto it = m_value.FindMember(
            rapidjson::Value(rapidjson::StringRef(key.data(), static_cast<rapidjson::SizeType>(key.size()))));
        return it == m_value.MemberEnd() ? nullptr : &it->value;
    }

    Node child(const rapidjson::Value& v, std::string key) const
    {
        JsonPath p = m_path;
        p.emplace_back(std::move(key));
        return Node(v, std::move(p), m_source);
    }

    const rapidjson::Value& m_value;
    JsonPath m_path;
    const Source& m_source;
};

} // namespace cae_app::json
