#include "platform/ge/GeCircArc3d.h"

#include "platform/base/OdError.h"
#include "platform/ge/detail/GeArcAngles.h"

#include <algorithm>
#include <cmath>

using OdGeArcAngles::angleFrom;
using OdGeArcAngles::kTwoPi;

namespace
{
OdGeVector3d perpendicularTo(const OdGeVector3d& n)
{
    // Near the z axis the x axis projected into the plane (exactly x for +-z), otherwise the
    // horizontal direction z x n; both stay well away from zero length.
    if (std::abs(n.x) < 1.0 / 64.0 && std::abs(n.y) < 1.0 / 64.0)
        return (OdGeVector3d::kXAxis - n * n.x).normal();
    return OdGeVector3d::kZAxis.crossProduct(n).normal();
}
} // namespace

OdGeCircArc3d::OdGeCircArc3d() : m_endAng(kTwoPi) {}

OdGeCircArc3d::OdGeCircArc3d(const OdGePoint3d& center, const OdGeVector3d& normal, double radius)
{
    set(center, normal, radius);
}

OdGeCircArc3d::OdGeCircArc3d(const OdGePoint3d& center, const OdGeVector3d& normal,
                             const OdGeVector3d& refVec, double radius, double startAng, double endAng)
{
    set(center, normal, refVec, radius, startAng, endAng);
}

OdGeCircArc3d::OdGeCircArc3d(const OdGePoint3d& startPoint, const OdGePoint3d& secondPoint,
                             const OdGePoint3d& endPoint)
{
    const OdGeVector3d a = secondPoint - startPoint, b = endPoint - startPoint;
    const OdGeVector3d n = a.crossProduct(b);
    const double n2 = n.lengthSqrd();
    if (a.isZeroLength() || b.isZeroLength() || (endPoint - secondPoint).isZeroLength() ||
        n.length() <= OdGeContext::gTol.equalPoint() * std::max(a.length(), b.length()))
        throw OdError(eDegenerateGeometry,
                      "arc through three points: the points coincide or lie on one line");
    // Circumcentre of the triangle: start + ((|a|^2 b - |b|^2 a) x (a x b)) / (2 |a x b|^2).
    const OdGeVector3d offset = (b * a.lengthSqrd() - a * b.lengthSqrd()).crossProduct(n) / (2.0 * n2);
    m_center = startPoint + offset;
    m_radius = offset.length();
    m_normal = n.normal();
    m_refVec = (startPoint - m_center).normal();
    const OdGeVector3d e = endPoint - m_center;
    m_startAng = 0.0;
    m_endAng = angleFrom(std::atan2(e.dotProduct(yAxis()), e.dotProduct(m_refVec)), 0.0);
}

OdGeCircArc3d& OdGeCircArc3d::set(const OdGePoint3d& center, const OdGeVector3d& normal, double radius)
{
    const OdGeVector3d n = normal.normal();
    return set(center, n, perpendicularTo(n), radius, 0.0, kTwoPi);
}

OdGeCircArc3d& OdGeCircArc3d::set(const OdGePoint3d& center, const OdGeVector3d& normal,
                                  const OdGeVector3d& refVec, double radius, double startAng, double endAng)
{
    if (normal.isZeroLength())
        throw OdError(eInvalidInput, "circular arc: the normal has zero length");
    if (!(radius > 0.0))
        throw OdError(eInvalidInput, "circular arc: the radius must be positive");
    m_center = center;
    m_normal = normal.normal();
    // Keep only the in-plane part of the reference vector.
    OdGeVector3d ref = refVec - m_normal * refVec.dotProduct(m_normal);
    m_refVec = ref.isZeroLength() ? perpendicularTo(m_normal) : ref.normal();
    m_radius = radius;
    return setAngles(startAng, endAng);
}

OdGeCircArc3d& OdGeCircArc3d::setAngles(double startAng, double endAng)
{
    m_startAng = startAng;
    m_endAng = OdGeArcAngles::sweptEnd(startAng, endAng);
    return *this;
}

bool OdGeCircArc3d::isKindOf(OdGe::EntityId entType) const
{
    return OdGeCurve3d::isKindOf(entType);
}

OdGeCircArc3d& OdGeCircArc3d::transformBy(const OdGeMatrix3d& xfm)
{
    m_radius *= OdGeArcAngles::transformAxes(m_refVec, m_normal, xfm,
                                             "circular arc: the transform would not keep the arc circular");
    m_center.transformBy(xfm);
    return *this;
}

void OdGeCircArc3d::getInterval(OdGeInterval& interval) const
{
    interval.set(m_startAng, m_endAng);
}

OdGeCircArc3d& OdGeCircArc3d::reverseParam()
{
    // point'(t) = point(start + end - t): flip the normal and put the reference vector at the
    // angle start + end, so the arc is travelled backwards over the same interval.
    const double a = m_startAng + m_endAng;
    const OdGeVector3d v = yAxis();
    m_refVec = (m_refVec * std::cos(a) + v * std::sin(a)).normal();
    m_normal = -m_normal;
    return *this;
}

bool OdGeCircArc3d::isLinear(const OdGeTol&) const
{
    return false;
}

bool OdGeCircArc3d::isCircular(const OdGeTol&) const
{
    return true;
}

bool OdGeCircArc3d::isClosed(const OdGeTol& tol) const
{
    return OdGeArcAngles::isFullTurn(m_startAng, m_endAng) || OdGeCurve3d::isClosed(tol);
}

double OdGeCircArc3d::length(double fromParam, double toParam, double) const
{
    return m_radius * std::abs(toParam - fromParam);
}

double OdGeCircArc3d::paramAtLength(double datumParam, double length, bool posParamDir, double) const
{
    const double t = datumParam + (posParamDir ? length : -length) / m_radius;
    return std::clamp(t, m_startAng, m_endAng);
}

OdGePoint3d OdGeCircArc3d::evalPoint(double param) const
{
    return m_center + (m_refVec * std::cos(param) + yAxis() * std::sin(param)) * m_radius;
}

OdGePoint3d OdGeCircArc3d::evalPoint(double param, int numDeriv, OdGeVector3dArray& derivatives) const
{
    const double c = std::cos(param), s = std::sin(param);
    const OdGeVector3d v = yAxis();
    derivatives.clear();
    if (numDeriv >= 1)
        derivatives.append((v * c - m_refVec * s) * m_radius);
    if (numDeriv >= 2)
        derivatives.append((m_refVec * c + v * s) * -m_radius);
    return m_center + (m_refVec * c + v * s) * m_radius;
}

double OdGeCircArc3d::paramOf(const OdGePoint3d& point, const OdGeTol&) const
{
    const OdGeVector3d d = point - m_center;
    const double x = d.dotProduct(m_refVec), y = d.dotProduct(yAxis());
    if (x == 0.0 && y == 0.0)
        return m_startAng; // the centre: every point is equally close
    const double t = angleFrom(std::atan2(y, x), m_startAng);
    if (t <= m_endAng)
        return t;
    // Beyond the arc's end: the closer of the two end points.
    return evalPoint(m_startAng).distanceTo(point) <= evalPoint(m_endAng).distanceTo(point) ? m_startAng
                                                                                            : m_endAng;
}

void OdGeCircArc3d::getGeomExtents(OdGeExtents3d& extents) const
{
    extents.addPoint(evalPoint(m_startAng));
    extents.addPoint(evalPoint(m_endAng));
    OdGeArcAngles::forEachExtremeAngle(m_refVec, yAxis(), m_startAng, m_endAng,
                                       [&](double a) { extents.addPoint(evalPoint(a)); });
}
