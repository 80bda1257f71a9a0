#include "apps/task3d/TaskFile.h"

#include "apps/file/AnalysisFile.h"
#include "apps/file/Format.h"
#include "apps/file/JsonDocument.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

namespace cae_app
{
namespace
{
/// Longest user text echoed in a message.
constexpr std::size_t kEchoedCharacters = 40;

std::string inQuotes(std::string_view s)
{
    return "\"" + printable(s, kEchoedCharacters) + "\"";
}

std::string typeName(const rapidjson::Value& v)
{
    if (v.IsNull())
        return "null";
    if (v.IsBool())
        return "a boolean";
    if (v.IsObject())
        return "an object";
    if (v.IsArray())
        return "a list";
    if (v.IsString())
        return "the string " + inQuotes(std::string_view(v.GetString(), v.GetStringLength()));
    return "a number";
}

std::string listOf(std::initializer_list<std::string_view> names)
{
    std::string out;
    for (const auto name : names)
        out += (out.empty() ? "" : ", ") + inQuotes(name);
    return out;
}

/// A value of the task file with its key path; every accessor checks the value and throws an
/// InputError naming the path and its place in the file.
class Node
{
public:
    Node(const rapidjson::Value& value, JsonPath path, const TaskFile& file)
        : m_value(value), m_path(std::move(path)), m_file(file)
    {
    }

    const JsonPath& path() const { return m_path; }
    [[noreturn]] void fail(const std::string& message) const
    {
        throw InputError(m_file.messageAt(m_path, message));
    }

    void expectObject(std::initializer_list<std::string_view> allowed) const
    {
        if (!m_value.IsObject())
            fail("expected an object, found " + typeName(m_value));
        for (auto it = m_value.MemberBegin(); it != m_value.MemberEnd(); ++it)
        {
            const std::string_view key(it->name.GetString(), it->name.GetStringLength());
            if (std::find(allowed.begin(), allowed.end(), key) == allowed.end())
                child(it->value, std::string(key))
                    .fail("unknown key " + inQuotes(key) + "; expected " + listOf(allowed));
            for (auto other = m_value.MemberBegin(); other != it; ++other)
                if (other->name == it->name)
                    child(it->value, std::string(key)).fail("the key " + inQuotes(key) + " is given twice");
        }
    }

    Node at(std::string_view key) const
    {
        const auto v = optional(key);
        if (!v)
            fail("missing key " + inQuotes(key));
        return *v;
    }

    std::optional<Node> optional(std::string_view key) const
    {
        if (!m_value.IsObject())
            return std::nullopt;
        const auto it = m_value.FindMember(
            rapidjson::Value(rapidjson::StringRef(key.data(), static_cast<rapidjson::SizeType>(key.size()))));
        if (it == m_value.MemberEnd())
            return std::nullopt;
        return child(it->value, std::string(key));
    }

    /// The single key of an object that must hold exactly one of `choices`.
    std::string_view choice(std::initializer_list<std::string_view> choices) const
    {
        if (!m_value.IsObject() || m_value.MemberCount() != 1)
            fail("expected an object with one of the keys " + listOf(choices) + ", found " +
                 (m_value.IsObject() ? "an object of " + std::to_string(m_value.MemberCount()) + " keys"
                                     : typeName(m_value)));
        expectObject(choices);
        return std::string_view(m_value.MemberBegin()->name.GetString(),
                                m_value.MemberBegin()->name.GetStringLength());
    }

    std::vector<Node> list(std::size_t minSize = 0) const
    {
        if (!m_value.IsArray())
            fail("expected a list, found " + typeName(m_value));
        if (m_value.Size() < minSize)
            fail("expected a list of at least " + std::to_string(minSize) + " entries, found " +
                 std::to_string(m_value.Size()));
        std::vector<Node> items;
        for (rapidjson::SizeType i = 0; i < m_value.Size(); ++i)
        {
            JsonPath p = m_path;
            p.emplace_back(std::size_t{i});
            items.emplace_back(m_value[i], std::move(p), m_file);
        }
        return items;
    }

    bool isNumber() const { return m_value.IsNumber(); }

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
            fail("must be greater than zero, found " + formatNumber(v, 12));
        return v;
    }

