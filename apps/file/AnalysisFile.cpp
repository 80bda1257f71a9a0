#include "apps/file/AnalysisFile.h"

#include "apps/file/DrawingRegion.h"
#include "apps/file/Format.h"
#include "apps/file/JsonDocument.h"
#include "apps/file/JsonLocation.h"
#include "apps/file/JsonNode.h"

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
using json::inQuotes;
using json::listOf;
using json::Node;
using json::Source;
using json::typeName;

constexpr double kDegree = std::numbers::pi / 180.0;

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

/// Highest NURBS degree accepted: the platform's curves go no higher.
constexpr int kMaxNurbsDegree = 25;

EllipseCurve readEllipse(const Node& body)
{
    body.expectObject({"center", "majorAxis", "ratio", "startParam", "endParam"});
    EllipseCurve ellipse;
    ellipse.center = body.at("center").point();
    const Node axis = body.at("majorAxis");
    const OdGePoint2d tip = axis.point();
    ellipse.majorAxis = OdGeVector2d(tip.x, tip.y);
    if (ellipse.majorAxis.isZeroLength())
        axis.fail("the major axis must not be the zero vector");
    const Node ratio = body.at("ratio");
    ellipse.ratio = ratio.number();
    if (!(ellipse.ratio > 0.0 && ellipse.ratio <= 1.0))
        ratio.fail("the ratio of the minor to the major radius must be in (0, 1], found " +
                   Node::formatNumber(ellipse.ratio));
    const auto start = body.optional("startParam");
    const auto end = body.optional("endParam");
    if (start.has_value() != end.has_value())
        body.fail("give both \"startParam\" and \"endParam\", or neither for a whole ellipse");
    if (!start)
    {
        ellipse.sweep = 2.0 * std::numbers::pi;
        return ellipse;
    }
    ellipse.startParam = start->number();
    const double e = end->number();
    if (ellipse.startParam == e)
        body.fail("an elliptical arc needs different start and end parameters (leave both out for a whole "
                  "ellipse)");
    // Counter-clockwise from start to end, as for an arc: the sweep is taken into (0, 2 pi].
    double sweep = std::fmod(e - ellipse.startParam, 2.0 * std::numbers::pi);
    if (sweep <= 0.0)
        sweep += 2.0 * std::numbers::pi;
    ellipse.sweep = sweep;
    return ellipse;
}

NurbsCurve readNurbs(const Node& body)
{
    body.expectObject({"degree", "controlPoints", "weights", "knots"});
    NurbsCurve nurbs;
    nurbs.degree = body.at("degree").integer(1, kMaxNurbsDegree);
    for (const Node& p : body.at("controlPoints").list(2))
        nurbs.controlPoints.push_back(p.point());
    const Node knots = body.at("knots");
    for (const Node& k : knots.list())
        nurbs.knots.push_back(k.number());
    if (const auto weights = body.optional("weights"))
        for (const Node& w : weights->list())
            nurbs.weights.push_back(w.number());
    if (const std::string problem = checkNurbs(nurbs); !problem.empty())
        body.fail(problem);
    return nurbs;
}

