#include "apps/file/AnalysisFile.h"

#include "apps/file/Format.h"
#include "apps/file/JsonDocument.h"
#include "apps/file/JsonLocation.h"

#include <rapidjson/document.h>
#include <rapidjson/error/en.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <numbers>
#include <sstream>

namespace cae_app
{
namespace
{
constexpr double kDegree = std::numbers::pi / 180.0;

/// The longest text of the file that a message repeats; longer ones are cut.
constexpr std::size_t kEchoedCharacters = 40;

/// Most smoothing passes accepted. Each pass moves every free vertex to the centre of its
/// neighbours and costs about as much as meshing; the mesh settles within a few tens of passes,
/// so more only burns time.
constexpr int kMaxSmoothing = 100;

struct UnitName
{
    std::string_view name;
    OdDb::UnitsValue units;
};

// The first name of each unit is the one messages and help texts use.
constexpr std::array kUnitNames{
    UnitName{"unitless", OdDb::kUnitsUndefined}, UnitName{"inches", OdDb::kUnitsInches},
    UnitName{"feet", OdDb::kUnitsFeet}, UnitName{"miles", OdDb::kUnitsMiles},
    UnitName{"millimeters", OdDb::kUnitsMillimeters}, UnitName{"centimeters", OdDb::kUnitsCentimeters},
    UnitName{"meters", OdDb::kUnitsMeters}, UnitName{"kilometers", OdDb::kUnitsKilometers},
    UnitName{"microinches", OdDb::kUnitsMicroinches}, UnitName{"mils", OdDb::kUnitsMils},
    UnitName{"yards", OdDb::kUnitsYards}, UnitName{"angstroms", OdDb::kUnitsAngstroms},
    UnitName{"nanometers", OdDb::kUnitsNanometers}, UnitName{"microns", OdDb::kUnitsMicrons},
    UnitName{"decimeters", OdDb::kUnitsDecimeters}, UnitName{"dekameters", OdDb::kUnitsDekameters},
    UnitName{"hectometers", OdDb::kUnitsHectometers}, UnitName{"gigameters", OdDb::kUnitsGigameters},
    UnitName{"astronomicalUnits", OdDb::kUnitsAstronomical}, UnitName{"lightYears", OdDb::kUnitsLightYears},
    UnitName{"parsecs", OdDb::kUnitsParsecs}, UnitName{"usSurveyFeet", OdDb::kUnitsUSSurveyFeet},
    UnitName{"usSurveyInches", OdDb::kUnitsUSSurveyInch}, UnitName{"usSurveyYards", OdDb::kUnitsUSSurveyYard},
    UnitName{"usSurveyMiles", OdDb::kUnitsUSSurveyMile},
    // Accepted spellings that messages do not use.
    UnitName{"millimetres", OdDb::kUnitsMillimeters}, UnitName{"centimetres", OdDb::kUnitsCentimeters},
    UnitName{"metres", OdDb::kUnitsMeters}, UnitName{"kilometres", OdDb::kUnitsKilometers},
    UnitName{"nanometres", OdDb::kUnitsNanometers}, UnitName{"decimetres", OdDb::kUnitsDecimeters},
    UnitName{"dekametres", OdDb::kUnitsDekameters}, UnitName{"hectometres", OdDb::kUnitsHectometers},
    UnitName{"gigametres", OdDb::kUnitsGigameters}, UnitName{"undefined", OdDb::kUnitsUndefined}};
constexpr std::size_t kPrimaryUnitNames = 25;

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
        std::string where = m_source.name;
        if (const auto offset = locateJsonPath(m_source.text, path, atKey))
        {
            const TextPosition pos = textPosition(m_source.text, *offset);
            where += ":" + std::to_string(pos.line) + ":" + std::to_string(pos.column);
        }
        const std::string keyPath = formatJsonPath(path);
        throw InputError(where + ": " + (keyPath.empty() ? std::string() : keyPath + ": ") + message);
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

