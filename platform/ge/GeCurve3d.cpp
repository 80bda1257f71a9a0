#include "platform/ge/GeCurve3d.h"

#include "platform/ge/GeQuadrature.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{
/// Samples per formula piece when searching for the closest point or for extreme points.
/// Enough to separate the extrema of a cubic piece; Newton or bisection then polishes.
constexpr int kSearchSamplesPerSpan = 32;
/// Iteration cap of the Newton and bisection loops: each halves the bracket at worst, so
/// 200 steps exhaust double precision on any interval.
constexpr int kMaxIterations = 200;

/// The break parameters restricted to [from, to] (from < to), both ends included.
OdGeDoubleArray spansBetween(const OdGeCurve3d& curve, double from, double to)
{
    OdGeDoubleArray breaks;
    curve.getBreakParams(breaks);
    OdGeDoubleArray result;
    result.append(from);
    for (double b : breaks)
        if (b > from && b < to)
            result.append(b);
    result.append(to);
    return result;
}

} // namespace

OdGeVector3d OdGeCurve3d::firstDerivative(double param) const
{
    OdGeVector3dArray d;
    evalPoint(param, 1, d);
    return d[0];
}

bool OdGeEntity3d::isKindOf(OdGe::EntityId entType) const
{
    return entType == OdGe::kEntity3d || entType == type();
}

bool OdGeCurve3d::isKindOf(OdGe::EntityId entType) const
{
    return entType == OdGe::kCurve3d || OdGeEntity3d::isKindOf(entType);
}

bool OdGeCurve3d::hasStartPoint(OdGePoint3d& startPoint) const
{
    OdGeInterval iv;
    getInterval(iv);
    if (!iv.isBoundedBelow())
        return false;
    startPoint = evalPoint(iv.lowerBound());
    return true;
}

bool OdGeCurve3d::hasEndPoint(OdGePoint3d& endPoint) const
{
    OdGeInterval iv;
    getInterval(iv);
    if (!iv.isBoundedAbove())
        return false;
    endPoint = evalPoint(iv.upperBound());
    return true;
}

bool OdGeCurve3d::isLinear(const OdGeTol& tol) const
{
    OdGePoint3d s, e;
    if (!hasStartPoint(s) || !hasEndPoint(e) || s.isEqualTo(e, tol))
        return false;
    const OdGeVector3d dir = (e - s).normal();
    OdGeDoubleArray breaks;
    getBreakParams(breaks);
    for (unsigned i = 0; i + 1 < breaks.size(); ++i)
        for (int k = 0; k <= kSearchSamplesPerSpan; ++k)
        {
            const double t = breaks[i] + (breaks[i + 1] - breaks[i]) * k / kSearchSamplesPerSpan;
            const OdGeVector3d d = evalPoint(t) - s;
            if ((d - dir * d.dotProduct(dir)).length() > tol.equalPoint())
                return false;
        }
    return true;
}

bool OdGeCurve3d::isCircular(const OdGeTol&) const
{
    return false;
}

bool OdGeCurve3d::isClosed(const OdGeTol& tol) const
{
    OdGePoint3d s, e;
    return hasStartPoint(s) && hasEndPoint(e) && s.isEqualTo(e, tol);
}

double OdGeCurve3d::length(double fromParam, double toParam, double tol) const
{
    if (fromParam > toParam)
        std::swap(fromParam, toParam);
    if (fromParam == toParam)
        return 0.0;
    const OdGeDoubleArray spans = spansBetween(*this, fromParam, toParam);
    const double width = toParam - fromParam;
    double total = 0.0;
    for (unsigned i = 0; i + 1 < spans.size(); ++i)
    {
        const double a = spans[i], b = spans[i + 1];
        // Each piece gets its share of the tolerance so that the sum meets it.
        total += OdGeQuadrature::integrate([this](double t) { return firstDerivative(t).length(); }, a, b,
                                           tol * (b - a) / width);
    }
    return total;
}