    std::string string() const
    {
        if (!m_value.IsString())
            fail("expected a string, found " + typeName(m_value));
        return std::string(m_value.GetString(), m_value.GetStringLength());
    }

    std::size_t keyword(std::initializer_list<std::string_view> names) const
    {
        const std::string s = string();
        const auto it = std::find(names.begin(), names.end(), s);
        if (it == names.end())
            fail("expected " + listOf(names) + ", found " + inQuotes(s));
        return static_cast<std::size_t>(it - names.begin());
    }

    OdGePoint3d point() const
    {
        if (!m_value.IsArray() || m_value.Size() != 3)
            fail("expected a point [x, y, z], found " +
                 (m_value.IsArray() ? "a list of " + std::to_string(m_value.Size()) : typeName(m_value)));
        const auto items = list();
        return OdGePoint3d(items[0].number(), items[1].number(), items[2].number());
    }

    OdGeVector3d vector(bool nonZero) const
    {
        const OdGePoint3d p = point();
        const OdGeVector3d v(p.x, p.y, p.z);
        if (nonZero && v.isZeroLength())
            fail("must not be the zero vector");
        return v;
    }

private:
    Node child(const rapidjson::Value& v, std::string key) const
    {
        JsonPath p = m_path;
        p.emplace_back(std::move(key));
        return Node(v, std::move(p), m_file);
    }

    const rapidjson::Value& m_value;
    JsonPath m_path;
    const TaskFile& m_file;
};

SolidSpec readSolid(const Node& node, const std::filesystem::path& folder)
{
    const std::string_view kind =
        node.choice({"step", "box", "cylinder", "sphere", "union", "difference", "intersection"});
    const Node body = node.at(kind);
    SolidSpec s;
    s.path = body.path();
    if (kind == "step")
    {
        s.kind = SolidSpec::Kind::eStep;
        const std::string name = body.string();
        if (name.empty())
            body.fail("expected the name of a STEP file");
        s.file = folder / name;
    }
    else if (kind == "box")
    {
        s.kind = SolidSpec::Kind::eBox;
        body.expectObject({"corner", "size"});
        s.point = body.at("corner").point();
        s.vector = body.at("size").vector(true);
        if (!(s.vector.x > 0 && s.vector.y > 0 && s.vector.z > 0))
            body.at("size").fail("every side must be greater than zero");
    }
    else if (kind == "cylinder")
    {
        s.kind = SolidSpec::Kind::eCylinder;
        body.expectObject({"base", "axis", "radius"});
        s.point = body.at("base").point();
        s.vector = body.at("axis").vector(true);
        s.radius = body.at("radius").positive();
    }
    else if (kind == "sphere")
    {
        s.kind = SolidSpec::Kind::eSphere;
        body.expectObject({"center", "radius"});
        s.point = body.at("center").point();
        s.radius = body.at("radius").positive();
    }
    else
    {
        s.kind = kind == "union"        ? SolidSpec::Kind::eUnion
                 : kind == "difference" ? SolidSpec::Kind::eDifference
                                        : SolidSpec::Kind::eIntersection;
        for (const Node& operand : body.list(2))
            s.operands.push_back(readSolid(operand, folder));
    }
    return s;
}

std::vector<SubentRef> readSubents(const Node& node)
{
    std::vector<SubentRef> refs;
    for (const Node& item : node.list(1))
    {
        SubentRef r;
        r.path = item.path();
        if (item.isNumber())
        {
            const double v = item.number();
            if (v != std::floor(v) || v < 1 || v > 1e9)
                item.fail("expected a face or edge index (a whole number from 1) or {\"point\": [x, y, z]}");
            r.index = static_cast<long>(v);
        }
        else
        {
            item.expectObject({"point"});
            r.point = item.at("point").point();
        }
        refs.push_back(std::move(r));
    }
    return refs;
}

FeatureSpec readFeature(const Node& node, bool systemInternational)
{
    const std::string_view kind = node.choice({"pressure", "fix"});
    const Node body = node.at(kind);
    FeatureSpec f;
    f.path = body.path();
    if (kind == "pressure")
    {
        body.expectObject({"magnitude", "units", "direction", "faces"});
        f.magnitude = body.at("magnitude").number();
        const std::string_view wanted = systemInternational ? "Pa" : "psi";
        if (const auto units = body.optional("units"))
        {
            const std::size_t k = units->keyword({"Pa", "psi"});
            if ((k == 0) != systemInternational)
                units->fail("the modelling units are " +
                            std::string(systemInternational ? "\"si\"" : "\"english\"") +
                            ", whose pressures are in \"" + std::string(wanted) + "\"");
        }
        f.units = systemInternational ? cae_core::eSI_NewtonPerMeterSq : cae_core::eEnglish_LbfPerInchSq;
        if (const auto direction = body.optional("direction"))
            f.direction = direction->vector(true).normal();
        f.faces = readSubents(body.at("faces"));
    }
    else
    {
        f.kind = FeatureSpec::Kind::eFix;
        body.expectObject({"faces", "edges"});
        if (!body.optional("faces") && !body.optional("edges"))
            body.fail("expected \"faces\", \"edges\" or both");
        if (const auto faces = body.optional("faces"))
            f.faces = readSubents(*faces);
        if (const auto edges = body.optional("edges"))
            f.edges = readSubents(*edges);
    }
    return f;
}
} // namespace

