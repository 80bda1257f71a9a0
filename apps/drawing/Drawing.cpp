#include "apps/drawing/Drawing.h"

#include "apps/drawing/RegionBuilder.h"
#include "apps/file/Format.h"
#include "apps/file/Loops.h"

#include "platform/db/DbDatabase.h"
#include "platform/ge/GeUtils.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace cae_app
{
namespace
{
/// Inside the outer loop and outside every hole, or on the boundary within `tolerance`.
bool insideOrOnRegion(const OdDbRegion& region, const AnalysisFile& file, const OdGePoint2d& p,
                      double tolerance)
{
    const OdGePoint3d p3(p.x, p.y, 0.0);
    for (int l = 0; l < region.numLoops(); ++l)
        for (const auto& curve : region.loopAt(l))
            if (curve->closestPointTo(p3).distanceTo(p3) <= tolerance)
                return true;
    // The polygons follow arcs to within a few thousandths of their radius, far less than any
    // distance that would matter here.
    auto inside = [&p](const BoundaryLoop& loop)
    {
        OdGePoint2dArray polygon;
        for (const auto& c : loop.curves)
        {
            const auto pts = polyline(c);
            for (std::size_t i = 0; i + 1 < pts.size(); ++i)
                polygon.append(pts[i]);
        }
        return OdGeUtils::classifyPointPolygonRayTest(p, polygon) != 0;
    };
    if (!inside(file.outer))
        return false;
    for (const auto& h : file.holes)
        if (inside(h))
            return false;
    return true;
}
} // namespace

std::optional<double> defaultGlyphSize(double regionSize)
{
    // A load arrow is 25 glyph sizes long. The neutral annotation scale (1) is kept while the arrow is
    // between 1 % and a quarter of the region's diagonal, as on drawings of parts; beyond that the size
    // follows the region, so that a plate kilometres across does not carry millions of arrows.
    constexpr double kArrowLength = 25.0, kSmallestShare = 0.01, kLargestShare = 0.25;
    if (!std::isfinite(regionSize) || !(regionSize > 0.0))
        return std::nullopt;
    return std::clamp(1.0, kSmallestShare * regionSize / kArrowLength,
                      kLargestShare * regionSize / kArrowLength);
}

Drawing setUpDrawing(const AnalysisFile& file, const std::string& sourceName)
{
    Drawing d;
    d.database = OdDbDatabase::createObject();
    d.database->setMEASUREMENT(file.drawing.measurement);
    d.database->setINSUNITS(file.drawing.insunits);
    OdDbAnnotationScalePtr scale = odrxCreateObject<OdDbAnnotationScale>();
    scale->setPaperUnits(1.0);
    scale->setDrawingUnits(file.drawing.annoScale);
    d.database->setCANNOSCALE(scale);
    d.context = std::make_unique<DrawingContext>(
        d.database,
        file.drawing.annoScaleGiven ? std::nullopt : defaultGlyphSize(regionSize(file.outer, file.holes)));

    OdString message;
    if (!d.context->isValid(message))
        throw InputError(sourceName + ": drawing: " + utf8(message));
    d.lengthUnit = utf8(d.context->lengthUnit());
    d.forceUnit = utf8(d.context->forceUnit());
    d.stressUnit = utf8(d.context->pressureUnit());
    return d;
}

std::vector<BoundaryPoint> linearEnds(const AnalysisFile& file)
{
    std::vector<BoundaryPoint> points;
    for (const auto& given : file.loadsAndSupports)
    {
        if (const auto* l = std::get_if<LinearLoadEntry>(&given.value))
        {
            points.push_back({l->start, given.path + ".start"});
            points.push_back({l->end, given.path + ".end"});
        }
        else if (const auto* s = std::get_if<LinearSupportEntry>(&given.value))
        {
            points.push_back({s->start, given.path + ".start"});
            points.push_back({s->end, given.path + ".end"});
        }
    }
    return points;
}

void drawRegion(Drawing& drawing, const AnalysisFile& file, double regionSize, const std::string& sourceName,
                const WarningSink& warn)
{
    const double tolerance = kJoinPrecision * regionSize;
    std::vector<BoundaryPoint> points = linearEnds(file);
    drawing.region = buildRegion(file.outer, file.holes, points, tolerance, sourceName);
    drawing.database->addOdDbObject(drawing.region.get());

    // Pair the snapped points up again with their entries; both ends must share a loop.
    std::size_t next = 0;
    auto loopName = [&file](int loop)
    { return loop == 0 ? file.outer.path : file.holes[static_cast<std::size_t>(loop - 1)].path; };
    drawing.chainEnds.clear();
    for (const auto& given : file.loadsAndSupports)
    {
        if (std::holds_alternative<LinearLoadEntry>(given.value) ||
            std::holds_alternative<LinearSupportEntry>(given.value))
        {
            const BoundaryPoint& a = points[next++];
            const BoundaryPoint& b = points[next++];
            if (a.loop != b.loop)
                throw InputError(sourceName + ": " + given.path + ": start lies on " + loopName(a.loop) +
                                 " but end on " + loopName(b.loop) +
                                 "; both must lie on the same boundary loop");
            if (a.snapped.isEqualTo(b.snapped) && warn)
                // The mesh gives a closed loop as an open chain from its first vertex round to its
                // last, so the edge from the last back to the first carries nothing.
                warn(sourceName + ": warning: " + given.path +
                     ": start and end are the same point, so it covers the whole loop " + loopName(a.loop) +
                     " except the one mesh edge that closes it");
            drawing.chainEnds.emplace_back(a.snapped, b.snapped);
        }
        else
        {
            // A point load or support acts at the nearest vertex; far outside the region that is
            // surely a typing error.
            const OdGePoint2d at = std::holds_alternative<PointLoadEntry>(given.value)
                                       ? std::get<PointLoadEntry>(given.value).location
                                       : std::get<PointSupportEntry>(given.value).location;
            if (!insideOrOnRegion(*drawing.region, file, at, tolerance))
                throw InputError(sourceName + ": " + given.path + ": " + formatPoint(at, 9) +
                                 " lies outside the region");
            drawing.chainEnds.emplace_back(at, at);
        }
    }
}
} // namespace cae_app
