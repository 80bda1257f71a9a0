#include "cae_core/glyphs/detail/GlyphGeometry.h"

#include "cae_core/glyphs/BoundaryNormal.h"
#include "host/ut/Angle.h"
#include "platform/ge/GeCircArc3d.h"
#include "platform/ge/GeLineSeg3d.h"
#include "platform/ge/GeNurbCurve3d.h"
#include "platform/ge/GePlane.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace cae_core::fea2d::detail
{
namespace
{
constexpr double kPi = std::numbers::pi;
const OdGeVector3d kUp = OdGeVector3d::kZAxis;

/// Sizes of the glyphs, in multiples of the glyph size s.
constexpr double kLoadArrowLength = 25.0;
constexpr double kLoadHeadLength = 10.0;
constexpr double kLoadHeadWidth = 4.0;
constexpr double kLabelGap = 0.5;
constexpr double kLabelHeight = 6.0;
constexpr double kSupportWidth = 18.0;
constexpr double kSupportHeight = 12.0;
constexpr double kGroundOverhang = 11.0;
constexpr double kRollerGap = 2.0;
constexpr double kHatchDepth = 4.0;
constexpr double kHatchScale = 0.5;
/// Glyph spacing along a boundary: the first glyph needs 18 s, each further one 7 s more.
constexpr double kFirstGlyphRoom = 18.0;
constexpr double kGlyphSpacing = 7.0;
/// The distributed support's ground line: lengthened by 18 s, 12 s off the boundary; each
/// triangle's base spans 9 s of it to either side.
constexpr double kGroundExtension = 18.0;
constexpr double kGroundOffset = 12.0;
constexpr double kHalfBase = 9.0;

/// Samples per parameter span when a spline piece is re-fitted or drawn as a polyline: a
/// cubic span turns little, so 16 chords stay far inside a glyph's line width. A curve of many
/// spans (an offset is one) gets at most kMaxSamples, already finer than any glyph shows.
constexpr int kSamplesPerSpan = 16;
constexpr int kMaxSamples = 256;
/// Largest arc a hatch bulge stands for; bigger arcs are split so that no bulge grows large.
constexpr double kMaxBulgeSweep = kPi / 2.0;

OdGeVector3d rotatedAboutZ(const OdGeVector3d& v, double angle)
{
    const double c = std::cos(angle), s = std::sin(angle);
    return OdGeVector3d(c * v.x - s * v.y, s * v.x + c * v.y, v.z);
}

OdGePoint2d flat(const OdGePoint3d& p)
{
    return OdGePoint2d(p.x, p.y);
}

struct Range
{
    double lo = 0.0;
    double hi = 0.0;
};

Range intervalOf(const OdGeCurve3d& curve)
{
    OdGeInterval iv;
    curve.getInterval(iv);
    return {iv.lowerBound(), iv.upperBound()};
}

/// Arc length of the piece from `from` to `to`, round the end of a closed curve when to < from.
double pieceLength(const OdGeCurve3d& curve, double from, double to)
{
    const Range r = intervalOf(curve);
    if (to < from && curve.isClosed())
        return curve.length(from, r.hi) + curve.length(r.lo, to);
    return curve.length(from, to);
}

/// The parameter `dist` of arc length from u (backwards for a negative dist), wrapping round a
/// closed curve and stopping at the ends of an open one.
double stepAlong(const OdGeCurve3d& curve, double u, double dist)
{
    const Range r = intervalOf(curve);
    const bool forward = dist >= 0.0;
    const double want = std::abs(dist);
    const double room = forward ? curve.length(u, r.hi) : curve.length(r.lo, u);
    if (want <= room || !curve.isClosed())
        return curve.paramAtLength(u, want, forward);
    return curve.paramAtLength(forward ? r.lo : r.hi, want - room, forward);
}

/// `count` parameters from `from` to `to` evenly spaced in parameter (round the end of a
/// closed curve when to < from), both ends included.
OdGeDoubleArray sampleParams(const OdGeCurve3d& curve, double from, double to, int count)
{
    const Range r = intervalOf(curve);
    const bool wraps = to < from && curve.isClosed();
    const double span = wraps ? (r.hi - from) + (to - r.lo) : to - from;
    OdGeDoubleArray params;
    for (int k = 0; k <= count; ++k)
    {
        double t = k == count ? to : from + span * k / count;
        if (wraps && t > r.hi)
            t = r.lo + (t - r.hi);
        params.append(t);
    }
    return params;
}

int sampleCount(const OdGeCurve3d& curve)
{
    OdGeDoubleArray breaks;
    curve.getBreakParams(breaks);
    return std::min(kMaxSamples, kSamplesPerSpan * std::max(1, static_cast<int>(breaks.size()) - 1));
}

/// A cubic through the given points with the given end directions; consecutive repeats dropped.
std::unique_ptr<OdGeCurve3d> fitThrough(const OdGePoint3dArray& points, const OdGeVector3d& startDir,
                                        const OdGeVector3d& endDir)
{
    OdGePoint3dArray distinct;
    for (const OdGePoint3d& p : points)
        if (distinct.isEmpty() || !distinct.last().isEqualTo(p))
            distinct.append(p);
    if (distinct.size() < 2)
        return nullptr;
    return std::make_unique<OdGeNurbCurve3d>(distinct, startDir, endDir, !startDir.isZeroLength(),
                                             !endDir.isZeroLength());
}

OdGeVector3d unitTangent(const OdGeCurve3d& curve, double t)
{
    OdGeVector3dArray d;
    curve.evalPoint(t, 1, d);
    return d[0].normal();
}

/// The part of `curve` from u0 to u1 (round the end of a closed curve when u1 < u0), lengthened
/// by `extension` of arc length at both ends; for lines and arcs exactly, for other curves as a
/// cubic through samples with straight extensions along the end tangents.
std::unique_ptr<OdGeCurve3d> subCurve(const OdGeCurve3d& curve, double u0, double u1, double extension)
{
    const Range r = intervalOf(curve);
    const bool wraps = u1 < u0 && curve.isClosed();
    if (curve.type() == OdGe::kLineSeg3d)
    {
        const OdGePoint3d p0 = curve.evalPoint(u0), p1 = curve.evalPoint(u1);
        OdGeVector3d u = (p1 - p0).normal();
        if (u.isZeroLength())
            u = unitTangent(curve, u0);
        return std::make_unique<OdGeLineSeg3d>(p0 - u * extension, p1 + u * extension);
    }
    if (curve.type() == OdGe::kCircArc3d)
    {
        const auto& arc = static_cast<const OdGeCircArc3d&>(curve);
        const double grow = extension / arc.radius();
        double start = u0 - grow, end = (wraps ? u1 + (r.hi - r.lo) : u1) + grow;
        if (end - start >= 2.0 * kPi)
            end = start + 2.0 * kPi;
        return std::make_unique<OdGeCircArc3d>(arc.center(), arc.normal(), arc.refVec(), arc.radius(), start,
                                               end);
    }
    OdGePoint3dArray points;
    const OdGeVector3d t0 = unitTangent(curve, u0), t1 = unitTangent(curve, u1);
    if (extension > 0.0)
        points.append(curve.evalPoint(u0) - t0 * extension);
    for (double t : sampleParams(curve, u0, u1, sampleCount(curve)))
        points.append(curve.evalPoint(t));
    if (extension > 0.0)
        points.append(curve.evalPoint(u1) + t1 * extension);
    return fitThrough(points, t0, t1);
}

/// The one offset of `curve` by distance (positive: out of the region), or null when the
/// offset is not exactly one curve.
OdSharedPtr<OdGeCurve3d> singleOffset(const OdGeCurve3d& curve, double distance)
{
    OdGeCurve3dPtrArray offsets;
    curve.getTrimmedOffset(distance, kUp, offsets);
    return offsets.size() == 1 ? offsets[0] : OdSharedPtr<OdGeCurve3d>();
}

/// Appends the curve to a hatch loop as vertices with bulges, from its start to its end (or
/// the reverse). The bulge of the last vertex, the segment that leaves the curve, is 0. A
/// closed curve does not repeat its start.
void appendToLoop(HatchLoop& loop, const OdGeCurve3d& curve, bool reversed)
{
    const Range r = intervalOf(curve);
    OdGeDoubleArray params;
    OdGeDoubleArray bulges;
    if (curve.type() == OdGe::kLineSeg3d)
    {
        params.append(r.lo);
        params.append(r.hi);
        bulges.append(0.0);
    }
    else if (curve.type() == OdGe::kCircArc3d)
    {
        const auto& arc = static_cast<const OdGeCircArc3d&>(curve);
        const int parts = std::max(1, static_cast<int>(std::ceil((r.hi - r.lo) / kMaxBulgeSweep - 1e-9)));
        const double turn = arc.normal().z >= 0.0 ? 1.0 : -1.0;
        const double bulge = std::tan(turn * (r.hi - r.lo) / parts / 4.0);
        for (int k = 0; k <= parts; ++k)
            params.append(k == parts ? r.hi : r.lo + (r.hi - r.lo) * k / parts);
        for (int k = 0; k < parts; ++k)
            bulges.append(bulge);
    }
    else
    {
        params = sampleParams(curve, r.lo, r.hi, sampleCount(curve));
        for (unsigned k = 0; k + 1 < params.size(); ++k)
            bulges.append(0.0);
    }
    if (reversed)
    {
        std::reverse(params.begin(), params.end());
        std::reverse(bulges.begin(), bulges.end());
        for (double& b : bulges)
            b = -b;
    }
    const bool closed = curve.isClosed();
    for (unsigned k = 0; k < params.size(); ++k)
    {
        if (closed && k + 1 == params.size())
            break;
        loop.vertices.append(flat(curve.evalPoint(params[k])));
        loop.bulges.append(k < bulges.size() ? bulges[k] : 0.0);
    }
}

/// "ANSI31" at half the glyph size, turned so that its lines cross `along` the way they cross a
/// horizontal ground line.
void setPattern(HatchBand& band, const OdGeVector3d& along, double s)
{
    band.patternAngle = ut::normalizeAngle(along.angleOnPlane(OdGePlane::kXYPlane) - kPi / 2.0, true);
    band.patternScale = kHatchScale * s;
}

bool normalsAgreeAtEnd(const Piece& piece)
{
    if (!piece.next)
        return false;
    const OdGePoint3d end = piece.curve->evalPoint(piece.to);
    if (!piece.next->isOn(end))
        return false;
    return getCurveNormalAtPoint(*piece.curve, end, kUp)
        .isEqualTo(getCurveNormalAtPoint(*piece.next, end, kUp));
}

bool isWholeClosedCurve(const Piece& piece)
{
    if (!piece.curve->isClosed())
        return false;
    const Range r = intervalOf(*piece.curve);
    return std::abs(pieceLength(*piece.curve, piece.from, piece.to) - piece.curve->length(r.lo, r.hi)) <=
           kZeroLength;
}
} // namespace

Triangle arrowHead(const OdGePoint3d& tip, const OdGeVector3d& direction, double width, double length)
{
    const OdGeVector3d n = direction.crossProduct(-kUp).normal();
    const OdGePoint3d base = tip - direction * length;
    return {tip, base - n * (width / 2.0), base + n * (width / 2.0)};
}

Arrow arrow(const OdGePoint3d& tip, const OdGeVector3d& direction, double length, double headLength,
            double headWidth)
{
    return {tip, tip - direction * length, arrowHead(tip, direction, headWidth, headLength)};
}

PointLoadGlyph pointLoadGlyph(const OdGePoint3d& location, const OdGeVector3d& direction, double s)
{
    PointLoadGlyph g;
    g.arrow = arrow(location, direction, kLoadArrowLength * s, kLoadHeadLength * s, kLoadHeadWidth * s);
    g.labelPosition = g.arrow.tail - direction * (kLabelGap * s);
    g.labelHeight = kLabelHeight * s;
    return g;
}

PointSupportGlyph pointSupportGlyph(const OdGePoint3d& location, const OdGeVector3d& direction, bool rolling,
                                    double s)
{
    PointSupportGlyph g;
    g.triangle = arrowHead(location, direction, kSupportWidth * s, kSupportHeight * s);
    const OdGePoint3d b1 = g.triangle[1], b2 = g.triangle[2];
    const OdGeVector3d u = (b1 - b2).normal();
    const OdGePoint3d g1 = b1 + u * (kGroundOverhang * s), g2 = b2 - u * (kGroundOverhang * s);
    g.groundLines.push_back({g1, g2});
    const OdGeVector3d o = rolling ? direction * (-kRollerGap * s) : OdGeVector3d();
    if (rolling)
        g.groundLines.push_back({g1 + o, g2 + o});
    const OdGeVector3d depth = direction * (kHatchDepth * s);
    HatchLoop loop;
    for (const OdGePoint3d& p : {g1 + o, g1 + o - depth, g2 + o - depth, g2 + o})
    {
        loop.vertices.append(flat(p));
        loop.bulges.append(0.0);
    }
    g.hatch.loops.push_back(loop);
    g.hatch.patternAngle = ut::normalizeAngle(direction.angleOnPlane(OdGePlane::kXYPlane) - kPi / 2.0, true);
    g.hatch.patternScale = kHatchScale * s;
    return g;
}

CurveArray segmentChain(const CurveArray& loop, const OdGePoint3d& a, const OdGePoint3d& b)
{
    const unsigned n = loop.size();
    auto find = [&](const OdGePoint3d& p, double& param) -> unsigned
    {
        for (unsigned i = 0; i < n; ++i)
            if (loop[i]->isOn(p, param))
                return i;
        return n;
    };
    double pa = 0.0, pb = 0.0;
    const unsigned ia = find(a, pa), ib = find(b, pb);
    CurveArray chain;
    if (ia == n || ib == n)
        return chain;
    chain.append(loop[ia]);
    if (n > 1 && (ib != ia || pb < pa))
    {
        unsigned k = ia;
        do
        {
            k = (k + 1) % n;
            chain.append(loop[k]);
        } while (k != ib);
    }
    if (chain.size() >= 2)
    {
        if (chain.first()->length(pa, intervalOf(*chain.first()).hi) <= kZeroLength)
            chain.removeAt(0);
        if (chain.last()->length(intervalOf(*chain.last()).lo, pb) <= kZeroLength)
            chain.removeLast();
    }
    return chain;
}

double chainLength(const CurveArray& chain, const OdGePoint3d& a, const OdGePoint3d& b)
{
    // A walk that ends where it starts, or before, on its only curve goes once round that curve: the
    // pieces drawn leave out the empty range, the length does not.
    if (chain.size() == 1 && chain.first())
    {
        const OdGeCurve3d& curve = *chain.first();
        const double pa = curve.paramOf(a), pb = curve.paramOf(b);
        if (pa >= pb)
        {
            const Range r = intervalOf(curve);
            return curve.length(pa, r.hi) + curve.length(r.lo, pb);
        }
    }
    double total = 0.0;
    for (const Piece& p : pieces(chain, false, a, b))
        total += pieceLength(*p.curve, p.from, p.to);
    return total;
}

std::vector<Piece> pieces(const CurveArray& curves, bool wholeLoop, const OdGePoint3d& a,
                          const OdGePoint3d& b)
{
    std::vector<Piece> result;
    const unsigned n = curves.size();
    for (unsigned i = 0; i < n; ++i)
    {
        const OdGeCurve3d& curve = *curves[i];
        const Range r = intervalOf(curve);
        Piece p{&curve, r.lo, r.hi, i + 1 < n ? curves[i + 1].get() : nullptr};
        if (!wholeLoop)
        {
            if (i == 0)
                p.from = curve.paramOf(a);
            if (i + 1 == n)
                p.to = curve.paramOf(b);
        }
        if (std::abs(p.to - p.from) <= kZeroLength)
            continue;
        result.push_back(p);
    }
    return result;
}

OdGeDoubleArray glyphParams(const OdGeCurve3d& curve, double from, double to, double first, double spacing)
{
    const Range r = intervalOf(curve);
    from = std::clamp(from, r.lo, r.hi);
    to = std::clamp(to, r.lo, r.hi);
    const bool wraps = to < from && curve.isClosed();
    const double len = pieceLength(curve, from, to);
    // The spacing fixes the count, which has no bound of its own: a boundary millions of glyph sizes
    // long would get millions of marks, more than any picture shows apart (and past the range of int).
    // The count is bounded there; below the bound it is the spacing's.
    constexpr double kMostInnerGlyphs = 10000;
    const int inner = static_cast<int>(
        std::clamp(std::floor((len - spacing - first) / (first + spacing)), 0.0, kMostInnerGlyphs));
    OdGeDoubleArray params;
    params.append(from);
    for (int k = 1; k <= inner; ++k)
    {
        const double at = len * k / (inner + 1);
        params.append(wraps ? stepAlong(curve, from, at) : curve.paramAtLength(from, at, to >= from));
    }
    params.append(to);
    return params;
}

DistributedLoadPiece distributedLoadPiece(const Piece& piece, bool angleRelativeToBoundary, double angle,
                                          double s)
{
    DistributedLoadPiece result;
    const OdGeCurve3d& curve = *piece.curve;
    const OdGeDoubleArray params =
        glyphParams(curve, piece.from, piece.to, kFirstGlyphRoom * s, kGlyphSpacing * s);
    // The last arrow is the next piece's first. A whole closed curve has no next piece and keeps its
    // last arrow, drawn over its first.
    const bool leaveLast = normalsAgreeAtEnd(piece);
    for (unsigned k = 0; k < params.size(); ++k)
    {
        const OdGePoint3d p = curve.evalPoint(params[k]);
        const OdGeVector3d v = angleRelativeToBoundary
                                   ? rotatedAboutZ(getCurveNormalAtPoint(curve, p, kUp), angle - kPi / 2.0)
                                   : OdGeVector3d(std::cos(angle), std::sin(angle), 0.0);
        const Arrow a = arrow(p, -v, kLoadArrowLength * s, kLoadHeadLength * s, kLoadHeadWidth * s);
        result.tails.append(a.tail);
        if (!(leaveLast && k + 1 == params.size()))
            result.arrows.push_back(a);
    }
    const double end = params.last();
    const OdGePoint3d endPoint = curve.evalPoint(end);
    result.labelNormal = getCurveNormalAtPoint(curve, endPoint, kUp);
    result.labelAnchor = endPoint + result.labelNormal * (kLoadArrowLength * s);
    return result;
}

OdGeVector3d labelShift(const OdGePoint3dArray& boundingPoints, const OdGePoint3d& anchor,
                        const OdGeVector3d& normal)
{
    if (boundingPoints.isEmpty())
        return OdGeVector3d();
    OdGePoint3d nearest = boundingPoints.first();
    for (const OdGePoint3d& p : boundingPoints)
        if (p.asVector().dotProduct(normal) < nearest.asVector().dotProduct(normal))
            nearest = p;
    return anchor - nearest;
}

DistributedSupportPiece distributedSupportPiece(const Piece& piece, bool rolling, double s)
{
    DistributedSupportPiece result;
    const OdGeCurve3d& curve = *piece.curve;
    const bool whole = isWholeClosedCurve(piece);
    const std::unique_ptr<OdGeCurve3d> lengthened =
        whole ? std::unique_ptr<OdGeCurve3d>(curve.copy())
              : subCurve(curve, piece.from, piece.to, kGroundExtension * s);
    if (!lengthened)
        return result;
    const OdSharedPtr<OdGeCurve3d> offsetLine = singleOffset(*lengthened, kGroundOffset * s);
    if (!offsetLine)
        return result;

    const OdGeDoubleArray params =
        glyphParams(curve, piece.from, piece.to, kFirstGlyphRoom * s, kGlyphSpacing * s);
    std::vector<Triangle> triangles;
    double firstQ1 = 0.0, lastQ2 = 0.0;
    for (unsigned k = 0; k < params.size(); ++k)
    {
        const OdGePoint3d apex = curve.evalPoint(params[k]);
        const double u = offsetLine->paramOf(apex);
        const double q1 = stepAlong(*offsetLine, u, -kHalfBase * s);
        const double q2 = stepAlong(*offsetLine, u, kHalfBase * s);
        if (k == 0)
            firstQ1 = q1;
        lastQ2 = q2;
        triangles.push_back({apex, offsetLine->evalPoint(q1), offsetLine->evalPoint(q2)});
    }
    if (triangles.size() < 2)
        return result;
    if (normalsAgreeAtEnd(piece))
        triangles.pop_back();
    result.triangles = triangles;

    result.groundLine =
        whole ? offsetLine : OdSharedPtr<OdGeCurve3d>(subCurve(*offsetLine, firstQ1, lastQ2, 0.0).release());
    if (!result.groundLine)
    {
        result.triangles.clear();
        return result;
    }
    OdSharedPtr<OdGeCurve3d> outer = result.groundLine;
    if (rolling)
    {
        result.secondLine = singleOffset(*result.groundLine, kRollerGap * s);
        outer = result.secondLine;
    }
    if (!outer)
        return result;
    const OdSharedPtr<OdGeCurve3d> back = singleOffset(*outer, kHatchDepth * s);
    if (!back)
        return result;
    HatchBand band;
    if (whole)
    {
        band.loops.resize(2);
        appendToLoop(band.loops[0], *outer, false);
        appendToLoop(band.loops[1], *back, false);
        setPattern(band, OdGeVector3d::kXAxis, s);
    }
    else
    {
        band.loops.resize(1);
        appendToLoop(band.loops[0], *outer, false);
        appendToLoop(band.loops[0], *back, true);
        OdGePoint3d start, end;
        outer->hasStartPoint(start);
        outer->hasEndPoint(end);
        setPattern(band, end - start, s);
    }
    result.hatch = band;
    return result;
}

} // namespace cae_core::fea2d::detail
