#include "apps/drawing/RegionBuilder.h"

#include "apps/file/Format.h"
#include "apps/file/Loops.h"

#include "platform/ge/GeCircArc3d.h"
#include "platform/ge/GeEllipArc3d.h"
#include "platform/ge/GeLineSeg3d.h"
#include "platform/ge/GeNurbCurve3d.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <numbers>

namespace cae_app
{
namespace
{
OdGePoint3d to3d(const OdGePoint2d& p)
{
    return OdGePoint3d(p.x, p.y, 0.0);
}

/// One boundary curve of the drawing with the file's name for it.
struct NamedCurve
{
    OdSharedPtr<OdGeCurve3d> curve;
    std::string name;
};

using Homogeneous = std::array<double, 4>;

/// Pieces of an arc or elliptical arc between the sorted parameters `params`. Pieces keep the curve's
/// centre, axes and parameter and change only their angles, so the same angle gives the same point on
/// either side of a cut.
template <class Arc, class Add>
void splitByAngles(const Arc& arc, const OdGeInterval& interval, const std::vector<double>& params, Add add)
{
    std::vector<double> bounds;
    if (arc.isClosed())
    {
        bounds = params;
        bounds.push_back(params.front() + 2.0 * std::numbers::pi);
    }
    else
    {
        bounds.push_back(interval.lowerBound());
        bounds.insert(bounds.end(), params.begin(), params.end());
        bounds.push_back(interval.upperBound());
    }
    for (std::size_t i = 0; i + 1 < bounds.size(); ++i)
    {
        auto* piece = arc.copy();
        piece->setAngles(bounds[i], bounds[i + 1]);
        add(piece);
    }
}

std::vector<NamedCurve> splitCurve(const NamedCurve& named, std::vector<double> params)
{
    std::sort(params.begin(), params.end());
    params.erase(std::unique(params.begin(), params.end()), params.end());
    const OdGeCurve3d& curve = *named.curve;
    OdGeInterval interval;
    curve.getInterval(interval);
    std::vector<NamedCurve> pieces;
    auto add = [&](OdGeCurve3d* c) { pieces.push_back({OdSharedPtr<OdGeCurve3d>(c), named.name}); };

    if (curve.type() == OdGe::kLineSeg3d)
    {
        const auto& line = static_cast<const OdGeLineSeg3d&>(curve);
        // Every piece shares its end point object with the next, so they meet exactly.
        OdGePoint3d from = line.startPoint();
        for (const double t : params)
        {
            const OdGePoint3d to = line.evalPoint(t);
            add(new OdGeLineSeg3d(from, to));
            from = to;
        }
        add(new OdGeLineSeg3d(from, line.endPoint()));
    }
    else if (curve.type() == OdGe::kEllipArc3d)
        splitByAngles(static_cast<const OdGeEllipArc3d&>(curve), interval, params, add);
    else if (curve.type() == OdGe::kCircArc3d)
        splitByAngles(static_cast<const OdGeCircArc3d&>(curve), interval, params, add);
    else
    {
        // Cut from the last parameter down, so the parameters of the remaining part stay valid.
        std::vector<OdSharedPtr<OdGeCurve3d>> tail;
        OdSharedPtr<OdGeCurve3d> rest(curve.copy());
        for (auto it = params.rbegin(); it != params.rend(); ++it)
        {
            auto [left, right] = splitSpline(*rest, *it);
            tail.push_back(right);
            rest = left;
        }
        pieces.push_back({rest, named.name});
        for (auto it = tail.rbegin(); it != tail.rend(); ++it)
            pieces.push_back({*it, named.name});
    }
    return pieces;
}
} // namespace

OdSharedPtr<OdGeCurve3d> makeCurve(const BoundaryCurve& curve)
{
    if (const auto* line = std::get_if<LineCurve>(&curve.geometry))
        return OdSharedPtr<OdGeCurve3d>(new OdGeLineSeg3d(to3d(line->from), to3d(line->to)));
    if (const auto* arc = std::get_if<ArcCurve>(&curve.geometry))
    {
        const double a0 = std::min(arc->startAngle, arc->startAngle + arc->sweep);
        auto* geArc = new OdGeCircArc3d(to3d(arc->center), OdGeVector3d::kZAxis, OdGeVector3d::kXAxis,
                                        arc->radius, a0, a0 + std::abs(arc->sweep));
        if (arc->sweep < 0.0)
            geArc->reverseParam();
        return OdSharedPtr<OdGeCurve3d>(geArc);
    }
    if (const auto* ellipse = std::get_if<EllipseCurve>(&curve.geometry))
    {
        const double major = ellipse->majorAxis.length();
        const double a0 = std::min(ellipse->startParam, ellipse->startParam + ellipse->sweep);
        auto* geEllipse =
            new OdGeEllipArc3d(to3d(ellipse->center), OdGeVector3d::kZAxis,
                               OdGeVector3d(ellipse->majorAxis.x, ellipse->majorAxis.y, 0.0), major,
                               major * ellipse->ratio, a0, a0 + std::abs(ellipse->sweep));
        if (ellipse->sweep < 0.0)
            geEllipse->reverseParam();
        return OdSharedPtr<OdGeCurve3d>(geEllipse);
    }
    if (const auto* nurbs = std::get_if<NurbsCurve>(&curve.geometry))
        return OdSharedPtr<OdGeCurve3d>(new OdGeNurbCurve3d(nurbsOf(*nurbs)));
    const auto& spline = std::get<SplineCurve>(curve.geometry);
    OdGePoint3dArray fit;
    for (const auto& p : spline.fitPoints)
        fit.append(to3d(p));
    return OdSharedPtr<OdGeCurve3d>(new OdGeNurbCurve3d(fit));
}

std::pair<OdSharedPtr<OdGeCurve3d>, OdSharedPtr<OdGeCurve3d>> splitSpline(const OdGeCurve3d& curve, double u)
{
    const auto& spline = static_cast<const OdGeNurbCurve3d&>(curve);
    int p = 0;
    bool rational = false, periodic = false;
    OdGeKnotVector knots;
    OdGePoint3dArray cps;
    OdGeDoubleArray weights;
    spline.getDefinitionData(p, rational, periodic, knots, cps, weights);

    std::vector<double> U(knots.asArrayPtr(), knots.asArrayPtr() + knots.length());
    // A cut within the knot tolerance of a knot is made at that knot, so that its multiplicity counts.
    for (const double k : U)
        if (std::abs(k - u) <= OdGeKnotVector::kKnotTol)
            u = k;
    std::vector<Homogeneous> P;
    for (unsigned i = 0; i < cps.size(); ++i)
    {
        const double w = rational ? weights[i] : 1.0;
        P.push_back({cps[i].x * w, cps[i].y * w, cps[i].z * w, w});
    }

    // Insert u until it has multiplicity p (Boehm's knot insertion in homogeneous coordinates);
    // the curve then passes through one control point there and falls apart into two splines.
    const int n = static_cast<int>(P.size()) - 1;
    int k = p;
    while (k + 1 < static_cast<int>(U.size()) - p - 1 && U[k + 1] <= u)
        ++k;
    const int s = static_cast<int>(std::count(U.begin(), U.end(), u));
    const int r = std::max(0, p - s);
    std::vector<double> UQ(U.begin(), U.begin() + k + 1);
    UQ.insert(UQ.end(), r, u);
    UQ.insert(UQ.end(), U.begin() + k + 1, U.end());
    std::vector<Homogeneous> Q(P.size() + r);
    for (int i = 0; i <= k - p; ++i)
        Q[i] = P[i];
    for (int i = k - s; i <= n; ++i)
        Q[i + r] = P[i];
    std::vector<Homogeneous> R(P.begin() + (k - p), P.begin() + (k - s) + 1);
    int L = k - p;
    for (int j = 1; j <= r; ++j)
    {
        L = k - p + j;
        for (int i = 0; i <= p - j - s; ++i)
        {
            const double alpha = (u - U[L + i]) / (U[i + k + 1] - U[L + i]);
            for (int c = 0; c < 4; ++c)
                R[i][c] = alpha * R[i + 1][c] + (1.0 - alpha) * R[i][c];
        }
        Q[L] = R[0];
        Q[k + r - j - s] = R[p - j - s];
    }
    for (int i = L + 1; i < k - s; ++i)
        Q[i] = R[i - L];

    const int split = k - s; // the control point the curve passes through at u
    auto make = [&](int first, int last, std::vector<double> kv)
    {
        OdGePoint3dArray points;
        OdGeDoubleArray ws;
        for (int i = first; i <= last; ++i)
        {
            const auto& h = Q[i];
            points.append(OdGePoint3d(h[0] / h[3], h[1] / h[3], h[2] / h[3]));
            ws.append(h[3]);
        }
        OdGeDoubleArray kd;
        for (const double v : kv)
            kd.append(v);
        return OdSharedPtr<OdGeCurve3d>(
            new OdGeNurbCurve3d(p, OdGeKnotVector(kd), points, rational ? ws : OdGeDoubleArray()));
    };
    std::vector<double> leftKnots(UQ.begin(), UQ.begin() + k + r + 1);
    leftKnots.push_back(u);
    std::vector<double> rightKnots(p + 1, u);
    rightKnots.insert(rightKnots.end(), UQ.begin() + k + r + 1, UQ.end());
    return {make(0, split, leftKnots), make(split, static_cast<int>(Q.size()) - 1, rightKnots)};
}

namespace
{
std::vector<std::vector<NamedCurve>> namedLoops(const BoundaryLoop& outer,
                                                const std::vector<BoundaryLoop>& holes)
{
    std::vector<std::vector<NamedCurve>> loops;
    auto addLoop = [&loops](const BoundaryLoop& loop)
    {
        loops.emplace_back();
        for (const auto& c : loop.curves)
            loops.back().push_back({makeCurve(c), c.path + " (" + c.kind + ")"});
    };
    addLoop(outer);
    for (const auto& h : holes)
        addLoop(h);
    return loops;
}

/// Where a point lies: its loop and snapped position set in `bp`, and the parameter to cut its
/// nearest curve at, keyed by loop and curve, unless it lies at a curve end (already a vertex).
void placePoint(BoundaryPoint& bp, const std::vector<std::vector<NamedCurve>>& loops, double tolerance,
                const std::string& sourceName, std::map<std::pair<int, int>, std::vector<double>>& cuts)
{
    const OdGePoint3d p = to3d(bp.point);
    double best = HUGE_VAL;
    int bestLoop = -1, bestCurve = -1;
    double bestParam = 0.0;
    OdGePoint3d bestPoint;
    for (int l = 0; l < static_cast<int>(loops.size()); ++l)
        for (int c = 0; c < static_cast<int>(loops[l].size()); ++c)
        {
            const OdGeCurve3d& curve = *loops[l][c].curve;
            const double t = curve.paramOf(p);
            const OdGePoint3d q = curve.evalPoint(t);
            const double d = q.distanceTo(p);
            if (d < best)
            {
                best = d;
                bestLoop = l;
                bestCurve = c;
                bestParam = t;
                bestPoint = q;
            }
        }
    // Far enough away (beyond about 1e154) every distance overflows; no curve is nearest then.
    if (bestLoop < 0)
        throw InputError(sourceName + ": " + bp.path + ": " + formatPoint(bp.point, 9) +
                         " is not on the region's boundary; it lies too far from the region to measure");
    const NamedCurve& named = loops[bestLoop][bestCurve];
    if (best > tolerance)
        throw InputError(sourceName + ": " + bp.path + ": " + formatPoint(bp.point, 9) +
                         " is not on the region's boundary; the nearest boundary point is " +
                         formatPoint(bestPoint.convert2d(), 9) + " on " + named.name + ", " +
                         formatNumber(best, 3) + " away");
    bp.loop = bestLoop;
    OdGePoint3d start, end;
    named.curve->hasStartPoint(start);
    named.curve->hasEndPoint(end);
    if (start.distanceTo(p) <= tolerance && !named.curve->isClosed())
        bp.snapped = start.convert2d();
    else if (end.distanceTo(p) <= tolerance && !named.curve->isClosed())
        bp.snapped = end.convert2d();
    else if (start.distanceTo(p) <= tolerance)
        bp.snapped = start.convert2d(); // the start of a closed curve is already a vertex
    else
    {
        bp.snapped = bestPoint.convert2d();
        cuts[{bestLoop, bestCurve}].push_back(bestParam);
    }
}

std::vector<OdDbRegion::Loop> cutLoops(const std::vector<std::vector<NamedCurve>>& loops,
                                       const std::map<std::pair<int, int>, std::vector<double>>& cuts)
{
    std::vector<OdDbRegion::Loop> regionLoops;
    for (int l = 0; l < static_cast<int>(loops.size()); ++l)
    {
        OdDbRegion::Loop loop;
        for (int c = 0; c < static_cast<int>(loops[l].size()); ++c)
        {
            const auto it = cuts.find({l, c});
            if (it == cuts.end())
            {
                loop.push_back(loops[l][c].curve);
                continue;
            }
            for (const auto& piece : splitCurve(loops[l][c], it->second))
                loop.push_back(piece.curve);
        }
        regionLoops.push_back(std::move(loop));
    }
    return regionLoops;
}

/// Each point becomes exactly the start of a piece, the position the mesher gives its vertex (a
/// spline's cut point, for one, differs from the original curve's point there by round-off).
void snapToPieceStarts(std::vector<BoundaryPoint>& points, const std::vector<OdDbRegion::Loop>& regionLoops,
                       double tolerance)
{
    for (auto& bp : points)
    {
        double best = HUGE_VAL;
        OdGePoint2d nearest = bp.snapped;
        for (const auto& curve : regionLoops[bp.loop])
        {
            OdGePoint3d start;
            curve->hasStartPoint(start);
            const double d = start.convert2d().distanceTo(bp.snapped);
            if (d < best)
            {
                best = d;
                nearest = start.convert2d();
            }
        }
        if (best <= tolerance)
            bp.snapped = nearest;
    }
}
} // namespace

OdDbRegionPtr buildRegion(const BoundaryLoop& outer, const std::vector<BoundaryLoop>& holes,
                          std::vector<BoundaryPoint>& points, double tolerance, const std::string& sourceName)
{
    const std::vector<std::vector<NamedCurve>> loops = namedLoops(outer, holes);
    std::map<std::pair<int, int>, std::vector<double>> cuts;
    for (auto& bp : points)
        placePoint(bp, loops, tolerance, sourceName, cuts);
    const std::vector<OdDbRegion::Loop> regionLoops = cutLoops(loops, cuts);
    snapToPieceStarts(points, regionLoops, tolerance);

    OdDbRegionPtr region = OdDbRegion::createObject();
    if (region->setLoops(regionLoops) != eOk)
        throw InputError(sourceName +
                         ": region: " + std::string(OdAnsiString(OdDbRegion::describeLoops(regionLoops))));
    return region;
}
} // namespace cae_app
