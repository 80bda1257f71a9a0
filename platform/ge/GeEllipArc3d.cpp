#include "platform/ge/GeEllipArc3d.h"

#include "platform/base/OdError.h"
#include "platform/ge/detail/GeArcAngles.h"

#include <algorithm>
#include <cmath>

OdGeEllipArc3d::OdGeEllipArc3d() : m_endAng(OdGeArcAngles::kTwoPi) {}

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
    m_startAng = startAng;
    m_endAng = OdGeArcAngles::sweptEnd(startAng, endAng);
    return *this;
}

OdGeEllipArc3d& OdGeEllipArc3d::transformBy(const OdGeMatrix3d& xfm)
{
    const double scale = OdGeArcAngles::transformAxes(
        m_majorAxis, m_normal, xfm, "elliptical arc: the transform would distort the ellipse");
    m_center.transformBy(xfm);
    m_majorRadius *= scale;
    m_minorRadius *= scale;
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
    return OdGeArcAngles::isFullTurn(m_startAng, m_endAng) || OdGeCurve3d::isClosed(tol);
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
    // The extremes are found in the ellipse's own angle, which a reversed arc does not run along.
    const double lo = std::min(angleAt(m_startAng), angleAt(m_endAng));
    const double hi = std::max(angleAt(m_startAng), angleAt(m_endAng));
    OdGeArcAngles::forEachExtremeAngle(
        u, v, lo, hi, [&](double a) { extents.addPoint(m_center + u * std::cos(a) + v * std::sin(a)); });
}
