#include "platform/db/DbRegion.h"

#include "platform/ge/GeCircArc3d.h"
#include "platform/ge/GeExternalCurve3d.h"
#include "platform/ge/GeLineSeg3d.h"
#include "platform/ge/GeQuadrature.h"

#include <cmath>
#include <memory>

namespace
{
/// Accuracy of the numerical area of a spline piece, relative to the square of the piece's
/// box diagonal: far below what meshing or the analysis can resolve, well above rounding.
constexpr double kAreaRelTol = 1.e-12;
/// Samples per formula piece for the test that a curve lies in the XY plane.
constexpr int kPlanarSamplesPerSpan = 16;

/// The curve itself, or the native curve behind an external one (owned by holder).
const OdGeCurve3d* nativeOf(const OdGeCurve3d& curve, std::unique_ptr<OdGeCurve3d>& holder)
{
    if (curve.isKindOf(OdGe::kExternalCurve3d))
    {
        OdGeCurve3d* native = nullptr;
        if (static_cast<const OdGeExternalCurve3d&>(curve).isNativeCurve(native))
        {
            holder.reset(native);
            return nativeOf(*native, holder);
        }
    }
    return &curve;
}

struct Ends
{
    OdGePoint3d start, end;
};

Ends endsOf(const OdGeCurve3d& curve)
{
    Ends e;
    curve.hasStartPoint(e.start);
    curve.hasEndPoint(e.end);
    return e;
}

/// Result of walking one loop with each curve turned to continue from the previous one.
struct Chain
{
    bool closed = false;
    std::vector<bool> reversed; ///< per curve: travelled against its parameter
    int failedAt = -1;          ///< index of the curve whose end does not meet the next one
    OdGePoint3d gapPoint;       ///< that end
    double gap = 0.0;           ///< distance from it to the nearer end of the next curve
};

/// Walks the loop starting with curve 0 as given or reversed; each following curve is taken
/// in whichever direction starts where the previous one ended.
Chain walk(const OdDbRegion::Loop& loop, bool firstReversed, const OdGeTol& tol)
{
    Chain c;
    const std::size_t n = loop.size();
    c.reversed.assign(n, false);
    c.reversed[0] = firstReversed;
    Ends first = endsOf(*loop[0]);
    if (firstReversed)
        std::swap(first.start, first.end);
    OdGePoint3d cur = first.end;
    for (std::size_t i = 1; i <= n; ++i)
    {
        const bool closing = (i == n);
        Ends next = closing ? first : endsOf(*loop[i]);
        if (cur.isEqualTo(next.start, tol))
            cur = next.end;
        else if (!closing && cur.isEqualTo(next.end, tol))
        {
            c.reversed[i] = true;
            cur = next.start;
        }
        else
        {
            c.failedAt = static_cast<int>(i - 1);
            c.gapPoint = cur;
            c.gap = closing ? cur.distanceTo(next.start)
                            : std::min(cur.distanceTo(next.start), cur.distanceTo(next.end));
            return c;
        }
    }
    c.closed = true;
    return c;
}

Chain chainLoop(const OdDbRegion::Loop& loop, const OdGeTol& tol)
{
    Chain a = walk(loop, false, tol);
    if (a.closed)
        return a;
    Chain b = walk(loop, true, tol);
    if (b.closed)
        return b;
    // Report the walk that got farther before it failed.
    return b.failedAt > a.failedAt ? b : a;
}

bool liesInXYPlane(const OdGeCurve3d& curve, const OdGeTol& tol)
{
    OdGeDoubleArray breaks;
    curve.getBreakParams(breaks);
    for (unsigned i = 0; i + 1 < breaks.size(); ++i)
        for (int k = 0; k <= kPlanarSamplesPerSpan; ++k)
        {
            const double t = breaks[i] + (breaks[i + 1] - breaks[i]) * k / kPlanarSamplesPerSpan;
            if (std::abs(curve.evalPoint(t).z) > tol.equalPoint())
                return false;
        }
    return true;
}

/// Integral of (x dy - y dx) / 2 along the curve in its parameter direction: its
/// contribution to the signed (counter-clockwise positive) area of a loop by Green's theorem.
double signedAreaTerm(const OdGeCurve3d& anyCurve)
{
    std::unique_ptr<OdGeCurve3d> holder;
    const OdGeCurve3d& curve = *nativeOf(anyCurve, holder);
    if (curve.type() == OdGe::kLineSeg3d)
    {
        const auto& l = static_cast<const OdGeLineSeg3d&>(curve);
        const OdGePoint3d a = l.startPoint(), b = l.endPoint();
        return 0.5 * (a.x * b.y - b.x * a.y);
    }
    if (curve.type() == OdGe::kCircArc3d)
    {
        // With P = c + r w(t), w = cos t u + sin t v: P x P' = r c x w' + r^2 (u x v), so the
        // integral is r c x (w(e) - w(s)) + r^2 (u x v) (e - s), z components, halved.
        const auto& a = static_cast<const OdGeCircArc3d&>(curve);
        const OdGeVector3d u = a.refVec(), v = a.normal().crossProduct(u);
        const double r = a.radius(), s = a.startAng(), e = a.endAng();
        const OdGeVector3d dw = (u * (std::cos(e) - std::cos(s)) + v * (std::sin(e) - std::sin(s)));
        const OdGePoint3d c = a.center();
        const double chordTerm = r * (c.x * dw.y - c.y * dw.x);
        const double sweepTerm = r * r * (u.x * v.y - u.y * v.x) * (e - s);
        return 0.5 * (chordTerm + sweepTerm);
    }
    OdGeExtents3d box;
    curve.getGeomExtents(box);
    const double scale = box.isValidExtents() ? box.diagonal().lengthSqrd() : 0.0;
    auto integrand = [&curve](double t)
    {
        OdGeVector3dArray d;
        const OdGePoint3d p = curve.evalPoint(t, 1, d);
        return 0.5 * (p.x * d[0].y - p.y * d[0].x);
    };
    OdGeDoubleArray breaks;
    curve.getBreakParams(breaks);
    double sum = 0.0;
    for (unsigned i = 0; i + 1 < breaks.size(); ++i)
        sum += OdGeQuadrature::integrate(integrand, breaks[i], breaks[i + 1], kAreaRelTol * scale);
    return sum;
}

/// The point for a message; coordinates within the tolerance of zero print as 0 rather than
/// as rounding noise such as 1.22465e-16.
OdString pointText(const OdGePoint3d& p, const OdGeTol& tol)
{
    auto clean = [&tol](double v) { return std::abs(v) <= tol.equalPoint() ? 0.0 : v; };
    OdString s;
    s.format(L"(%g, %g, %g)", clean(p.x), clean(p.y), clean(p.z));
    return s;
}
} // namespace

