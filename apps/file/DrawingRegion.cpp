#include "apps/file/DrawingRegion.h"

#include "apps/file/Format.h"
#include "apps/file/Loops.h"

#include "platform/base/OdError.h"
#include "platform/db/DbArc.h"
#include "platform/db/DbBlockReference.h"
#include "platform/db/DbBlockTableRecord.h"
#include "platform/db/DbCircle.h"
#include "platform/db/DbDatabase.h"
#include "platform/db/DbEllipse.h"
#include "platform/db/DbHandle.h"
#include "platform/db/DbHatch.h"
#include "platform/db/DbLine.h"
#include "platform/db/DbPolyline.h"
#include "platform/db/DbProxyEntity.h"
#include "platform/db/DbSolid.h"
#include "platform/db/DbSpline.h"
#include "platform/db/DbSymbolTable.h"
#include "platform/db/DbText.h"
#include "platform/ge/GeCircArc3d.h"
#include "platform/ge/GeEllipArc3d.h"
#include "platform/ge/GeLineSeg3d.h"
#include "platform/ge/GeNurbCurve3d.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace cae_app
{
namespace
{
/// Below this share of the drawing's size two loose ends are taken for a gap the drawer meant to
/// close; beyond it the boundary is reported as open.
constexpr double kGapShareOfSize = 0.01;

std::string handleOf(const OdDbEntity& entity)
{
    return OdAnsiString(OdDbHandle(entity.objectId().getHandle()).ascii()).str();
}

/// The DXF name of an entity's kind, as a CAD program lists it.
std::string kindOf(const OdDbEntity& entity)
{
    if (const auto* proxy = dynamic_cast<const OdDbProxyEntity*>(&entity))
        return OdAnsiString(proxy->originalDxfName()).str();
    if (dynamic_cast<const OdDbLine*>(&entity))
        return "LINE";
    if (dynamic_cast<const OdDbArc*>(&entity))
        return "ARC";
    if (dynamic_cast<const OdDbCircle*>(&entity))
        return "CIRCLE";
    if (dynamic_cast<const OdDbEllipse*>(&entity))
        return "ELLIPSE";
    if (dynamic_cast<const OdDbPolyline*>(&entity))
        return "LWPOLYLINE";
    if (dynamic_cast<const OdDbSpline*>(&entity))
        return "SPLINE";
    if (dynamic_cast<const OdDbText*>(&entity))
        return "TEXT";
    if (dynamic_cast<const OdDbHatch*>(&entity))
        return "HATCH";
    if (dynamic_cast<const OdDbSolid*>(&entity))
        return "SOLID";
    if (dynamic_cast<const OdDbBlockReference*>(&entity))
        return "INSERT";
    return "entity";
}

/// The in-plane direction of a curve's normal: +1 for +z, -1 for -z; refuses any other.
double planeSide(const OdGeVector3d& normal, const std::string& what)
{
    if (std::abs(normal.x) > OdGeContext::gTol.equalVector() ||
        std::abs(normal.y) > OdGeContext::gTol.equalVector())
        throw InputError(what + " does not lie in the drawing's XY plane (its normal is (" +
                         formatNumber(normal.x) + ", " + formatNumber(normal.y) + ", " +
                         formatNumber(normal.z) + "))");
    return normal.z > 0.0 ? 1.0 : -1.0;
}

OdGePoint2d flat(const OdGePoint3d& p)
{
    return OdGePoint2d(p.x, p.y);
}

/// The file's curve for an exact platform curve of the drawing.
BoundaryCurve fromGeCurve(const OdGeCurve3d& curve, const std::string& path, const std::string& kind)
{
    const std::string what = path + " (" + kind + ")";
    BoundaryCurve out;
    out.path = path;
    out.kind = kind;
    switch (curve.type())
    {
    case OdGe::kLineSeg3d:
    {
        const auto& line = static_cast<const OdGeLineSeg3d&>(curve);
        out.geometry = LineCurve{flat(line.startPoint()), flat(line.endPoint())};
        break;
    }
    case OdGe::kCircArc3d:
    {
        // With the normal at -z the angles run clockwise seen from above.
        const auto& arc = static_cast<const OdGeCircArc3d&>(curve);
        const double side = planeSide(arc.normal(), what);
        const double ref = std::atan2(arc.refVec().y, arc.refVec().x);
        out.geometry = ArcCurve{flat(arc.center()), arc.radius(), ref + side * arc.startAng(),
                                side * (arc.endAng() - arc.startAng())};
        break;
    }
    case OdGe::kEllipArc3d:
    {
        const auto& arc = static_cast<const OdGeEllipArc3d&>(curve);
        const double side = planeSide(arc.normal(), what);
        const OdGeVector3d major = arc.majorAxis() * arc.majorRadius();
        out.geometry = EllipseCurve{flat(arc.center()), OdGeVector2d(major.x, major.y),
                                    arc.minorRadius() / arc.majorRadius(), side * arc.startAng(),
                                    side * (arc.endAng() - arc.startAng())};
        break;
    }
    default:
    {
        const auto& spline = static_cast<const OdGeNurbCurve3d&>(curve);
        int degree = 0;
        bool rational = false, periodic = false;
        OdGeKnotVector knots;
        OdGePoint3dArray points;
        OdGeDoubleArray weights;
        spline.getDefinitionData(degree, rational, periodic, knots, points, weights);
        NurbsCurve nurbs;
        nurbs.degree = degree;
        for (const auto& p : points)
        {
            if (std::abs(p.z) > OdGeContext::gTol.equalPoint())
                throw InputError(what + " does not lie in the drawing's XY plane (a control point has z = " +
                                 formatNumber(p.z) + ")");
            nurbs.controlPoints.push_back(flat(p));
        }
        for (int i = 0; i < knots.length(); ++i)
            nurbs.knots.push_back(knots[i]);
        if (rational)
            nurbs.weights.assign(weights.begin(), weights.end());
        if (const std::string problem = checkNurbs(nurbs); !problem.empty())
            throw InputError(what + ": " + problem);
        out.geometry = std::move(nurbs);
        break;
    }
    }
    return out;
}

/// The curves of a polyline, one per segment with length; bulged segments are arcs.
std::vector<BoundaryCurve> fromPolyline(const OdDbPolyline& polyline, const std::string& path)
{
    std::vector<BoundaryCurve> curves;
    const unsigned n = polyline.numVerts();
    const unsigned segments = polyline.isClosed() ? n : (n == 0 ? 0 : n - 1);
    for (unsigned i = 0; i < segments; ++i)
    {
        OdGePoint2d a, b;
        polyline.getPointAt(i, a);
        polyline.getPointAt((i + 1) % n, b);
        if (a.isEqualTo(b))
            continue; // a repeated vertex draws nothing
        BoundaryCurve c;
        c.path = path + " segment " + std::to_string(i);
        const double bulge = polyline.getBulgeAt(i);
        if (bulge == 0.0)
        {
            c.kind = "LWPOLYLINE line";
            c.geometry = LineCurve{a, b};
        }
        else
        {
            // The centre lies off the chord's middle by (1 - b^2) / (4 b) chords, to its left for a
            // counter-clockwise (positive) bulge.
            const OdGeVector2d d = b - a;
            const OdGePoint2d centre =
                a + d * 0.5 + OdGeVector2d(-d.y, d.x) * ((1.0 - bulge * bulge) / (4.0 * bulge));
            const OdGeVector2d r = a - centre;
            c.kind = "LWPOLYLINE arc";
            c.geometry = ArcCurve{centre, r.length(), std::atan2(r.y, r.x), 4.0 * std::atan(bulge)};
        }
        curves.push_back(std::move(c));
    }
    return curves;
}

bool isClosedCurve(const BoundaryCurve& c, double tol)
{
    if (const auto* arc = std::get_if<ArcCurve>(&c.geometry))
        return std::abs(arc->sweep) >= 2.0 * std::numbers::pi;
    if (const auto* e = std::get_if<EllipseCurve>(&c.geometry))
        return std::abs(e->sweep) >= 2.0 * std::numbers::pi;
    return startPoint(c).distanceTo(endPoint(c)) <= tol && !std::holds_alternative<LineCurve>(c.geometry);
}

std::string describe(const BoundaryCurve& c)
{
    return c.path + " (" + c.kind + ")";
}

/// One end of a curve: curve index, and whether it is the end (else the start).
struct End
{
    std::size_t curve;
    bool atEnd;
};

/// The ends of the open curves (each curve's start at 2 i, its end at 2 i + 1), where they lie, and
/// for each the ends of other curves within the tolerance.
struct EndMatch
{
    std::vector<End> ends;
    std::vector<OdGePoint2d> at;
    std::vector<std::vector<std::size_t>> partners;
};

/// Matches the open curves' ends; more than one partner is a branch, which no boundary may have.
EndMatch matchEnds(const std::vector<BoundaryCurve>& open, double tol, const std::string& name)
{
    EndMatch m;
    auto& ends = m.ends;
    auto& at = m.at;
    auto& partners = m.partners;
    for (std::size_t i = 0; i < open.size(); ++i)
    {
        ends.push_back({i, false});
        ends.push_back({i, true});
    }
    // Ends sorted by x, so that each end is compared only with those within the tolerance in x.
    std::vector<std::size_t> order(ends.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    at.resize(ends.size());
    for (std::size_t i = 0; i < ends.size(); ++i)
        at[i] = ends[i].atEnd ? endPoint(open[ends[i].curve]) : startPoint(open[ends[i].curve]);
    std::sort(order.begin(), order.end(), [&at](std::size_t a, std::size_t b) { return at[a].x < at[b].x; });
    partners.resize(ends.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        for (std::size_t j = i + 1; j < order.size() && at[order[j]].x - at[order[i]].x <= tol; ++j)
        {
            const std::size_t a = order[i], b = order[j];
            if (at[a].distanceTo(at[b]) <= tol && ends[a].curve != ends[b].curve)
            {
                partners[a].push_back(b);
                partners[b].push_back(a);
            }
        }
    for (std::size_t e = 0; e < ends.size(); ++e)
        if (partners[e].size() > 1)
        {
            std::string list = describe(open[ends[e].curve]);
            for (const auto p : partners[e])
                list += ", " + describe(open[ends[p].curve]);
            throw InputError(name + ": " + std::to_string(partners[e].size() + 1) + " curve ends meet at " +
                             formatPoint(at[e]) + " (" + list +
                             "); a boundary must not branch, and two loops must not share a point");
        }
    return m;
}

/// Refuses loose ends: the closest two tell a gap; a loose end with nothing near leaves the boundary
/// open.
void refuseLooseEnds(const std::vector<BoundaryCurve>& open, const EndMatch& m, double tol, double size,
                     const std::string& name)
{
    const auto& ends = m.ends;
    const auto& at = m.at;
    const auto& partners = m.partners;
    double bestGap = HUGE_VAL;
    std::size_t gapA = 0, gapB = 0;
    bool loose = false;
    for (std::size_t a = 0; a < ends.size(); ++a)
    {
        if (!partners[a].empty())
            continue;
        loose = true;
        for (std::size_t b = a + 1; b < ends.size(); ++b)
            if (partners[b].empty() && at[a].distanceTo(at[b]) < bestGap)
            {
                bestGap = at[a].distanceTo(at[b]);
                gapA = a;
                gapB = b;
            }
        if (bestGap == HUGE_VAL)
            gapA = a;
    }
    if (!loose)
        return;
    auto endName = [&](std::size_t e)
    { return std::string(ends[e].atEnd ? "the end of " : "the start of ") + describe(open[ends[e].curve]); };
    if (bestGap <= kGapShareOfSize * size)
        throw InputError(name + ": a gap of " + formatNumber(bestGap, 3) + " between " + endName(gapA) +
                         " at " + formatPoint(at[gapA], 12) + " and " + endName(gapB) + " at " +
                         formatPoint(at[gapB], 12) + "; ends closer than " + formatNumber(tol, 3) +
                         " are joined, so close the gap in the drawing");
    throw InputError(name + ": the boundary is open: nothing meets " + endName(gapA) + " at " +
                     formatPoint(at[gapA]) + "; every boundary must be a closed loop");
}

/// Walks each chain from a curve not yet used; every end has exactly one partner.
void walkChains(const std::vector<BoundaryCurve>& open, const EndMatch& m,
                std::vector<std::vector<BoundaryCurve>>& loops)
{
    std::vector<bool> used(open.size(), false);
    for (std::size_t first = 0; first < open.size(); ++first)
    {
        if (used[first])
            continue;
        std::vector<BoundaryCurve> loop;
        std::size_t curve = first;
        bool forward = true;
        while (!used[curve])
        {
            used[curve] = true;
            BoundaryCurve c = open[curve];
            if (!forward)
                reverse(c);
            loop.push_back(std::move(c));
            const std::size_t leaving = 2 * curve + (forward ? 1 : 0);
            const End next = m.ends[m.partners[leaving].front()];
            curve = next.curve;
            forward = !next.atEnd;
        }
        loops.push_back(std::move(loop));
    }
}

/// Chains the curves into closed loops by their ends.
std::vector<std::vector<BoundaryCurve>> chain(std::vector<BoundaryCurve> curves, double tol, double size,
                                              const std::string& name)
{
    std::vector<std::vector<BoundaryCurve>> loops;
    std::vector<BoundaryCurve> open;
    for (auto& c : curves)
    {
        if (isClosedCurve(c, tol))
            loops.push_back({std::move(c)});
        else
            open.push_back(std::move(c));
    }
    const EndMatch m = matchEnds(open, tol, name);
    refuseLooseEnds(open, m, tol, size, name);
    walkChains(open, m, loops);
    return loops;
}
} // namespace

namespace
{
/// The boundary curves `entity` draws into `curves`. One that draws none is passed over where no layer
/// is named, as annotations and glyph blocks share model space with the part, and refused on the
/// region's own layer.
void addEntityCurves(const OdDbEntity& entity, const std::string& layer, std::vector<BoundaryCurve>& curves)
{
    const std::string kind = kindOf(entity);
    const std::string path = "handle " + handleOf(entity);
    if (const auto* polyline = dynamic_cast<const OdDbPolyline*>(&entity))
    {
        for (auto& c : fromPolyline(*polyline, path))
            curves.push_back(std::move(c));
        return;
    }
    if (dynamic_cast<const OdDbProxyEntity*>(&entity) && kind == "SPLINE")
        throw InputError("the " + kind + " " + path +
                         " cannot be read: a spline must give its control points and knots, not only "
                         "fit points; save the drawing with them");
    const auto* curve = dynamic_cast<const OdDbCurve*>(&entity);
    OdGeCurve3d* ge = nullptr;
    if (!curve || curve->getOdGeCurve(ge) != eOk || !ge)
    {
        delete ge;
        if (layer.empty())
            return;
        throw InputError("the layer " + layer + " holds a " + kind + " (" + path +
                         "), which cannot bound a region; a region's layer may hold only LINE, ARC, "
                         "CIRCLE, ELLIPSE, LWPOLYLINE, POLYLINE and SPLINE entities");
    }
    const std::unique_ptr<OdGeCurve3d> owned(ge);
    BoundaryCurve c = fromGeCurve(*owned, path, kind);
    // A line drawn as a point bounds nothing, but would join both of its neighbours' ends.
    if (const auto* line = std::get_if<LineCurve>(&c.geometry); line && line->from.isEqualTo(line->to))
        return;
    curves.push_back(std::move(c));
}

/// The curves in model space on `layer` (on any layer when it is empty); finding none is an error that
/// says why.
std::vector<BoundaryCurve> drawnCurves(const OdDbDatabasePtr& db, const std::string& layer,
                                       const std::string& name)
{
    std::vector<BoundaryCurve> curves;
    std::size_t onLayer = 0;
    const auto space = OdDbBlockTableRecordPtr::cast(db->getModelSpaceId().openObject());
    for (const OdDbObjectId& id : space->entityIds())
    {
        const auto entity = OdDbEntityPtr::cast(id.openObject());
        if (!entity || (!layer.empty() && entity->layer().iCompare(OdString(layer.c_str())) != 0))
            continue;
        ++onLayer;
        try
        {
            addEntityCurves(*entity, layer, curves);
        }
        catch (const InputError& e)
        {
            throw InputError(name + ": " + e.what());
        }
    }
    if (!curves.empty())
        return curves;
    if (layer.empty())
        throw InputError(name + ": the drawing's model space holds no curves to bound a region");
    if (onLayer == 0)
        throw InputError(
            name + ": the layer " + layer + " holds no entities in model space" +
            (db->getLayerTableId().isNull() || !OdDbLayerTablePtr::cast(db->getLayerTableId().openObject())
                                                    ->has(OdString(layer.c_str()))
                 ? std::string(" (the drawing has no such layer)")
                 : std::string()));
    throw InputError(name + ": the layer " + layer + " holds no curves to bound a region");
}
} // namespace

DrawnRegion readDrawnRegion(const std::string& path, const std::string& layer, const std::string& name)
{
    const OdDbDatabasePtr db = OdDbDatabase::createObject();
    try
    {
        db->readFile(OdString(path.c_str()));
    }
    catch (const OdError& e)
    {
        throw InputError(name + ": " + e.what());
    }
    DrawnRegion region;
    region.insunits = db->getINSUNITS();
    region.measurement = db->getMEASUREMENT();
    std::vector<BoundaryCurve> curves = drawnCurves(db, layer, name);

    // The same tolerance prepareLoops joins with, from the box around all curves.
    BoundaryLoop all{curves, name};
    const double size = regionSize(all, {});
    const double tol = kJoinPrecision * size;
    std::vector<BoundaryLoop> loops;
    for (auto& l : chain(std::move(curves), tol, size, name))
        loops.push_back(BoundaryLoop{std::move(l), name + " loop " + std::to_string(loops.size() + 1)});

    // The outer loop holds the others, so it encloses the most area; prepareLoops checks the rest.
    std::size_t outer = 0;
    for (std::size_t i = 1; i < loops.size(); ++i)
        if (std::abs(signedArea(loops[i])) > std::abs(signedArea(loops[outer])))
            outer = i;
    region.outer = std::move(loops[outer]);
    for (std::size_t i = 0; i < loops.size(); ++i)
        if (i != outer)
            region.holes.push_back(std::move(loops[i]));
    return region;
}
} // namespace cae_app