BoundaryCurve readCurve(const Node& node)
{
    const std::string_view kind = node.choice({"line", "arc", "circle", "spline", "ellipse", "nurbs"});
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
    else if (kind == "ellipse")
        curve.geometry = readEllipse(body);
    else if (kind == "nurbs")
        curve.geometry = readNurbs(body);
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

OdDb::UnitsValue readUnits(const Node& units)
{
    const auto value = unitsFromName(units.string());
    if (!value)
        units.fail("unknown drawing unit " + inQuotes(units.string()) + "; known units are " +
                   knownUnitNames());
    return *value;
}

/// `unitsOptional` for a region drawn in a CAD program, whose drawing may give the units.
DrawingSettings readDrawing(const Node& node, bool unitsOptional)
{
    node.expectObject({"measurement", "insunits", "annoScale"});
    DrawingSettings drawing;
    drawing.measurementGiven = !unitsOptional || node.has("measurement");
    drawing.insunitsGiven = !unitsOptional || node.has("insunits");
    if (drawing.measurementGiven)
        drawing.measurement =
            node.at("measurement").keyword({"metric", "imperial"}) == 0 ? OdDb::kMetric : OdDb::kEnglish;
    if (drawing.insunitsGiven)
        drawing.insunits = readUnits(node.at("insunits"));
    if (const auto scale = node.optional("annoScale"))
    {
        drawing.annoScale = scale->positive();
        drawing.annoScaleGiven = true;
    }
    return drawing;
}

/// Takes the region from the drawing the file names, and the units the file leaves to it.
void readRegionDrawing(AnalysisFile& file, const Node& region, const Node& root,
                       const std::string& sourceName)
{
    region.expectObject({"dxf", "layer"});
    const Node dxf = region.at("dxf");
    file.regionDrawing = dxf.string();
    if (file.regionDrawing.empty())
        dxf.fail("name the drawing file");
    if (const auto layer = region.optional("layer"))
    {
        file.regionLayer = layer->string();
        if (file.regionLayer.empty())
            layer->fail("name the layer, or leave the key out to take every layer of model space");
    }
    // Relative to the analysis file, so the file and its drawing move together.
    const std::filesystem::path path =
        std::filesystem::path(sourceName).parent_path() / std::filesystem::path(file.regionDrawing);
    DrawnRegion drawn;
    try
    {
        drawn = readDrawnRegion(path.string(), file.regionLayer, file.regionDrawing);
    }
    catch (const InputError& e)
    {
        dxf.fail(e.what());
    }
    file.outer = std::move(drawn.outer);
    file.holes = std::move(drawn.holes);
    if (!file.drawing.measurementGiven)
        file.drawing.measurement = drawn.measurement;
    const bool unitless = drawn.insunits == OdDb::kUnitsUndefined;
    if (!file.drawing.insunitsGiven)
    {
        if (unitless)
            dxf.fail("the drawing " + inQuotes(file.regionDrawing) +
                     " is unitless ($INSUNITS 0 or not given); state its unit as \"drawing\": {\"insunits\": "
                     "...}");
        file.drawing.insunits = drawn.insunits;
    }
    else if (!unitless && drawn.insunits != file.drawing.insunits)
        root.at("drawing")
            .at("insunits")
            .fail("the file says " + std::string(unitsName(file.drawing.insunits)) + " but the drawing " +
                  inQuotes(file.regionDrawing) + " is in " + std::string(unitsName(drawn.insunits)));
}

RefinementRegionEntry readRefinementRegion(const Node& node)
{
    const std::string_view kind = node.choice({"circle", "rectangle"}, {"ratio"});
    node.expectObject({"circle", "rectangle", "ratio"});
    RefinementRegionEntry given;
    given.path = node.pathText();
    const Node body = node.at(kind);
    if (kind == "circle")
    {
        body.expectObject({"center", "radius"});
        given.shape = RefinementCircleEntry{body.at("center").point(), body.at("radius").positive()};
    }
    else
    {
        body.expectObject({"corner1", "corner2"});
        const RefinementRectangleEntry rect{body.at("corner1").point(), body.at("corner2").point()};
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

LoadOrSupportEntry readLoadOrSupport(const Node& node)
{
    const std::string_view kind = node.choice({"pointLoad", "linearLoad", "pointSupport", "linearSupport"});
    node.expectObject({"pointLoad", "linearLoad", "pointSupport", "linearSupport"});
    const Node body = node.at(kind);
    LoadOrSupportEntry given;
    given.path = body.pathText();
    if (kind == "pointLoad")
    {
        body.expectObject({"location", "direction", "magnitude"});
        given.value = PointLoadEntry{body.at("location").point(), body.at("direction").direction(),
                                     body.at("magnitude").number()};
    }
    else if (kind == "linearLoad")
    {
        body.expectObject({"start", "end", "magnitude", "angleDeg", "angleRelativeToBoundary", "flipped"});
        LinearLoadEntry load;
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
        PointSupportEntry support;
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
        LinearSupportEntry support;
        support.start = body.at("start").point();
        support.end = body.at("end").point();
        support.rolling = optionalFlag(body, "rolling");
        support.flipped = optionalFlag(body, "flipped");
        given.value = support;
    }
    return given;
}
} // namespace

std::string checkNurbs(const NurbsCurve& nurbs)
{
    const std::size_t n = nurbs.controlPoints.size();
    const std::size_t p = static_cast<std::size_t>(nurbs.degree);
    if (n < p + 1)
        return "a curve of degree " + std::to_string(p) + " needs at least " + std::to_string(p + 1) +
               " control points, found " + std::to_string(n);
    if (nurbs.knots.size() != n + p + 1)
        return "expected " + std::to_string(n + p + 1) + " knots (control points + degree + 1), found " +
               std::to_string(nurbs.knots.size());
    if (!nurbs.weights.empty() && nurbs.weights.size() != n)
        return "expected one weight per control point, " + std::to_string(n) + ", found " +
               std::to_string(nurbs.weights.size());
    for (std::size_t i = 0; i < nurbs.weights.size(); ++i)
        if (!(nurbs.weights[i] > 0.0) || !std::isfinite(nurbs.weights[i]))
            return "weights[" + std::to_string(i) + "] is " + Node::formatNumber(nurbs.weights[i]) +
                   "; weights must be positive";
    for (std::size_t i = 0; i < nurbs.knots.size(); ++i)
    {
        if (!std::isfinite(nurbs.knots[i]))
            return "knots[" + std::to_string(i) + "] is not a finite number";
        if (i > 0 && nurbs.knots[i] < nurbs.knots[i - 1])
            return "the knots must not decrease, but knots[" + std::to_string(i) +
                   "] = " + Node::formatNumber(nurbs.knots[i]) + " is below knots[" + std::to_string(i - 1) +
                   "] = " + Node::formatNumber(nurbs.knots[i - 1]);
    }
    const auto& k = nurbs.knots;
    // An inner knot repeated more than the degree breaks the curve in two.
    for (std::size_t i = p + 1, run = 1; i < n; ++i)
    {
        run = k[i] == k[i - 1] && i > p + 1 ? run + 1 : 1;
        if (run > p)
            return "knots[" + std::to_string(i) + "] = " + Node::formatNumber(k[i]) + " repeats more than " +
                   std::to_string(p) + " times (the degree) inside the curve, which would break it apart";
    }
    if (!(k[p] < k[n]))
        return "the knots leave the curve no parameter range: knots[" + std::to_string(p) + "] and knots[" +
               std::to_string(n) + "] are both " + Node::formatNumber(k[p]);
    // Unclamped curves do not start and end at control points, so their ends could not be joined.
    for (std::size_t i = 1; i <= p; ++i)
        if (k[i] != k[0] || k[n + p - i] != k[n + p])
            return "the curve must be clamped: the first " + std::to_string(p + 1) + " and the last " +
                   std::to_string(p + 1) + " knots must each be equal";
    for (std::size_t i = 0; i < n; ++i)
        if (!std::isfinite(nurbs.controlPoints[i].x) || !std::isfinite(nurbs.controlPoints[i].y))
            return "controlPoints[" + std::to_string(i) + "] is not finite";
    return {};
}

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

MaterialSettings readMaterial(const json::Node& node, bool planar)
{
    // Values are checked by the analysis itself, which reports them with its own messages.
    if (planar)
    {
        node.expectObject({"thickness", "youngsModulus", "poissonRatio", "yield"});
        return MaterialSettings{node.at("thickness").number(), node.at("youngsModulus").number(),
                                node.at("poissonRatio").number(), node.at("yield").number()};
    }
    node.expectObject({"name", "youngsModulus", "poissonRatio", "yield"});
    const auto yield = node.optional("yield");
    return MaterialSettings{0.0, node.at("youngsModulus").number(), node.at("poissonRatio").number(),
                            yield ? yield->number() : 0.0};
}

AnalysisFile parseAnalysisText(std::string_view text, const std::string& sourceName)
{
    rapidjson::Document doc;
    json::parseDocument(text, sourceName, doc);

    const Source source{text, sourceName};
    const Node root(doc, {}, source);
    root.expectObject({"description", "drawing", "region", "mode", "elementType", "material", "mesh",
                       "loadsAndSupports", "solver"});

    AnalysisFile file;
    if (const auto d = root.optional("description"))
        file.description = d->string();
    const Node region = root.at("region");
    const bool drawn = region.has("dxf");
    if (const auto drawing = root.optional("drawing"); drawing || !drawn)
        file.drawing = readDrawing(root.at("drawing"), drawn);
    else
        file.drawing.measurementGiven = file.drawing.insunitsGiven = false;

    if (drawn)
        readRegionDrawing(file, region, root, sourceName);
    else
    {
        region.expectObject({"outer", "holes"});
        file.outer = readLoop(region.at("outer"));
        if (const auto holes = region.optional("holes"))
            for (const Node& h : holes->list())
                file.holes.push_back(readLoop(h));
    }

    file.mode = root.at("mode").keyword({"planeStress", "planeStrain"}) == 0 ? AnalysisMode::ePlaneStress
                                                                             : AnalysisMode::ePlaneStrain;
    file.elementType = root.at("elementType").keyword({"triangle6", "triangle3"}) == 0
                           ? ElementKind::eTriangle6
                           : ElementKind::eTriangle3;
    file.material = readMaterial(root.at("material"), true);
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
    return parseAnalysisText(json::readTextFile(path), path);
}
} // namespace cae_app