    static std::string formatNumber(double v)
    {
        std::ostringstream s;
        s.precision(12);
        s << v;
        return s.str();
    }

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

BoundaryCurve readCurve(const Node& node)
{
    const std::string_view kind = node.choice({"line", "arc", "circle", "spline"});
    const Node body = node.at(kind);
    BoundaryCurve curve;
    curve.path = node.pathText();
    curve.kind = std::string(kind);
    if (kind == "line")
    {
        body.expectObject({"from", "to"});
        LineCurve line{body.at("from").point(), body.at("to").point()};
        if (line.from.isEqualTo(line.to))
            body.fail("a line needs two different points");
        curve.geometry = line;
    }
    else if (kind == "arc")
    {
        body.expectObject({"center", "radius", "startAngleDeg", "endAngleDeg"});
        ArcCurve arc;
        arc.center = body.at("center").point();
        arc.radius = body.at("radius").positive();
        const double start = body.at("startAngleDeg").number();
        const double end = body.at("endAngleDeg").number();
        if (start == end)
            body.fail("an arc needs different start and end angles (a whole circle is a \"circle\")");
        // Counter-clockwise from start to end: the sweep is taken into (0, 360] degrees.
        double sweep = std::fmod(end - start, 360.0);
        if (sweep <= 0.0)
            sweep += 360.0;
        arc.startAngle = start * kDegree;
        arc.sweep = sweep * kDegree;
        curve.geometry = arc;
    }
    else if (kind == "circle")
    {
        body.expectObject({"center", "radius"});
        curve.geometry =
            ArcCurve{body.at("center").point(), body.at("radius").positive(), 0.0, 2.0 * std::numbers::pi};
    }
    else
    {
        body.expectObject({"fitPoints"});
        const Node fit = body.at("fitPoints");
        SplineCurve spline;
        for (const Node& p : fit.list(2))
        {
            spline.fitPoints.push_back(p.point());
            if (spline.fitPoints.size() >= 2 &&
                spline.fitPoints[spline.fitPoints.size() - 2].isEqualTo(spline.fitPoints.back()))
                p.fail("a fit point repeats the one before it");
        }
        curve.geometry = std::move(spline);
    }
    return curve;
}

BoundaryLoop readLoop(const Node& node)
{
    BoundaryLoop loop;
    loop.path = node.pathText();
    for (const Node& c : node.list(1))
        loop.curves.push_back(readCurve(c));
    return loop;
}

DrawingSettings readDrawing(const Node& node)
{
    node.expectObject({"measurement", "insunits", "annoScale"});
    DrawingSettings drawing;
    drawing.measurement =
        node.at("measurement").keyword({"metric", "imperial"}) == 0 ? OdDb::kMetric : OdDb::kEnglish;
    const Node units = node.at("insunits");
    const auto value = unitsFromName(units.string());
    if (!value)
        units.fail("unknown drawing unit " + inQuotes(units.string()) + "; known units are " +
                   knownUnitNames());
    drawing.insunits = *value;
    if (const auto scale = node.optional("annoScale"))
        drawing.annoScale = scale->positive();
    return drawing;
}

MaterialSettings readMaterial(const Node& node)
{
    // Values are checked by the analysis itself, which reports them with its own messages.
    node.expectObject({"thickness", "youngsModulus", "poissonRatio", "yield"});
    return MaterialSettings{node.at("thickness").number(), node.at("youngsModulus").number(),
                            node.at("poissonRatio").number(), node.at("yield").number()};
}

RefinementRegionSpec readRefinementRegion(const Node& node)
{
    const std::string_view kind = node.choice({"circle", "rectangle"}, {"ratio"});
    node.expectObject({"circle", "rectangle", "ratio"});
    RefinementRegionSpec given;
    given.path = node.pathText();
    const Node body = node.at(kind);
    if (kind == "circle")
    {
        body.expectObject({"center", "radius"});
        given.shape = RefinementCircleSpec{body.at("center").point(), body.at("radius").positive()};
    }
    else
    {
        body.expectObject({"corner1", "corner2"});
        const RefinementRectangleSpec rect{body.at("corner1").point(), body.at("corner2").point()};
        if (rect.corner1.x == rect.corner2.x || rect.corner1.y == rect.corner2.y)
            body.fail("the corners of a rectangle must differ in both x and y");
        given.shape = rect;
    }
    const Node ratio = node.at("ratio");
    given.ratio = ratio.number();
    if (!(given.ratio >= 1.0))
        ratio.fail("must be at least 1 (the mesh size inside is the mesh size divided by the ratio), found " +
                   Node::formatNumber(given.ratio));
    return given;
}

MeshSettings readMesh(const Node& node)
{
    node.expectObject({"size", "smoothing", "refinementRegions", "adaptive"});
    MeshSettings mesh;
    if (const auto size = node.optional("size"))
        mesh.size = size->positive();
    if (const auto smoothing = node.optional("smoothing"))
        mesh.smoothing = smoothing->integer(0, kMaxSmoothing);
    if (const auto regions = node.optional("refinementRegions"))
        for (const Node& r : regions->list())
            mesh.refinementRegions.push_back(readRefinementRegion(r));
    if (const auto adaptive = node.optional("adaptive"))
    {
        adaptive->expectObject({"refineAutomatically", "boundaryRefinement", "internalTriangleThreshold",
                                "maxIterations", "elasticityThreshold"});
        AdaptiveSettings& a = mesh.adaptive;
        if (const auto v = adaptive->optional("refineAutomatically"))
            a.refineAutomatically = v->boolean();
        if (const auto v = adaptive->optional("boundaryRefinement"))
            a.boundaryRefinement = v->integer(0);
        if (const auto v = adaptive->optional("internalTriangleThreshold"))
            a.internalTriangleThreshold = v->integer(1);
        if (const auto v = adaptive->optional("maxIterations"))
            a.maxIterations = v->integer(0);
        if (const auto v = adaptive->optional("elasticityThreshold"))
            a.elasticityThreshold = v->positive();
    }
    return mesh;
}

bool optionalFlag(const Node& node, std::string_view key)
{
    const auto v = node.optional(key);
    return v && v->boolean();
}

LoadOrSupportSpec readLoadOrSupport(const Node& node)
{
    const std::string_view kind = node.choice({"pointLoad", "linearLoad", "pointSupport", "linearSupport"});
    node.expectObject({"pointLoad", "linearLoad", "pointSupport", "linearSupport"});
    const Node body = node.at(kind);
    LoadOrSupportSpec given;
    given.path = body.pathText();
    if (kind == "pointLoad")
    {
        body.expectObject({"location", "direction", "magnitude"});
        given.value = PointLoadSpec{body.at("location").point(), body.at("direction").direction(),
                                    body.at("magnitude").number()};
    }
    else if (kind == "linearLoad")
    {
        body.expectObject({"start", "end", "magnitude", "angleDeg", "angleRelativeToBoundary", "flipped"});
        LinearLoadSpec load;
        load.start = body.at("start").point();
        load.end = body.at("end").point();
        load.magnitude = body.at("magnitude").number();
        load.angle = body.at("angleDeg").number() * kDegree;
        load.angleRelativeToBoundary = optionalFlag(body, "angleRelativeToBoundary");
        load.flipped = optionalFlag(body, "flipped");
        given.value = load;
    }
    else if (kind == "pointSupport")
    {
        body.expectObject({"location", "rolling", "direction"});
        PointSupportSpec support;
        support.location = body.at("location").point();
        support.rolling = optionalFlag(body, "rolling");
        if (support.rolling && !body.has("direction"))
            body.fail("a rolling support needs the \"direction\" it blocks");
        if (const auto direction = body.optional("direction"))
            support.direction = direction->direction();
        given.value = support;
    }
    else
    {
        body.expectObject({"start", "end", "rolling", "flipped"});
        LinearSupportSpec support;
        support.start = body.at("start").point();
        support.end = body.at("end").point();
        support.rolling = optionalFlag(body, "rolling");
        support.flipped = optionalFlag(body, "flipped");
        given.value = support;
    }
    return given;
}
} // namespace

std::optional<OdDb::UnitsValue> unitsFromName(std::string_view name)
{
    for (const auto& u : kUnitNames)
        if (u.name == name)
            return u.units;
    return std::nullopt;
}

std::string_view unitsName(OdDb::UnitsValue units)
{
    for (std::size_t i = 0; i < kPrimaryUnitNames; ++i)
        if (kUnitNames[i].units == units)
            return kUnitNames[i].name;
    return "unitless";
}

std::string knownUnitNames()
{
    std::string out;
    for (std::size_t i = 0; i < kPrimaryUnitNames; ++i)
    {
        if (i > 0)
            out += ", ";
        out += kUnitNames[i].name;
    }
    return out;
}

AnalysisFile parseAnalysisText(std::string_view text, const std::string& sourceName)
{
    rapidjson::Document doc;
    if (const auto error = parseJson(text, doc))
    {
        const TextPosition pos = textPosition(text, error->offset);
        throw InputError(sourceName + ":" + std::to_string(pos.line) + ":" + std::to_string(pos.column) +
                         ": not valid JSON: " + error->message);
    }

    const Source source{text, sourceName};
    const Node root(doc, {}, source);
    root.expectObject({"description", "drawing", "region", "mode", "elementType", "material", "mesh",
                       "loadsAndSupports", "solver"});

    AnalysisFile file;
    if (const auto d = root.optional("description"))
        file.description = d->string();
    file.drawing = readDrawing(root.at("drawing"));

    const Node region = root.at("region");
    region.expectObject({"outer", "holes"});
    file.outer = readLoop(region.at("outer"));
    if (const auto holes = region.optional("holes"))
        for (const Node& h : holes->list())
            file.holes.push_back(readLoop(h));

    file.mode = root.at("mode").keyword({"planeStress", "planeStrain"}) == 0 ? AnalysisMode::ePlaneStress
                                                                             : AnalysisMode::ePlaneStrain;
    file.elementType = root.at("elementType").keyword({"triangle6", "triangle3"}) == 0
                           ? ElementKind::eTriangle6
                           : ElementKind::eTriangle3;
    file.material = readMaterial(root.at("material"));
    if (const auto mesh = root.optional("mesh"))
        file.mesh = readMesh(*mesh);
    if (const auto entries = root.optional("loadsAndSupports"))
        for (const Node& e : entries->list())
            file.loadsAndSupports.push_back(readLoadOrSupport(e));
    if (const auto solver = root.optional("solver"))
        file.solver =
            solver->keyword({"inHouse", "nastran"}) == 0 ? SolverChoice::eInHouse : SolverChoice::eNastran;
    return file;
}

AnalysisFile readAnalysisFile(const std::string& path)
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
    return parseAnalysisText(content.str(), path);
}
} // namespace cae_app