double OdGeCurve3d::paramAtLength(double datumParam, double length, bool posParamDir, double tol) const
{
    OdGeInterval iv;
    getInterval(iv);
    if (length <= 0.0 || !(posParamDir ? iv.isBoundedAbove() : iv.isBoundedBelow()))
        return datumParam;
    const double sign = posParamDir ? 1.0 : -1.0;
    const double end = posParamDir ? iv.upperBound() : iv.lowerBound();
    auto before = [posParamDir](double a, double b) { return posParamDir ? a < b : a > b; };
    if (!before(datumParam, end))
        return end;

    // Bracket [lo, hi] in the direction of travel with s(lo) <= length <= s(hi), s measured
    // from the datum. Newton from the datum's speed; bisection whenever a step leaves the
    // bracket. Lengths are measured from lo, so each one covers a short piece only and the
    // whole remaining curve is measured only if the first guess runs past its end.
    double lo = datumParam, sLo = 0.0, hi = end;
    const double v0 = firstDerivative(datumParam).length();
    double t = v0 > 0.0 ? datumParam + sign * length / v0 : end;
    if (!std::isfinite(t) || !before(t, end))
        t = end;
    for (int iter = 0; iter < kMaxIterations; ++iter)
    {
        const double sT = sLo + this->length(lo, t, tol);
        const double f = sT - length;
        if (std::abs(f) <= tol)
            return t;
        if (f < 0.0)
        {
            if (t == end)
                return end; // the curve ends before the length is reached
            lo = t;
            sLo = sT;
        }
        else
            hi = t;
        const double v = firstDerivative(t).length();
        double next = v > 0.0 ? t - sign * f / v : 0.5 * (lo + hi);
        if (!(before(lo, next) && before(next, hi)))
            next = 0.5 * (lo + hi);
        if (next == lo || next == hi)
            return t; // the bracket is down to adjacent doubles
        t = next;
    }
    return t;
}

void OdGeCurve3d::getSamplePoints(int numSample, OdGePoint3dArray& points, OdGeDoubleArray& params) const
{
    points.clear();
    params.clear();
    OdGeInterval iv;
    getInterval(iv);
    if (numSample < 1 || !iv.isBounded())
        return;
    const double a = iv.lowerBound(), b = iv.upperBound();
    const int divisions = isClosed() ? numSample : numSample - 1;
    for (int i = 0; i < numSample; ++i)
    {
        // The last sample of an open curve is placed on the end exactly, not by accumulation.
        const double t = (divisions == 0) ? a : (i == divisions ? b : a + (b - a) * i / divisions);
        params.append(t);
        points.append(evalPoint(t));
    }
}

void OdGeCurve3d::getSamplePoints(int numSample, OdGePoint3dArray& points) const
{
    OdGeDoubleArray params;
    getSamplePoints(numSample, points, params);
}

bool OdGeCurve3d::isOn(double param, const OdGeTol& tol) const
{
    OdGeInterval iv;
    getInterval(iv);
    const double t = tol.equalPoint();
    return (!iv.isBoundedBelow() || param >= iv.lowerBound() - t) &&
           (!iv.isBoundedAbove() || param <= iv.upperBound() + t);
}

bool OdGeCurve3d::isOn(const OdGePoint3d& point, const OdGeTol& tol) const
{
    double param = 0.0;
    return isOn(point, param, tol);
}

bool OdGeCurve3d::isOn(const OdGePoint3d& point, double& param, const OdGeTol& tol) const
{
    const double t = paramOf(point, tol);
    if (evalPoint(t).distanceTo(point) > tol.equalPoint())
        return false;
    param = t;
    return true;
}

