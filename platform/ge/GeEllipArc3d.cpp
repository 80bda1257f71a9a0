#include "platform/ge/GeEllipArc3d.h"

#include "platform/base/OdError.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace
{
constexpr double kTwoPi = 2.0 * std::numbers::pi;
/// A sweep within this many radians of a full turn is a full ellipse (see the circular arc).
constexpr double kFullTurnTol = 1.e-12;
/// Relative tolerance for a transform to keep the axes' lengths and right angle.
constexpr double kConformalTol = 1.e-9;

/// angle moved into [from, from + 2 pi).
double angleFrom(double angle, double from)
{
    double a = std::fmod(angle - from, kTwoPi);
    if (a < 0.0)
        a += kTwoPi;
    return from + a;
}
} // namespace

OdGeEllipArc3d::OdGeEllipArc3d() : m_endAng(kTwoPi) {}

OdGeEllipArc3d::OdGeEllipArc3d(const OdGePoint3d& center, const OdGeVector3d& normal,
                               const OdGeVector3d& majorAxis, double majorRadius, double minorRadius,
                               double startAng, double endAng)
{
    set(center, normal, majorAxis, majorRadius, minorRadius, startAng, endAng);
}

OdGeEllipArc3d& OdGeEllipArc3d::set(const OdGePoint3d& center, const OdGeVector3d& normal,
                                    const OdGeVector3d& majorAxis, double majorRadius, double minorRadius,
                                    double startAng, double endAng)
{
    if (normal.isZeroLength())
        throw OdError(eInvalidInput, "elliptical arc: the normal has zero length");
    const OdGeVector3d n = normal.normal();
    const OdGeVector3d u = majorAxis - n * majorAxis.dotProduct(n);
    if (u.isZeroLength())
        throw OdError(eInvalidInput, "elliptical arc: the major axis is zero or along the normal");
    if (!(minorRadius > 0.0) || !(minorRadius <= majorRadius))
        throw OdError(eInvalidInput,
                      "elliptical arc: the radii must satisfy 0 < minor radius <= major radius");
    m_center = center;
    m_normal = n;
    m_majorAxis = u.normal();
    m_majorRadius = majorRadius;
    m_minorRadius = minorRadius;
    m_sign = 1.0;
    m_offset = 0.0;
    return setAngles(startAng, endAng);
}

OdGeEllipArc3d& OdGeEllipArc3d::setAngles(double startAng, double endAng)
{
    double sweep = endAng - startAng;
    if (sweep > kTwoPi)
        sweep = kTwoPi;
    else if (sweep <= 0.0)
    {
        sweep = std::fmod(sweep, kTwoPi);
        if (sweep <= 0.0)
            sweep += kTwoPi;
    }
    m_startAng = startAng;
    m_endAng = startAng + sweep;
    return *this;
}

OdGeEllipArc3d& OdGeEllipArc3d::transformBy(const OdGeMatrix3d& xfm)
{
    OdGeVector3d u = m_majorAxis, v = minorAxis();
    u.transformBy(xfm);
    v.transformBy(xfm);
    const double lu = u.length(), lv = v.length();
    if (lu <= 0.0 || std::abs(lu - lv) > kConformalTol * lu ||
        std::abs(u.dotProduct(v)) > kConformalTol * lu * lv)
        throw OdError(eNotApplicable, "elliptical arc: the transform would distort the ellipse");
    m_center.transformBy(xfm);
    m_majorRadius *= lu;
    m_minorRadius *= lu;
    m_majorAxis = u / lu;
    // As for a circular arc, a mirror reverses the normal and every angle keeps its point.
    m_normal = u.crossProduct(v).normal();
    return *this;
}

void OdGeEllipArc3d::getInterval(OdGeInterval& interval) const
{
    interval.set(m_startAng, m_endAng);
}

OdGeEllipArc3d& OdGeEllipArc3d::reverseParam()
{
    // New point at t = old point at start + end - t.
    m_offset += m_sign * (m_startAng + m_endAng);
    m_sign = -m_sign;
    return *this;
}

bool OdGeEllipArc3d::isLinear(const OdGeTol&) const
{
    return false;
}

bool OdGeEllipArc3d::isCircular(const OdGeTol& tol) const
{
    return m_majorRadius - m_minorRadius <= tol.equalPoint();
}

bool OdGeEllipArc3d::isClosed(const OdGeTol& tol) const
{
    return m_endAng - m_startAng >= kTwoPi - kFullTurnTol || OdGeCurve3d::isClosed(tol);
}

OdGePoint3d OdGeEllipArc3d::evalPoint(double param) const
{
    const double s = angleAt(param);
    return m_center + m_majorAxis * (m_majorRadius * std::cos(s)) +
           minorAxis() * (m_minorRadius * std::sin(s));
}

OdGePoint3d OdGeEllipArc3d::evalPoint(double param, int numDeriv, OdGeVector3dArray& derivatives) const
{
    const double s = angleAt(param);
    const double c = std::cos(s), sn = std::sin(s);
    const OdGeVector3d u = m_majorAxis * m_majorRadius, v = minorAxis() * m_minorRadius;
    derivatives.clear();
    if (numDeriv >= 1)
        derivatives.append((v * c - u * sn) * m_sign);
    if (numDeriv >= 2)
        derivatives.append((u * c + v * sn) * -1.0);
    return m_center + u * c + v * sn;
}

OdGeVector3d OdGeEllipArc3d::firstDerivative(double param) const
{
    const double s = angleAt(param);
    return (minorAxis() * (m_minorRadius * std::cos(s)) - m_majorAxis * (m_majorRadius * std::sin(s))) *
           m_sign;
}

void OdGeEllipArc3d::getGeomExtents(OdGeExtents3d& extents) const
{
    extents.addPoint(evalPoint(m_startAng));
    extents.addPoint(evalPoint(m_endAng));
    const OdGeVector3d u = m_majorAxis * m_majorRadius, v = minorAxis() * m_minorRadius;
    const double uc[3] = {u.x, u.y, u.z};
    const double vc[3] = {v.x, v.y, v.z};
    const double lo = std::min(angleAt(m_startAng), angleAt(m_endAng));
    const double hi = std::max(angleAt(m_startAng), angleAt(m_endAng));
    for (int axis = 0; axis < 3; ++axis)
    {
        // The coordinate is c + u cos s + v sin s: extreme at atan2(v, u) and half a turn on.
        if (uc[axis] == 0.0 && vc[axis] == 0.0)
            continue;
        const double peak = std::atan2(vc[axis], uc[axis]);
        for (double s : {peak, peak + std::numbers::pi})
        {
            const double a = angleFrom(s, lo);
            if (a <= hi)
                extents.addPoint(m_center + u * std::cos(a) + v * std::sin(a));
        }
    }
}