std::string TaskFile::messageAt(const JsonPath& path, const std::string& message) const
{
    std::string where = sourceName;
    if (text)
        if (const auto offset = locateJsonPath(*text, path))
        {
            const TextPosition pos = textPosition(*text, *offset);
            where += ":" + std::to_string(pos.line) + ":" + std::to_string(pos.column);
        }
    const std::string keyPath = formatJsonPath(path);
    return where + ": " + (keyPath.empty() ? std::string() : keyPath + ": ") + message;
}

TaskFile parseTaskText(std::string_view text, const std::string& sourceName,
                       const std::filesystem::path& folder)
{
    TaskFile file;
    file.sourceName = sourceName;
    file.text = std::make_shared<const std::string>(text);
    rapidjson::Document doc;
    if (const auto error = parseJson(text, doc))
    {
        const TextPosition pos = textPosition(text, error->offset);
        throw InputError(sourceName + ":" + std::to_string(pos.line) + ":" + std::to_string(pos.column) +
                         ": not valid JSON: " + error->message);
    }
    const Node root(doc, {}, file);
    root.expectObject({"description", "drawing", "solid", "meshing", "features", "yield"});
    if (const auto d = root.optional("description"))
        file.description = d->string();

    const Node drawing = root.at("drawing");
    drawing.expectObject({"insunits", "modelling"});
    const Node units = drawing.at("insunits");
    const auto value = unitsFromName(units.string());
    if (!value || *value == OdDb::kUnitsUndefined)
        units.fail("expected a length unit (" + knownUnitNames() + "), found " + inQuotes(units.string()));
    file.units = *value;
    file.systemInternational = drawing.at("modelling").keyword({"si", "english"}) == 0;

    file.solid = readSolid(root.at("solid"), folder);

    if (const auto meshing = root.optional("meshing"))
    {
        meshing->expectObject({"file", "fineness"});
        file.meshing.path = meshing->path();
        if (meshing->optional("file") && meshing->optional("fineness"))
            meshing->fail("give \"file\" or \"fineness\", not both");
        if (const auto f = meshing->optional("file"))
            file.meshing.file = folder / f->string();
        if (const auto f = meshing->optional("fineness"))
        {
            // The module's one-knob builder accepts this range.
            const double v = f->number();
            if (v < 0.01 || v > 100.0)
                f->fail("must be from 0.01 to 100, found " + formatNumber(v, 12));
            file.meshing.fineness = v;
        }
    }
    for (const Node& f : root.at("features").list(1))
        file.features.push_back(readFeature(f, file.systemInternational));
    if (const auto y = root.optional("yield"))
        file.yield = y->positive();
    return file;
}

TaskFile readTaskFile(const std::string& path)
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
    return parseTaskText(content.str(), path, std::filesystem::path(path).parent_path());
}
} // namespace cae_app
