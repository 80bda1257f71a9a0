#include "apps/task3d/TaskFile.h"

#include "apps/file/AnalysisFile.h"
#include "apps/file/Format.h"
#include "apps/file/JsonDocument.h"
#include "apps/file/JsonNode.h"

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
using json::inQuotes;
using json::Node;
using json::Source;

SolidEntry readSolid(const Node& node, const std::filesystem::path& folder)
{
    // One kind of solid per object: a second kind is refused by choice, anything else by expectObject.
    const std::string_view kind =
        node.choice({"step", "box", "cylinder", "sphere", "union", "difference", "intersection"});
    node.expectObject({"step", "box", "cylinder", "sphere", "union", "difference", "intersection"});
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

FeatureEntry readFeature(const Node& node, bool systemInternational)
{
    const std::string_view kind = node.choice({"pressure", "fix"});
    node.expectObject({"pressure", "fix"});
    const Node body = node.at(kind);
    FeatureEntry f;
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
            f.direction = direction->vector3d(true).normal();
        f.faces = readSubents(body.at("faces"));
    }
    else
    {
        f.kind = FeatureEntry::Kind::eFix;
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
    return parseTaskText(json::readTextFile(path), path, std::filesystem::path(path).parent_path());
}
} // namespace cae_app