double OdGeCurve3d::paramOf(const OdGePoint3d& point, const OdGeTol&) const
{
    OdGeInterval iv;
    getInterval(iv);
    if (!iv.isBounded())
        return 0.0;
    OdGeDoubleArray breaks;
    getBreakParams(breaks);
    // Coarse search over samples of every piece, then Newton on the distance's derivative
    // (C(t) - P) . C'(t) = 0 within the neighbouring samples.
    double bestT = iv.lowerBound(), bestD = evalPoint(bestT).distanceTo(point);
    double bestLo = bestT, bestHi = bestT;
    for (unsigned i = 0; i + 1 < breaks.size(); ++i)
    {
        const double a = breaks[i], h = (breaks[i + 1] - a) / kSearchSamplesPerSpan;
        for (int k = 0; k <= kSearchSamplesPerSpan; ++k)
        {
            const double t = (k == kSearchSamplesPerSpan) ? breaks[i + 1] : a + h * k;
            const double d = evalPoint(t).distanceTo(point);
            // The first sample also sets the bracket, so a point nearest the start still
            // gets its Newton polish.
            if (d < bestD || (i == 0 && k == 0))
            {
                bestD = d;
                bestT = t;
                // Not limited to the span: the closest point may lie just across a break.
                bestLo = std::max(iv.lowerBound(), t - h);
                bestHi = std::min(iv.upperBound(), t + h);
            }
        }
    }
    double t = bestT;
    for (int iter = 0; iter < kMaxIterations; ++iter)
    {
        OdGeVector3dArray d;
        const OdGePoint3d p = evalPoint(t, 2, d);
        const OdGeVector3d r = p - point;
        const double g = r.dotProduct(d[0]);
        const double dg = d[0].lengthSqrd() + r.dotProduct(d[1]);
        if (dg <= 0.0)
            break;
        const double next = std::clamp(t - g / dg, bestLo, bestHi);
        if (std::abs(next - t) <= std::numeric_limits<double>::epsilon() * std::max(1.0, std::abs(t)))
        {
            t = next;
            break;
        }
        t = next;
    }
    return evalPoint(t).distanceTo(point) <= bestD ? t : bestT;
}

OdGePoint3d OdGeCurve3d::closestPointTo(const OdGePoint3d& point, const OdGeTol& tol) const
{
    return evalPoint(paramOf(point, tol));
}

void OdGeCurve3d::getGeomExtents(OdGeExtents3d& extents) const
{
    OdGeInterval iv;
    getInterval(iv);
    if (!iv.isBounded())
        return;
    OdGeDoubleArray breaks;
    getBreakParams(breaks);
    for (double b : breaks)
        extents.addPoint(evalPoint(b));
    // Interior extremes of each coordinate: sign changes of its derivative between samples,
    // located by bisection.
    auto deriv = [this](double t, int axis)
    {
        OdGeVector3dArray d;
        evalPoint(t, 1, d);
        return axis == 0 ? d[0].x : (axis == 1 ? d[0].y : d[0].z);
    };
    for (unsigned i = 0; i + 1 < breaks.size(); ++i)
    {
        const double a = breaks[i], h = (breaks[i + 1] - a) / kSearchSamplesPerSpan;
        for (int axis = 0; axis < 3; ++axis)
            for (int k = 0; k < kSearchSamplesPerSpan; ++k)
            {
                double lo = a + h * k,
                       hi = (k + 1 == kSearchSamplesPerSpan) ? breaks[i + 1] : a + h * (k + 1);
                double fLo = deriv(lo, axis);
                const double fHi = deriv(hi, axis);
                if (fLo == 0.0)
                {
                    extents.addPoint(evalPoint(lo));
                    continue;
                }
                if ((fLo < 0.0) == (fHi < 0.0))
                    continue;
                for (int iter = 0; iter < kMaxIterations && hi - lo > 0.0; ++iter)
                {
                    const double mid = 0.5 * (lo + hi);
                    if (mid <= lo || mid >= hi)
                        break;
                    const double fMid = deriv(mid, axis);
                    if ((fMid < 0.0) == (fLo < 0.0))
                    {
                        lo = mid;
                        fLo = fMid;
                    }
                    else
                        hi = mid;
                }
                extents.addPoint(evalPoint(0.5 * (lo + hi)));
            }
    }
}

void OdGeCurve3d::getBreakParams(OdGeDoubleArray& params) const
{
    params.clear();
    OdGeInterval iv;
    getInterval(iv);
    if (!iv.isBounded())
        return;
    params.append(iv.lowerBound());
    if (iv.upperBound() > iv.lowerBound())
        params.append(iv.upperBound());
}
