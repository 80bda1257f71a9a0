#include "apps/file/Loops.h"

#include "apps/file/Format.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace cae_app
{
namespace
{
/// Largest angle between consecutive points when an arc is turned into a polyline: fine enough
/// that orientation and containment tests on the polyline agree with the arc.
constexpr double kArcStep = 5.0 * std::numbers::pi / 180.0;

OdGePoint2d arcPoint(const ArcCurve& arc, double angle)
{
    return OdGePoint2d(arc.center.x + arc.radius * std::cos(angle),
                       arc.center.y + arc.radius * std::sin(angle));
}

bool isWholeCircle(const BoundaryCurve& curve)
{
    const auto* arc = std::get_if<ArcCurve>(&curve.geometry);
    return arc && std::abs(arc->sweep) >= 2.0 * std::numbers::pi;
}

std::string describe(const BoundaryCurve& curve)
{
    return curve.path + " (" + curve.kind + ")";
}

/// Moves the start of `curve` onto `p`; false for an arc, whose ends follow from its centre.
bool moveStart(BoundaryCurve& curve, const OdGePoint2d& p)
{
    if (auto* line = std::get_if<LineCurve>(&curve.geometry))
    {
        line->from = p;
        return true;
    }
    if (auto* spline = std::get_if<SplineCurve>(&curve.geometry))
    {
        spline->fitPoints.front() = p;
        return true;
    }
    return false;
}

bool moveEnd(BoundaryCurve& curve, const OdGePoint2d& p)
{
    if (auto* line = std::get_if<LineCurve>(&curve.geometry))
    {
        line->to = p;
        return true;
    }
    if (auto* spline = std::get_if<SplineCurve>(&curve.geometry))
    {
        spline->fitPoints.back() = p;
        return true;
    }
    return false;
}

/// Makes the end of `a` and the start of `b` the same point when they lie within the tolerance.
/// Lines give way first (moving them changes nothing but their length), then splines.
void join(BoundaryCurve& a, BoundaryCurve& b, const std::string& loopPath)
{
    const OdGePoint2d e = endPoint(a);
    const OdGePoint2d s = startPoint(b);
    if (e.x == s.x && e.y == s.y)
        return;
    const bool aLine = std::holds_alternative<LineCurve>(a.geometry);
    const bool bLine = std::holds_alternative<LineCurve>(b.geometry);
    if (bLine && moveStart(b, e))
        return;
    if (aLine && moveEnd(a, s))
        return;
    if (moveStart(b, e) || moveEnd(a, s))
        return;
    // Two arcs: the gap is below the input precision but may be far above the geometry tolerance
    // the mesher chains curves with, so they cannot be trusted to meet.
    if (e.isEqualTo(s))
        return;
    throw InputError(
        loopPath + ": " + describe(a) + " ends at " + formatPoint(e, 12) + " and " + describe(b) +
        " starts at " + formatPoint(s, 12) + ", " + formatNumber(e.distanceTo(s), 3) +
        " apart: two arcs must meet exactly; adjust their centres or angles, or join them with a line");
}

bool insidePolygon(const std::vector<OdGePoint2d>& polygon, const OdGePoint2d& p)
{
    bool inside = false;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++)
    {
        const OdGePoint2d& a = polygon[i];
        const OdGePoint2d& b = polygon[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

std::vector<OdGePoint2d> loopPolygon(const BoundaryLoop& loop)
{
    std::vector<OdGePoint2d> points;
    for (const auto& c : loop.curves)
    {
        auto pts = polyline(c);
        points.insert(points.end(), pts.begin(), pts.end() - 1);
    }
    return points;
}

/// A point surely inside the loop's curves' region of influence: the middle of the first curve.
OdGePoint2d probe(const BoundaryLoop& loop)
{
    const auto pts = polyline(loop.curves.front());
    return pts[pts.size() / 2];
}
} // namespace

OdGePoint2d startPoint(const BoundaryCurve& curve)
{
    return std::visit(
        [](const auto& g) -> OdGePoint2d
        {
            using T = std::decay_t<decltype(g)>;
            if constexpr (std::is_same_v<T, LineCurve>)
                return g.from;
            else if constexpr (std::is_same_v<T, ArcCurve>)
                return arcPoint(g, g.startAngle);
            else
                return g.fitPoints.front();
        },
        curve.geometry);
}

OdGePoint2d endPoint(const BoundaryCurve& curve)
{
    return std::visit(
        [](const auto& g) -> OdGePoint2d
        {
            using T = std::decay_t<decltype(g)>;
            if constexpr (std::is_same_v<T, LineCurve>)
                return g.to;
            else if constexpr (std::is_same_v<T, ArcCurve>)
                return arcPoint(g, g.startAngle + g.sweep);
            else
                return g.fitPoints.back();
        },
        curve.geometry);
}

void reverse(BoundaryCurve& curve)
{
    std::visit(
        [](auto& g)
        {
            using T = std::decay_t<decltype(g)>;
            if constexpr (std::is_same_v<T, LineCurve>)
            {
                std::swap(g.from, g.to);
            }
            else if constexpr (std::is_same_v<T, ArcCurve>)
            {
                g.startAngle += g.sweep;
                g.sweep = -g.sweep;
            }
            else
            {
                // The interpolating spline is symmetric in its fit points (chord-length
                // parameters, the same end conditions at both ends), so this is the same curve.
                std::reverse(g.fitPoints.begin(), g.fitPoints.end());
            }
        },
        curve.geometry);
}

std::vector<OdGePoint2d> polyline(const BoundaryCurve& curve)
{
    return std::visit(
        [](const auto& g) -> std::vector<OdGePoint2d>
        {
            using T = std::decay_t<decltype(g)>;
            if constexpr (std::is_same_v<T, LineCurve>)
            {
                return {g.from, g.to};
            }
            else if constexpr (std::is_same_v<T, ArcCurve>)
            {
                const int n = std::max(2, static_cast<int>(std::ceil(std::abs(g.sweep) / kArcStep)));
                std::vector<OdGePoint2d> pts;
                for (int i = 0; i <= n; ++i)
                    pts.push_back(arcPoint(g, g.startAngle + g.sweep * i / n));
                return pts;
            }
            else
            {
                return g.fitPoints;
            }
        },
        curve.geometry);
}

double signedArea(const BoundaryLoop& loop)
{
    // Twice the area is the loop integral of x dy - y dx, summed curve by curve.
    double twice = 0.0;
    for (const auto& c : loop.curves)
    {
        if (const auto* arc = std::get_if<ArcCurve>(&c.geometry))
        {
            const double a0 = arc->startAngle, a1 = arc->startAngle + arc->sweep, r = arc->radius;
            twice += r * r * arc->sweep + r * (arc->center.x * (std::sin(a1) - std::sin(a0)) -
                                               arc->center.y * (std::cos(a1) - std::cos(a0)));
        }
        else
        {
            const auto pts = polyline(c);
            for (std::size_t i = 0; i + 1 < pts.size(); ++i)
                twice += pts[i].x * pts[i + 1].y - pts[i + 1].x * pts[i].y;
        }
    }
    return 0.5 * twice;
}

double regionSize(const BoundaryLoop& outer, const std::vector<BoundaryLoop>& holes)
{
    double minX = HUGE_VAL, minY = HUGE_VAL, maxX = -HUGE_VAL, maxY = -HUGE_VAL;
    auto add = [&](const OdGePoint2d& p, double r)
    {
        minX = std::min(minX, p.x - r);
        minY = std::min(minY, p.y - r);
        maxX = std::max(maxX, p.x + r);
        maxY = std::max(maxY, p.y + r);
    };
    auto addLoop = [&](const BoundaryLoop& loop)
    {
        for (const auto& c : loop.curves)
        {
            if (const auto* arc = std::get_if<ArcCurve>(&c.geometry))
                add(arc->center, arc->radius);
            else
                for (const auto& p : polyline(c))
                    add(p, 0.0);
        }
    };
    addLoop(outer);
    for (const auto& h : holes)
        addLoop(h);
    return maxX >= minX ? std::hypot(maxX - minX, maxY - minY) : 0.0;
}

void closeLoop(BoundaryLoop& loop, double tol)
{
    auto& curves = loop.curves;
    const std::size_t n = curves.size();
    if (n == 1)
    {
        const OdGePoint2d s = startPoint(curves[0]), e = endPoint(curves[0]);
        if (!isWholeCircle(curves[0]) && s.distanceTo(e) > tol)
            throw InputError(loop.path + ": the loop is open: its only curve " + describe(curves[0]) +
                             " runs from " + formatPoint(s) + " to " + formatPoint(e) +
                             "; a loop of one curve must be a circle or a spline ending where it starts");
        if (!isWholeCircle(curves[0]))
            join(curves[0], curves[0], loop.path);
        return;
    }
    for (const auto& c : curves)
        if (isWholeCircle(c))
            throw InputError(loop.path + ": " + describe(c) +
                             " is closed by itself, so it must be the only curve of its loop");

    // The first curve's direction is the one that lets the second curve continue it.
    {
        const OdGePoint2d s0 = startPoint(curves[0]), e0 = endPoint(curves[0]);
        const OdGePoint2d s1 = startPoint(curves[1]), e1 = endPoint(curves[1]);
        const double forward = std::min(e0.distanceTo(s1), e0.distanceTo(e1));
        const double backward = std::min(s0.distanceTo(s1), s0.distanceTo(e1));
        if (forward > tol && backward > tol)
            throw InputError(loop.path + ": the loop is open between " + describe(curves[0]) + " and " +
                             describe(curves[1]) + ": their nearest ends are " +
                             formatNumber(std::min(forward, backward)) + " apart (" + describe(curves[0]) +
                             " runs " + formatPoint(s0) + " to " + formatPoint(e0) + ", " +
                             describe(curves[1]) + " runs " + formatPoint(s1) + " to " + formatPoint(e1) +
                             ")");
        if (forward > tol)
            reverse(curves[0]);
    }
    for (std::size_t i = 1; i < n; ++i)
    {
        const OdGePoint2d e = endPoint(curves[i - 1]);
        const OdGePoint2d s = startPoint(curves[i]), t = endPoint(curves[i]);
        if (e.distanceTo(s) > tol)
        {
            if (e.distanceTo(t) > tol)
                throw InputError(loop.path + ": the loop is open between " + describe(curves[i - 1]) +
                                 " and " + describe(curves[i]) + ": " + describe(curves[i - 1]) +
                                 " ends at " + formatPoint(e) + " but " + describe(curves[i]) +
                                 " runs from " + formatPoint(s) + " to " + formatPoint(t) + " (gap " +
                                 formatNumber(std::min(e.distanceTo(s), e.distanceTo(t))) + ")");
            reverse(curves[i]);
        }
    }
    const OdGePoint2d last = endPoint(curves[n - 1]), first = startPoint(curves[0]);
    if (last.distanceTo(first) > tol)
        throw InputError(loop.path + ": the loop does not close: " + describe(curves[n - 1]) + " ends at " +
                         formatPoint(last) + " but " + describe(curves[0]) + " starts at " +
                         formatPoint(first) + " (gap " + formatNumber(last.distanceTo(first)) + ")");
    for (std::size_t i = 1; i < n; ++i)
        join(curves[i - 1], curves[i], loop.path);
    join(curves[n - 1], curves[0], loop.path);
}

void orient(BoundaryLoop& loop, bool counterClockwise)
{
    if ((signedArea(loop) > 0.0) == counterClockwise)
        return;
    std::reverse(loop.curves.begin(), loop.curves.end());
    for (auto& c : loop.curves)
        reverse(c);
}

void prepareLoops(BoundaryLoop& outer, std::vector<BoundaryLoop>& holes, const std::string& sourceName)
{
    try
    {
        const double tol = kJoinPrecision * regionSize(outer, holes);
        closeLoop(outer, tol);
        orient(outer, true);
        for (auto& h : holes)
        {
            closeLoop(h, tol);
            orient(h, false);
        }
        if (std::abs(signedArea(outer)) <= 0.0)
            throw InputError(outer.path + ": the loop encloses no area");
        const auto outerPolygon = loopPolygon(outer);
        for (std::size_t i = 0; i < holes.size(); ++i)
        {
            if (!insidePolygon(outerPolygon, probe(holes[i])))
                throw InputError(holes[i].path + ": the hole is not inside the outer loop");
            for (std::size_t j = 0; j < holes.size(); ++j)
                if (j != i && insidePolygon(loopPolygon(holes[j]), probe(holes[i])))
                    throw InputError(holes[i].path + ": the hole lies inside another hole, " + holes[j].path);
        }
    }
    catch (const InputError& e)
    {
        throw InputError(sourceName + ": " + e.what());
    }
}
} // namespace cae_app
