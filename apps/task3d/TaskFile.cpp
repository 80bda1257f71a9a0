#include "apps/task3d/TaskFile.h"

#include "apps/file/AnalysisFile.h"
#include "apps/file/Format.h"
#include "apps/file/JsonDocument.h"
#include "apps/file/JsonNode.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

namespace cae_app
{
namespace
{
using json::inQuotes;
using json::Node;
using json::Source;

SolidEntry readSolid(const Node& node, const std::filesystem::path& folder)
{
    // A misspelt kind is refused by expectObject, which suggests the one meant; a second kind by choice.
    node.expectObject({"step", "box", "cylinder", "sphere", "union", "difference", "intersection"});
    const std::string_view kind =
        node.choice({"step", "box", "cylinder", "sphere", "union", "difference", "intersection"});
    const Node body = node.at(kind);
    SolidEntry s;
    s.path = body.path();
    if (kind == "step")
    {
        s.kind = SolidEntry::Kind::eStep;
        const std::string name = body.string();
        if (name.empty())
            body.fail("expected the name of a STEP file");
        s.file = folder / name;
    }
    else if (kind == "box")
    {
        s.kind = SolidEntry::Kind::eBox;
        body.expectObject({"corner", "size"});
        s.point = body.at("corner").point3d();
        s.vector = body.at("size").vector3d(true);
        if (!(s.vector.x > 0 && s.vector.y > 0 && s.vector.z > 0))
            body.at("size").fail("every side must be greater than zero");
    }
    else if (kind == "cylinder")
    {
        s.kind = SolidEntry::Kind::eCylinder;
        body.expectObject({"base", "axis", "radius"});
        s.point = body.at("base").point3d();
        s.vector = body.at("axis").vector3d(true);
        s.radius = body.at("radius").positive();
    }
    else if (kind == "sphere")
    {
        s.kind = SolidEntry::Kind::eSphere;
        body.expectObject({"center", "radius"});
        s.point = body.at("center").point3d();
        s.radius = body.at("radius").positive();
    }
    else
    {
        s.kind = kind == "union"        ? SolidEntry::Kind::eUnion
                 : kind == "difference" ? SolidEntry::Kind::eDifference
                                        : SolidEntry::Kind::eIntersection;
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
            r.point = item.at("point").point3d();
        }
        refs.push_back(std::move(r));
    }
    return refs;
}

/// A unit vector along `node`'s [x, y, z]; refused when its length is zero or beyond a double.
OdGeVector3d unitVector(const Node& node)
{
    const OdGeVector3d v = node.vector3d(true);
    const double length = v.length();
    if (!std::isfinite(length) || !(length > 0.0))
        node.fail(
            "the vector cannot be normalised: its length is " +
            (std::isfinite(length) ? formatNumber(length, 12) : std::string("beyond the range of numbers")));
    return v / length;
}

/// Checks the optional "units" of a load against the modelling system: `names` is the SI unit then the
/// English one.
void checkUnits(const Node& body, bool systemInternational, std::initializer_list<std::string_view> names,
                std::string_view quantity)
{
    const auto units = body.optional("units");
    if (!units)
        return;
    const std::size_t k = units->keyword(names);
    if ((k == 0) != systemInternational)
        units->fail("the modelling units are " + std::string(systemInternational ? "\"si\"" : "\"english\"") +
                    ", whose " + std::string(quantity) + " are in " +
                    inQuotes(*(names.begin() + (systemInternational ? 0 : 1))));
}

FeatureEntry readFeature(const Node& node, bool systemInternational)
{
    node.expectObject({"pressure", "force", "fix", "slide", "hold"});
    const std::string_view kind = node.choice({"pressure", "force", "fix", "slide", "hold"});
    const Node body = node.at(kind);
    FeatureEntry f;
    f.path = body.path();
    if (kind == "pressure")
    {
        body.expectObject({"magnitude", "units", "direction", "faces"});
        f.magnitude = body.at("magnitude").number();
        checkUnits(body, systemInternational, {"Pa", "psi"}, "pressures");
        f.units = systemInternational ? cae_core::eSI_NewtonPerMeterSq : cae_core::eEnglish_LbfPerInchSq;
        if (const auto direction = body.optional("direction"))
            f.direction = unitVector(*direction);
        f.faces = readSubents(body.at("faces"));
    }
    else if (kind == "force")
    {
        f.kind = FeatureEntry::Kind::eForce;
        body.expectObject({"vector", "units", "faces"});
        unitVector(body.at("vector"));
        f.force = body.at("vector").vector3d(true);
        checkUnits(body, systemInternational, {"N", "lbf"}, "forces");
        f.units = systemInternational ? cae_core::eSI_Newton : cae_core::eEnglish_Lbf;
        f.faces = readSubents(body.at("faces"));
    }
    else if (kind == "slide")
    {
        f.kind = FeatureEntry::Kind::eSlide;
        body.expectObject({"faces"});
        f.faces = readSubents(body.at("faces"));
    }
    else
    {
        f.kind = kind == "fix" ? FeatureEntry::Kind::eFix : FeatureEntry::Kind::eHold;
        if (kind == "fix")
            body.expectObject({"faces", "edges"});
        else
        {
            body.expectObject({"faces", "edges", "components"});
            const Node components = body.at("components");
            f.components = components.string();
            const std::string& c = f.components;
            if (c.empty() || c.size() > 3 || !std::is_sorted(c.begin(), c.end()) ||
                std::adjacent_find(c.begin(), c.end()) != c.end() ||
                std::any_of(c.begin(), c.end(), [](char d) { return d < '1' || d > '3'; }))
                components.fail("expected the held axes as digits 1 (x), 2 (y), 3 (z) in ascending order, "
                                "such as \"13\", found " +
                                inQuotes(c));
        }
        if (!body.optional("faces") && !body.optional("edges"))
            body.fail("expected \"faces\", \"edges\" or both");
        if (const auto faces = body.optional("faces"))
            f.faces = readSubents(*faces);
        if (const auto edges = body.optional("edges"))
            f.edges = readSubents(*edges);
    }
    return f;
}

MaterialEntry readSolidMaterial(const Node& node)
{
    const MaterialSettings values = readMaterial(node, false);
    MaterialEntry m;
    m.path = node.path();
    if (const auto name = node.optional("name"))
        m.name = name->string();
    m.youngsModulus = node.at("youngsModulus").positive();
    m.poissonRatio = values.poissonRatio;
    if (!(m.poissonRatio > -1.0 && m.poissonRatio < 0.5))
        node.at("poissonRatio")
            .fail("must lie between -1 and 0.5 (both excluded), found " + formatNumber(m.poissonRatio, 12));
    return m;
}

DeckEntry readDeck(const Node& node)
{
    node.expectObject({"material", "elements"});
    DeckEntry d;
    d.path = node.path();
    if (const auto m = node.optional("material"))
        d.taskMaterial = m->keyword({"task", "fixed"}) == 0;
    if (const auto e = node.optional("elements"))
        d.quadratic = e->keyword({"quadratic", "linear"}) == 0;
    return d;
}
} // namespace