OdSmartPtr<OdDbRegion> OdDbRegion::createObject()
{
    return odrxCreateObject<OdDbRegion>();
}

OdString OdDbRegion::describeLoops(const std::vector<Loop>& loops, const OdGeTol& tol)
{
    OdString msg;
    if (loops.empty())
        return msg.format(L"the region has no loops");
    for (std::size_t li = 0; li < loops.size(); ++li)
    {
        const Loop& loop = loops[li];
        const int L = static_cast<int>(li + 1);
        if (loop.empty())
            return msg.format(L"loop %d has no curves", L);
        for (std::size_t ci = 0; ci < loop.size(); ++ci)
        {
            const int C = static_cast<int>(ci + 1);
            const OdGeCurve3d* curve = loop[ci].get();
            if (!curve)
                return msg.format(L"curve %d of loop %d is missing", C, L);
            OdGeInterval iv;
            curve->getInterval(iv);
            if (!iv.isBounded())
                return msg.format(L"curve %d of loop %d is unbounded", C, L);
            if (!liesInXYPlane(*curve, tol))
                return msg.format(L"curve %d of loop %d does not lie in the XY plane", C, L);
            if (curve->length(iv.lowerBound(), iv.upperBound(), tol.equalPoint()) <= tol.equalPoint())
                return msg.format(L"curve %d of loop %d has zero length", C, L);
        }
        if (loop.size() == 1)
        {
            if (!loop[0]->isClosed(tol))
            {
                const Ends e = endsOf(*loop[0]);
                return msg.format(L"loop %d is open: its only curve starts at %ls and ends at %ls (gap %g)",
                                  L, pointText(e.start, tol).c_str(), pointText(e.end, tol).c_str(),
                                  e.start.distanceTo(e.end));
            }
            continue;
        }
        const Chain c = chainLoop(loop, tol);
        if (!c.closed)
        {
            const int next = (c.failedAt + 1) % static_cast<int>(loop.size()) + 1;
            return msg.format(L"loop %d is open: the end of curve %d at %ls does not meet curve %d (gap %g)",
                              L, c.failedAt + 1, pointText(c.gapPoint, tol).c_str(), next, c.gap);
        }
    }
    return msg;
}

OdResult OdDbRegion::setLoops(const std::vector<Loop>& loops, const OdGeTol& tol)
{
    if (!describeLoops(loops, tol).isEmpty())
        return eInvalidInput;
    std::vector<Loop> copies;
    copies.reserve(loops.size());
    for (const Loop& loop : loops)
    {
        Loop& copy = copies.emplace_back();
        for (const auto& curve : loop)
            copy.emplace_back(curve->copy());
    }
    m_loops = std::move(copies);
    return eOk;
}

OdResult OdDbRegion::getArea(double& area) const
{
    if (m_loops.empty())
        return eInvalidInput;
    double total = 0.0;
    for (std::size_t li = 0; li < m_loops.size(); ++li)
    {
        const Loop& loop = m_loops[li];
        double signedArea = 0.0;
        if (loop.size() == 1)
            signedArea = signedAreaTerm(*loop[0]);
        else
        {
            const Chain c = chainLoop(loop, OdGeContext::gTol);
            for (std::size_t ci = 0; ci < loop.size(); ++ci)
            {
                const double term = signedAreaTerm(*loop[ci]);
                signedArea += c.reversed[ci] ? -term : term;
            }
        }
        // Either orientation is accepted: the exterior adds its area, every hole removes its own.
        total += (li == 0 ? 1.0 : -1.0) * std::abs(signedArea);
    }
    area = total;
    return eOk;
}

OdResult OdDbRegion::getPerimeter(double& perimeter) const
{
    if (m_loops.empty())
        return eInvalidInput;
    double total = 0.0;
    for (const Loop& loop : m_loops)
        for (const auto& curve : loop)
        {
            OdGeInterval iv;
            curve->getInterval(iv);
            total += curve->length(iv.lowerBound(), iv.upperBound(), OdGeContext::gTol.equalPoint());
        }
    perimeter = total;
    return eOk;
}

OdResult OdDbRegion::getGeomExtents(OdGeExtents3d& extents) const
{
    if (m_loops.empty())
        return eInvalidExtents;
    OdGeExtents3d box;
    for (const Loop& loop : m_loops)
        for (const auto& curve : loop)
            curve->getGeomExtents(box);
    extents = box;
    return eOk;
}
