#include "apps/file/Loops.h"

#include "apps/file/Format.h"

#include "cdt/Predicates.h"
#include "platform/ge/GeNurbCurve3d.h"
#include "platform/ge/GeUtils.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <optional>
#include <tuple>

namespace cae_app
{
namespace
{
/// Largest angle between consecutive points when an arc is turned into a polyline: fine enough
/// that orientation and containment tests on the polyline agree with the arc.
constexpr double kArcStep = 5.0 * std::numbers::pi / 180.0;

/// The shortest curve accepted, in join tolerances: a curve only a few tolerances long could have
/// its ends, or a load's ends on it, merged into one point.
constexpr double kSmallestFeature = 10.0;

OdGePoint2d arcPoint(const ArcCurve& arc, double angle)
{
    return OdGePoint2d(arc.center.x + arc.radius * std::cos(angle),
                       arc.center.y + arc.radius * std::sin(angle));
}

OdGePoint2d ellipsePoint(const EllipseCurve& e, double angle)
{
    const OdGeVector2d minor(-e.majorAxis.y * e.ratio, e.majorAxis.x * e.ratio);
    return e.center + e.majorAxis * std::cos(angle) + minor * std::sin(angle);
}

/// Polyline points per knot span of a NURBS curve: enough for orientation and containment, and
/// the starting chords of the finer checks between boundaries.
constexpr int kNurbsSamplesPerSpan = 8;

/// The parameters of a NURBS curve's polyline points, from its start to its end.
std::vector<double> nurbsParameters(const NurbsCurve& nurbs)
{
    const std::size_t p = static_cast<std::size_t>(nurbs.degree), n = nurbs.controlPoints.size();
    std::vector<double> t{nurbs.knots[p]};
    for (std::size_t i = p; i < n; ++i)
    {
        const double a = nurbs.knots[i], b = nurbs.knots[i + 1];
        if (b <= a)
            continue;
        for (int k = 1; k <= kNurbsSamplesPerSpan; ++k)
            t.push_back(k == kNurbsSamplesPerSpan ? b : a + (b - a) * k / kNurbsSamplesPerSpan);
    }
    return t;
}

int ellipseSteps(const EllipseCurve& e)
{
    return std::max(2, static_cast<int>(std::ceil(std::abs(e.sweep) / kArcStep)));
}

/// Whole circles and whole ellipses: closed by themselves, with ends that cannot move.
bool isWholeCircle(const BoundaryCurve& curve)
{
    if (const auto* ellipse = std::get_if<EllipseCurve>(&curve.geometry))
        return std::abs(ellipse->sweep) >= 2.0 * std::numbers::pi;
    const auto* arc = std::get_if<ArcCurve>(&curve.geometry);
    return arc && std::abs(arc->sweep) >= 2.0 * std::numbers::pi;
}

std::string describe(const BoundaryCurve& curve)
{
    return curve.path + " (" + curve.kind + ")";
}

/// Moves the start of `curve` (or its end) onto `p`; false for an arc, whose ends follow from its centre.
bool moveEndPoint(BoundaryCurve& curve, bool start, const OdGePoint2d& p)
{
    const auto end = [&](std::vector<OdGePoint2d>& points) -> OdGePoint2d&
    { return start ? points.front() : points.back(); };
    if (auto* line = std::get_if<LineCurve>(&curve.geometry))
        (start ? line->from : line->to) = p;
    else if (auto* spline = std::get_if<SplineCurve>(&curve.geometry))
        end(spline->fitPoints) = p;
    else if (auto* nurbs = std::get_if<NurbsCurve>(&curve.geometry))
        end(nurbs->controlPoints) = p;
    else
        return false;
    return true;
}

bool moveStart(BoundaryCurve& curve, const OdGePoint2d& p)
{
    return moveEndPoint(curve, true, p);
}

bool moveEnd(BoundaryCurve& curve, const OdGePoint2d& p)
{
    return moveEndPoint(curve, false, p);
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
    // Two arcs or ellipses: the gap is below the input precision but may be far above the geometry tolerance
    // the mesher chains curves with, so they cannot be trusted to meet.
    if (e.isEqualTo(s))
        return;
    throw InputError(
        loopPath + ": " + describe(a) + " ends at " + formatPoint(e, 12) + " and " + describe(b) +
        " starts at " + formatPoint(s, 12) + ", " + formatNumber(e.distanceTo(s), 3) + " apart: " +
        (std::holds_alternative<ArcCurve>(a.geometry) && std::holds_alternative<ArcCurve>(b.geometry)
             ? "two arcs"
             : "arcs and ellipses") +
        " must meet exactly; adjust their centres or angles, or join them with a line");
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

/// A straight piece of a loop's polygon.
struct Segment
{
    OdGePoint2d a, b;
    /// 0 for the outer loop, then 1 + the hole's index.
    std::size_t loop;
    /// The curve of the loop it belongs to, and its position along the loop's polygon.
    std::size_t curve = 0, index = 0;
    /// The stretch of the curve the chord a b stands for: the curve's parameters at a and at b
    /// (angles of an arc, the spline's own parameters), and how far the curve may stray from the chord.
    double t0 = 0.0, t1 = 1.0, bulge = 0.0;
};

/// Points and chord deviations of the true curves, so that two boundaries passing closer than the
/// tolerance between the points of their polygons are found too.
class TrueCurve
{
public:
    explicit TrueCurve(const BoundaryCurve& curve) : m_curve(curve)
    {
        if (const auto* spline = std::get_if<SplineCurve>(&curve.geometry))
        {
            // The curve the region builder makes of the fit points, with the same parameters.
            OdGePoint3dArray fit;
            for (const auto& p : spline->fitPoints)
                fit.append(OdGePoint3d(p.x, p.y, 0.0));
            m_spline = std::make_unique<OdGeNurbCurve3d>(fit);
        }
        else if (const auto* nurbs = std::get_if<NurbsCurve>(&curve.geometry))
        {
            m_spline = std::make_unique<OdGeNurbCurve3d>(nurbsOf(*nurbs));
            m_cubic = false;
        }
    }

    /// The parameters of the curve's polyline points, in order: the angles of an arc, the spline's
    /// chord-length parameters at its fit points, 0 and 1 along a line.
    std::vector<double> polylineParameters(std::size_t count) const
    {
        std::vector<double> t(count, 0.0);
        if (const auto* arc = std::get_if<ArcCurve>(&m_curve.geometry))
            for (std::size_t i = 0; i < count; ++i)
                t[i] = arc->startAngle + arc->sweep * static_cast<double>(i) / static_cast<double>(count - 1);
        else if (const auto* spline = std::get_if<SplineCurve>(&m_curve.geometry))
            for (std::size_t i = 1; i < count; ++i)
                t[i] = t[i - 1] + spline->fitPoints[i].distanceTo(spline->fitPoints[i - 1]);
        else if (const auto* ellipse = std::get_if<EllipseCurve>(&m_curve.geometry))
            for (std::size_t i = 0; i < count; ++i)
                t[i] = ellipse->startParam +
                       ellipse->sweep * static_cast<double>(i) / static_cast<double>(count - 1);
        else if (const auto* nurbs = std::get_if<NurbsCurve>(&m_curve.geometry))
            t = nurbsParameters(*nurbs);
        else
            t.back() = 1.0;
        return t;
    }

    OdGePoint2d at(double t) const
    {
        if (const auto* arc = std::get_if<ArcCurve>(&m_curve.geometry))
            return arcPoint(*arc, t);
        if (const auto* ellipse = std::get_if<EllipseCurve>(&m_curve.geometry))
            return ellipsePoint(*ellipse, t);
        if (m_spline)
        {
            const OdGePoint3d p = m_spline->evalPoint(t);
            return OdGePoint2d(p.x, p.y);
        }
        const auto& line = std::get<LineCurve>(m_curve.geometry);
        return line.from + (line.to - line.from) * t;
    }

    /// How far the curve between t0 and t1 can be from the chord between its ends. An arc strays by
    /// its sagitta; a cubic span by at most (t1 - t0)^2 / 8 times its largest second derivative,
    /// which, being linear along the span, is largest at an end.
    double bulge(double t0, double t1) const
    {
        if (const auto* arc = std::get_if<ArcCurve>(&m_curve.geometry))
            return arc->radius * (1.0 - std::cos(0.5 * std::abs(t1 - t0)));
        const double h = t1 - t0;
        // The second derivative of an ellipse is the point's offset from the centre, at most the
        // major radius long.
        if (const auto* ellipse = std::get_if<EllipseCurve>(&m_curve.geometry))
            return 0.125 * h * h * ellipse->majorAxis.length();
        if (!m_spline)
            return 0.0;
        if (m_cubic)
        {
            OdGeVector3dArray d0, d1;
            m_spline->evalPoint(t0, 2, d0);
            m_spline->evalPoint(t1, 2, d1);
            return 0.125 * h * h * std::max(d0[1].length(), d1[1].length());
        }
        // Rational or higher-degree spans have no linear second derivative: its largest value among
        // a few samples, doubled, bounds it for spans as short as the halving makes them.
        double most = 0.0;
        for (int k = 0; k <= kSecondDerivativeSamples; ++k)
        {
            OdGeVector3dArray d;
            m_spline->evalPoint(t0 + h * k / kSecondDerivativeSamples, 2, d);
            most = std::max(most, d[1].length());
        }
        return 0.25 * h * h * most;
    }

private:
    static constexpr int kSecondDerivativeSamples = 4;

    const BoundaryCurve& m_curve;
    std::unique_ptr<OdGeNurbCurve3d> m_spline;
    /// A cubic spline through fit points, whose second derivative is linear along each span.
    bool m_cubic = true;
};

/// Where two loops, or two curves of one loop, meet.
struct Meeting
{
    std::size_t loopA, curveA, loopB, curveB;
    OdGePoint2d at;
    /// The boundaries cross there, rather than only touch.
    bool crossing;
};

/// Twice the signed area of (a, b, c): positive when c lies left of a -> b.
double cross(const OdGePoint2d& a, const OdGePoint2d& b, const OdGePoint2d& c)
{
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

/// The side of a -> b that c lies on, exactly: a rounded cross product can put a vertex a hair from
/// another boundary on its wrong side and so miss, or invent, a crossing.
CDT::PtLineLocation side(const OdGePoint2d& a, const OdGePoint2d& b, const OdGePoint2d& c)
{
    return CDT::locatePointLine({c.x, c.y}, {a.x, a.y}, {b.x, b.y});
}

bool oppositeSides(const OdGePoint2d& a, const OdGePoint2d& b, const OdGePoint2d& p, const OdGePoint2d& q)
{
    const auto sp = side(a, b, p), sq = side(a, b, q);
    return sp != CDT::PtLineLocation::OnLine && sq != CDT::PtLineLocation::OnLine && sp != sq;
}

/// Whether each segment's ends lie strictly on both sides of the other.
bool crosses(const Segment& s, const Segment& t)
{
    return oppositeSides(s.a, s.b, t.a, t.b) && oppositeSides(t.a, t.b, s.a, s.b);
}

double distanceToSegment(const OdGePoint2d& p, const Segment& s)
{
    const OdGeVector2d d = s.b - s.a;
    const double len2 = d.x * d.x + d.y * d.y;
    const double t =
        len2 > 0.0 ? std::clamp(((p.x - s.a.x) * d.x + (p.y - s.a.y) * d.y) / len2, 0.0, 1.0) : 0.0;
    return p.distanceTo(s.a + d * t);
}

/// Where two segments of different loops meet: crossing (each one's ends strictly on both sides
/// of the other), or touching (within `tol` of each other). Empty when they stay apart.
std::optional<std::pair<OdGePoint2d, bool>> meeting(const Segment& s, const Segment& t, double tol)
{
    if (crosses(s, t))
    {
        // The rounded areas only place the point; near a degenerate crossing they may even agree in sign.
        const double d3 = cross(t.a, t.b, s.a), d4 = cross(t.a, t.b, s.b);
        const double f = d3 != d4 ? std::clamp(d3 / (d3 - d4), 0.0, 1.0) : 0.5;
        return std::pair{s.a + (s.b - s.a) * f, true};
    }
    if (distanceToSegment(t.a, s) <= tol)
        return std::pair{t.a, false};
    if (distanceToSegment(t.b, s) <= tol)
        return std::pair{t.b, false};
    if (distanceToSegment(s.a, t) <= tol)
        return std::pair{s.a, false};
    if (distanceToSegment(s.b, t) <= tol)
        return std::pair{s.b, false};
    return std::nullopt;
}

/// The shortest distance between two segments (0 when they cross).
double segmentDistance(const Segment& s, const Segment& t)
{
    if (crosses(s, t))
        return 0.0;
    return std::min({distanceToSegment(t.a, s), distanceToSegment(t.b, s), distanceToSegment(s.a, t),
                     distanceToSegment(s.b, t)});
}

/// Chords that stray from their curves by together less than this share of the tolerance are judged
/// as the curves themselves.
constexpr double kBulgeShareOfTolerance = 0.25;
/// Halvings of a chord before it is judged as it is: far more than any curve of a few thousand
/// tolerances' length needs.
constexpr int kMostHalvings = 60;

/// Where the true curves behind two chords of different loops meet (see meeting()): chords that
/// could stand for curves within `tol` of each other are halved, the one straying more first,
/// until they stand for their curves closely enough.
std::optional<std::pair<OdGePoint2d, bool>> curvesMeeting(const Segment& s, const Segment& t,
                                                          const TrueCurve& sCurve, const TrueCurve& tCurve,
                                                          double tol, int halvings = 0)
{
    if (s.bulge + t.bulge <= kBulgeShareOfTolerance * tol || halvings >= kMostHalvings)
        return meeting(s, t, tol);
    if (segmentDistance(s, t) > tol + s.bulge + t.bulge)
        return std::nullopt;
    const bool splitS = s.bulge >= t.bulge;
    const Segment& whole = splitS ? s : t;
    const TrueCurve& curve = splitS ? sCurve : tCurve;
    const double mid = 0.5 * (whole.t0 + whole.t1);
    const OdGePoint2d m = curve.at(mid);
    Segment first = whole, second = whole;
    first.b = second.a = m;
    first.t1 = second.t0 = mid;
    first.bulge = curve.bulge(first.t0, first.t1);
    second.bulge = curve.bulge(second.t0, second.t1);
    for (const Segment& half : {first, second})
        if (const auto found = splitS ? curvesMeeting(half, t, sCurve, tCurve, tol, halvings + 1)
                                      : curvesMeeting(s, half, sCurve, tCurve, tol, halvings + 1))
            return found;
    return std::nullopt;
}

/// The platform's ray test's answers for a point clear of the boundary (farther than its tolerance).
constexpr int kOutsidePolygon = 0;
constexpr int kInsidePolygon = 1;

int classify(const OdGePoint2d& p, const std::vector<OdGePoint2d>& polygon, const OdGeTol& tol)
{
    return OdGeUtils::classifyPointPolygonRayTest(p, polygon.data(), static_cast<int>(polygon.size()), tol);
}

/// Whether some vertex of polygon `a` lies inside polygon `b` (`inside`) or outside it
/// (`!inside`), farther than `tol` from its boundary.
bool hasVertexBeyond(const std::vector<OdGePoint2d>& a, const std::vector<OdGePoint2d>& b, bool inside,
                     double tol)
{
    const int beyond = inside ? kInsidePolygon : kOutsidePolygon;
    return std::any_of(a.begin(), a.end(),
                       [&](const OdGePoint2d& p) { return classify(p, b, OdGeTol(tol)) == beyond; });
}

/// Whether `p` lies inside `polygon` (even-odd rule).
bool insidePolygon(const std::vector<OdGePoint2d>& polygon, const OdGePoint2d& p)
{
    return classify(p, polygon, OdGeTol(0.0)) == kInsidePolygon;
}

/// Items binned into the cells of a uniform grid by their boxes, in compressed rows.
class BoxGrid
{
public:
    struct Box
    {
        double x0, y0, x1, y1;
    };

    /// A grid over `lo`..`hi` with cells of about `cell`, holding each of `boxes` in every cell it overlaps.
    BoxGrid(const OdGePoint2d& lo, const OdGePoint2d& hi, double cell, const std::vector<Box>& boxes)
        : m_lo(lo), m_cell(cell)
    {
        if (!(m_cell > 0.0) || !std::isfinite(m_cell))
            m_cell = HUGE_VAL; // a single point, or coordinates whose area overflows: one cell
        m_columns = std::isfinite(m_cell) ? static_cast<std::size_t>((hi.x - lo.x) / m_cell) + 1 : 1;
        m_rows = std::isfinite(m_cell) ? static_cast<std::size_t>((hi.y - lo.y) / m_cell) + 1 : 1;
        m_start.assign(m_columns * m_rows + 1, 0);
        auto visit = [&](const Box& b, auto&& f)
        {
            for (std::size_t j = row(b.y0); j <= row(b.y1); ++j)
                for (std::size_t i = column(b.x0); i <= column(b.x1); ++i)
                    f(j * m_columns + i);
        };
        for (const auto& b : boxes)
            visit(b, [&](std::size_t c) { ++m_start[c + 1]; });
        for (std::size_t c = 0; c + 1 < m_start.size(); ++c)
            m_start[c + 1] += m_start[c];
        m_items.resize(m_start.back());
        std::vector<std::size_t> fill(m_start.begin(), m_start.end() - 1);
        for (std::size_t k = 0; k < boxes.size(); ++k)
            visit(boxes[k], [&](std::size_t c) { m_items[fill[c]++] = k; });
    }

    std::size_t cellCount() const { return m_columns * m_rows; }
    /// The items of cell `c`, ascending.
    std::pair<const std::size_t*, const std::size_t*> cell(std::size_t c) const
    {
        return {m_items.data() + m_start[c], m_items.data() + m_start[c + 1]};
    }
    std::size_t cellOf(const OdGePoint2d& p) const { return row(p.y) * m_columns + column(p.x); }

private:
    std::size_t column(double x) const
    {
        return std::min(m_columns - 1, static_cast<std::size_t>(std::max(0.0, (x - m_lo.x) / m_cell)));
    }
    std::size_t row(double y) const
    {
        return std::min(m_rows - 1, static_cast<std::size_t>(std::max(0.0, (y - m_lo.y) / m_cell)));
    }

    OdGePoint2d m_lo;
    double m_cell;
    std::size_t m_columns = 1, m_rows = 1;
    std::vector<std::size_t> m_start;
    std::vector<std::size_t> m_items;
};

/// The polygons of all loops with two grids, one of their segments and one of the holes' boxes,
/// so that only segments sharing a cell are compared and a point is tested only against the holes
/// whose boxes hold it: the checks between loops cost about the number of segments instead of
/// its square.
class LoopRelations
{
public:
    LoopRelations(const BoundaryLoop& outer, const std::vector<BoundaryLoop>& holes, double tol) : m_tol(tol)
    {
        std::vector<BoxGrid::Box> segmentBoxes, holeBoxes;
        for (std::size_t l = 0; l <= holes.size(); ++l)
        {
            const BoundaryLoop& loop = l == 0 ? outer : holes[l - 1];
            std::vector<OdGePoint2d> polygon;
            std::vector<std::size_t> curveOf;
            std::vector<double> parameters, ends;
            m_curves.emplace_back();
            for (std::size_t c = 0; c < loop.curves.size(); ++c)
            {
                const auto pts = polyline(loop.curves[c]);
                m_curves.back().push_back(std::make_unique<TrueCurve>(loop.curves[c]));
                const auto t = m_curves.back().back()->polylineParameters(pts.size());
                polygon.insert(polygon.end(), pts.begin(), pts.end() - 1);
                curveOf.insert(curveOf.end(), pts.size() - 1, c);
                parameters.insert(parameters.end(), t.begin(), t.end() - 1);
                ends.push_back(t.back());
            }
            BoxGrid::Box hull{HUGE_VAL, HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
            for (std::size_t i = 0; i < polygon.size(); ++i)
            {
                const std::size_t c = curveOf[i];
                const bool lastOfCurve = i + 1 == polygon.size() || curveOf[i + 1] != c;
                const double t1 = lastOfCurve ? ends[c] : parameters[i + 1];
                Segment s{polygon[i], polygon[(i + 1) % polygon.size()], l, c, i, parameters[i], t1, 0.0};
                s.bulge = m_curves.back()[c]->bulge(s.t0, s.t1);
                m_segments.push_back(s);
                const double reach = tol + s.bulge;
                segmentBoxes.push_back({std::min(s.a.x, s.b.x) - reach, std::min(s.a.y, s.b.y) - reach,
                                        std::max(s.a.x, s.b.x) + reach, std::max(s.a.y, s.b.y) + reach});
                hull = {std::min(hull.x0, s.a.x), std::min(hull.y0, s.a.y), std::max(hull.x1, s.a.x),
                        std::max(hull.y1, s.a.y)};
            }
            m_sizes.push_back(polygon.size());
            m_polygons.push_back(std::move(polygon));
            if (l > 0)
                holeBoxes.push_back(hull);
            else
                m_extent = hull;
        }
        // About one segment per cell; a long thin region gets one row of many cells.
        const OdGePoint2d lo(m_extent.x0, m_extent.y0), hi(m_extent.x1, m_extent.y1);
        const double width = hi.x - lo.x, height = hi.y - lo.y;
        const double n = static_cast<double>(m_segments.size());
        m_segmentGrid.emplace(lo, hi, std::max({std::sqrt(width * height / n), width / n, height / n}),
                              segmentBoxes);
        const double holeCount = std::max(1.0, static_cast<double>(holes.size()));
        m_holeGrid.emplace(
            lo, hi, std::max({std::sqrt(width * height / holeCount), width / holeCount, height / holeCount}),
            holeBoxes);
        m_holeBoxes = std::move(holeBoxes);
    }

    /// The first place where two loops meet, or two curves of one loop cross.
    std::optional<Meeting> firstMeeting() const
    {
        for (std::size_t c = 0; c < m_segmentGrid->cellCount(); ++c)
        {
            const auto [first, last] = m_segmentGrid->cell(c);
            for (auto i = first; i != last; ++i)
                for (auto j = i + 1; j != last; ++j)
                {
                    const Segment& s = m_segments[*i];
                    const Segment& t = m_segments[*j];
                    if (s.loop == t.loop)
                    {
                        // Neighbours along the loop share a point; others must not cross.
                        const std::size_t n = m_sizes[s.loop];
                        if ((s.index + 1) % n == t.index || (t.index + 1) % n == s.index)
                            continue;
                        if (const auto m = meeting(s, t, 0.0); m && m->second)
                            return Meeting{s.loop, s.curve, t.loop, t.curve, m->first, true};
                        continue;
                    }
                    if (const auto m = curvesMeeting(s, t, *m_curves[s.loop][s.curve],
                                                     *m_curves[t.loop][t.curve], m_tol))
                    {
                        const bool sFirst = s.loop < t.loop;
                        const Segment& a = sFirst ? s : t;
                        const Segment& b = sFirst ? t : s;
                        return Meeting{a.loop, a.curve, b.loop, b.curve, m->first, m->second};
                    }
                }
        }
        return std::nullopt;
    }

    /// The loops whose polygons enclose `p` (0 for the outer one, 1 + the index of a hole),
    /// ascending, `self` left out.
    std::vector<std::size_t> enclosing(const OdGePoint2d& p, std::size_t self) const
    {
        std::vector<std::size_t> loops;
        if (insidePolygon(m_polygons[0], p))
            loops.push_back(0);
        const auto [first, last] = m_holeGrid->cell(m_holeGrid->cellOf(p));
        for (auto h = first; h != last; ++h)
        {
            const auto& b = m_holeBoxes[*h];
            if (*h + 1 != self && p.x >= b.x0 && p.x <= b.x1 && p.y >= b.y0 && p.y <= b.y1 &&
                insidePolygon(m_polygons[*h + 1], p))
                loops.push_back(*h + 1);
        }
        return loops;
    }

private:
    double m_tol;
    /// Per loop, the true curves behind its polygon.
    std::vector<std::vector<std::unique_ptr<TrueCurve>>> m_curves;
    std::vector<std::vector<OdGePoint2d>> m_polygons;
    std::vector<std::size_t> m_sizes;
    std::vector<Segment> m_segments;
    BoxGrid::Box m_extent{};
    std::vector<BoxGrid::Box> m_holeBoxes;
    std::optional<BoxGrid> m_segmentGrid, m_holeGrid;
};

/// Refuses a curve too short to be told apart from a point at the loops' precision `tol`.
void checkFeatureSizes(const BoundaryLoop& loop, double tol, double size)
{
    for (const auto& c : loop.curves)
    {
        const auto pts = polyline(c);
        double length = 0.0;
        for (std::size_t i = 0; i + 1 < pts.size(); ++i)
            length += pts[i].distanceTo(pts[i + 1]);
        if (length < kSmallestFeature * tol)
            throw InputError(loop.path + ": " + describe(c) + " is only " + formatNumber(length, 3) +
                             " long, too small beside the region's size of " + formatNumber(size, 3) +
                             ": points closer than " + formatNumber(tol, 3) + " (" +
                             formatNumber(kJoinPrecision) +
                             " of that size) count as one, so a curve must be at least " +
                             formatNumber(kSmallestFeature * tol, 3) + " long");
    }
}
} // namespace

OdGeNurbCurve3d nurbsOf(const NurbsCurve& nurbs)
{
    OdGeDoubleArray knots, weights;
    OdGePoint3dArray points;
    for (const double k : nurbs.knots)
        knots.append(k);
    for (const double w : nurbs.weights)
        weights.append(w);
    for (const auto& p : nurbs.controlPoints)
        points.append(OdGePoint3d(p.x, p.y, 0.0));
    return OdGeNurbCurve3d(nurbs.degree, OdGeKnotVector(knots), points, weights);
}

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
            else if constexpr (std::is_same_v<T, EllipseCurve>)
                return ellipsePoint(g, g.startParam);
            else if constexpr (std::is_same_v<T, NurbsCurve>)
                return g.controlPoints.front();
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
            else if constexpr (std::is_same_v<T, EllipseCurve>)
                return ellipsePoint(g, g.startParam + g.sweep);
            else if constexpr (std::is_same_v<T, NurbsCurve>)
                return g.controlPoints.back();
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
            else if constexpr (std::is_same_v<T, EllipseCurve>)
            {
                g.startParam += g.sweep;
                g.sweep = -g.sweep;
            }
            else if constexpr (std::is_same_v<T, NurbsCurve>)
            {
                // The knots mirrored within their range keep every span's shape.
                std::reverse(g.controlPoints.begin(), g.controlPoints.end());
                std::reverse(g.weights.begin(), g.weights.end());
                const double sum = g.knots.front() + g.knots.back();
                std::reverse(g.knots.begin(), g.knots.end());
                for (double& k : g.knots)
                    k = sum - k;
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
            else if constexpr (std::is_same_v<T, EllipseCurve>)
            {
                const int n = ellipseSteps(g);
                std::vector<OdGePoint2d> pts;
                for (int i = 0; i <= n; ++i)
                    pts.push_back(ellipsePoint(g, g.startParam + g.sweep * i / n));
                return pts;
            }
            else if constexpr (std::is_same_v<T, NurbsCurve>)
            {
                const OdGeNurbCurve3d curve = nurbsOf(g);
                const auto t = nurbsParameters(g);
                std::vector<OdGePoint2d> pts;
                for (const double u : t)
                    pts.push_back(curve.evalPoint(u).convert2d());
                // The ends exactly, so that joined curves meet in the polygon too.
                pts.front() = g.controlPoints.front();
                pts.back() = g.controlPoints.back();
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
            else if (const auto* ellipse = std::get_if<EllipseCurve>(&c.geometry))
                add(ellipse->center, ellipse->majorAxis.length());
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
        const double size = regionSize(outer, holes);
        const double tol = kJoinPrecision * size;
        closeLoop(outer, tol);
        orient(outer, true);
        for (auto& h : holes)
        {
            closeLoop(h, tol);
            orient(h, false);
        }
        if (std::abs(signedArea(outer)) <= 0.0)
            throw InputError(outer.path + ": the loop encloses no area");
        checkFeatureSizes(outer, tol, size);
        for (const auto& h : holes)
            checkFeatureSizes(h, tol, size);

        // The grids of the checks between loops are laid over the outer loop; a hole whose box lies
        // apart from the outer loop's box would land in their border cells, where all such holes are
        // compared with each other. It cannot be inside anyway.
        const auto box = [](const std::vector<OdGePoint2d>& points)
        {
            OdGePoint2d lo(HUGE_VAL, HUGE_VAL), hi(-HUGE_VAL, -HUGE_VAL);
            for (const auto& p : points)
            {
                lo.set(std::min(lo.x, p.x), std::min(lo.y, p.y));
                hi.set(std::max(hi.x, p.x), std::max(hi.y, p.y));
            }
            return std::pair(lo, hi);
        };
        const auto [outerLo, outerHi] = box(loopPolygon(outer));
        for (const auto& h : holes)
        {
            const auto [lo, hi] = box(loopPolygon(h));
            if (lo.x > outerHi.x + tol || hi.x < outerLo.x - tol || lo.y > outerHi.y + tol ||
                hi.y < outerLo.y - tol)
                throw InputError(h.path + ": the hole is not inside the outer loop");
        }

        const LoopRelations grid(outer, holes, tol);
        auto name = [&](std::size_t loop) { return loop == 0 ? outer.path : holes[loop - 1].path; };
        if (const auto m = grid.firstMeeting())
        {
            // Boundaries that cross at a vertex of both polygons meet without a proper crossing;
            // a vertex on the wrong side tells overlapping loops from touching ones.
            const auto& [a, curveA, b, curveB, at, crossing] = *m;
            const BoundaryLoop& loopA = a == 0 ? outer : holes[a - 1];
            if (a == b)
                throw InputError(loopA.path + ": " + describe(loopA.curves[std::min(curveA, curveB)]) +
                                 " and " + describe(loopA.curves[std::max(curveA, curveB)]) + " cross at " +
                                 formatPoint(at) + "; a loop must not cross itself");
            // Boundaries that cross at a vertex of both polygons meet without a proper crossing;
            // a vertex on the wrong side tells overlapping loops from touching ones.
            const auto pa = loopPolygon(loopA);
            const auto pb = loopPolygon(holes[b - 1]);
            if (a == 0)
                throw InputError(name(b) + ": the hole " +
                                 (crossing || hasVertexBeyond(pb, pa, false, tol) ? "crosses" : "touches") +
                                 " the outer loop " + name(a) + " at " + formatPoint(at) +
                                 "; a hole must lie inside it without touching it");
            const bool overlap =
                crossing || hasVertexBeyond(pa, pb, true, tol) || hasVertexBeyond(pb, pa, true, tol);
            throw InputError(name(a) + " and " + name(b) +
                             (overlap ? " overlap: their boundaries cross at " : " touch at ") +
                             formatPoint(at) + "; holes must lie apart");
        }
        // No boundaries meet, so one point of each hole tells where the whole hole lies.
        for (std::size_t h = 0; h < holes.size(); ++h)
        {
            const auto around = grid.enclosing(probe(holes[h]), h + 1);
            if (around.empty() || around.front() != 0)
                throw InputError(holes[h].path + ": the hole is not inside the outer loop");
            if (around.size() > 1)
                throw InputError(holes[h].path + ": the hole lies inside another hole, " + name(around[1]));
        }
    }
    catch (const InputError& e)
    {
        throw InputError(sourceName + ": " + e.what());
    }
}
} // namespace cae_app