std::string TaskFile::messageAt(const JsonPath& path, const std::string& message) const
{
    return json::messageAt(text ? std::string_view(*text) : std::string_view(), sourceName, path, false,
                           message);
}

TaskFile parseTaskText(std::string_view text, const std::string& sourceName,
                       const std::filesystem::path& folder)
{
    TaskFile file;
    file.sourceName = sourceName;
    file.text = std::make_shared<const std::string>(text);
    rapidjson::Document doc;
    json::parseDocument(text, sourceName, doc);
    const Source source{*file.text, file.sourceName};
    const Node root(doc, {}, source);
    root.expectObject(
        {"description", "drawing", "solid", "material", "deck", "meshing", "features", "yield", "solver"});
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
        meshing->expectObject({"file", "fineness", "size"});
        file.meshing.path = meshing->path();
        const std::size_t given = meshing->has("file") + meshing->has("fineness") + meshing->has("size");
        if (given > 1)
            meshing->fail("give one of \"file\", \"fineness\" and \"size\", not several");
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
        if (const auto h = meshing->optional("size"))
            file.meshing.size = h->positive();
    }
    for (const Node& f : root.at("features").list(1))
        file.features.push_back(readFeature(f, file.systemInternational));

    if (const auto deck = root.optional("deck"))
        file.deck = readDeck(*deck);
    if (const auto material = root.optional("material"))
    {
        file.material = readSolidMaterial(*material);
        if (const auto y = material->optional("yield"))
        {
            if (root.has("yield"))
                y->fail("the yield stress is given twice: here and at the top level; keep one");
            file.yield = y->positive();
        }
    }
    else if (file.deck.taskMaterial)
        root.fail(std::string("missing key \"material\": the deck takes the task's material") +
                  (root.has("deck") ? "" : " (the default)") +
                  "; give \"material\": {\"name\": ..., \"youngsModulus\": E, \"poissonRatio\": nu} or "
                  "\"deck\": {\"material\": \"fixed\"}");
    if (const auto y = root.optional("yield"))
        file.yield = y->positive();
    if (const auto solver = root.optional("solver"))
    {
        solver->expectObject({"options"});
        for (const auto& [key, node] : solver->at("options").members())
        {
            const std::string value = node.isNumber() ? formatNumber(node.number(), 12) : node.string();
            if (const std::string problem = solverKeywordProblem(key, value); !problem.empty())
                node.fail("cannot go on the solver's command line: " + problem);
            file.solverOptions.push_back(key + "=" + value);
        }
    }
    return file;
}

TaskFile readTaskFile(const std::string& path)
{
    return parseTaskText(json::readTextFile(path), path, std::filesystem::path(path).parent_path());
}

std::string solverKeywordProblem(const std::string& key, const std::string& value)
{
    if (key.empty())
        return "the key is empty";
    for (const char c : key)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_')
            return "the key holds '" + std::string(1, c) + "' (letters, digits and _ only)";
    if (value.empty())
        return "the value is empty";
    // The command line is one text that the host splits at its blanks.
    for (const char c : value)
        if (std::isspace(static_cast<unsigned char>(c)) || c == '"' || c == '\'' ||
            static_cast<unsigned char>(c) < 0x20)
            return "the value holds a blank, a quote or a control character";
    return {};
}

} // namespace cae_app
