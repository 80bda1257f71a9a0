#include "platform/ge/GeLineSeg3d.h"

#include <algorithm>

OdGeLineSeg3d& OdGeLineSeg3d::set(const OdGePoint3d& startPoint, const OdGePoint3d& endPoint)
{
    m_start = startPoint;
    m_end = endPoint;
    return *this;
}

OdGePoint3d OdGeLineSeg3d::midPoint() const
{
    return evalPoint(0.5);
}

bool OdGeLineSeg3d::isKindOf(OdGe::EntityId entType) const
{
    return entType == OdGe::kLinearEnt3d || OdGeCurve3d::isKindOf(entType);
}

OdGeLineSeg3d& OdGeLineSeg3d::transformBy(const OdGeMatrix3d& xfm)
{
    m_start.transformBy(xfm);
    m_end.transformBy(xfm);
    return *this;
}

void OdGeLineSeg3d::getInterval(OdGeInterval& interval) const
{
    interval.set(0.0, 1.0);
}

OdGeLineSeg3d& OdGeLineSeg3d::reverseParam()
{
    std::swap(m_start, m_end);
    return *this;
}

bool OdGeLineSeg3d::isLinear(const OdGeTol& tol) const
{
    // A segment whose ends coincide is a point, not a line.
    return !m_start.isEqualTo(m_end, tol);
}

bool OdGeLineSeg3d::isCircular(const OdGeTol&) const
{
    return false;
}

double OdGeLineSeg3d::length(double fromParam, double toParam, double) const
{
    return std::abs(toParam - fromParam) * length();
}

double OdGeLineSeg3d::paramAtLength(double datumParam, double length, bool posParamDir, double) const
{
    const double total = this->length();
    if (total <= 0.0)
        return datumParam;
    const double t = datumParam + (posParamDir ? length : -length) / total;
    return std::clamp(t, 0.0, 1.0);
}

OdGePoint3d OdGeLineSeg3d::evalPoint(double param) const
{
    // Weighted from both ends so that parameters 0 and 1 give the end points exactly.
    const double s = 1.0 - param;
    return OdGePoint3d(s * m_start.x + param * m_end.x, s * m_start.y + param * m_end.y,
                       s * m_start.z + param * m_end.z);
}

OdGePoint3d OdGeLineSeg3d::evalPoint(double param, int numDeriv, OdGeVector3dArray& derivatives) const
{
    derivatives.clear();
    if (numDeriv >= 1)
        derivatives.append(direction());
    if (numDeriv >= 2)
        derivatives.append(OdGeVector3d());
    return evalPoint(param);
}

double OdGeLineSeg3d::paramOf(const OdGePoint3d& point, const OdGeTol&) const
{
    const OdGeVector3d d = direction();
    const double len2 = d.lengthSqrd();
    if (len2 <= 0.0)
        return 0.0;
    return std::clamp((point - m_start).dotProduct(d) / len2, 0.0, 1.0);
}

void OdGeLineSeg3d::getGeomExtents(OdGeExtents3d& extents) const
{
    extents.addPoint(m_start);
    extents.addPoint(m_end);
}
