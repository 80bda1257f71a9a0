#include "platform/ge/GeExternalCurve3d.h"

OdGeExternalCurve3d::OdGeExternalCurve3d(const OdGeCurve3d& nativeCurve) : m_native(nativeCurve.copy()) {}

OdGeExternalCurve3d::OdGeExternalCurve3d(const OdGeExternalCurve3d& source)
    : OdGeCurve3d(source), m_native(source.m_native ? source.m_native->copy() : nullptr)
{
}

OdGeExternalCurve3d& OdGeExternalCurve3d::operator=(const OdGeExternalCurve3d& source)
{
    if (this != &source)
    {
        OdGeCurve3d* copy = source.m_native ? source.m_native->copy() : nullptr;
        delete m_native;
        m_native = copy;
    }
    return *this;
}

OdGeExternalCurve3d::~OdGeExternalCurve3d()
{
    delete m_native;
}

bool OdGeExternalCurve3d::isNativeCurve(OdGeCurve3d*& nativeCurve) const
{
    nativeCurve = m_native ? m_native->copy() : nullptr;
    return nativeCurve != nullptr;
}

bool OdGeExternalCurve3d::isKindOf(OdGe::EntityId entType) const
{
    return OdGeCurve3d::isKindOf(entType);
}

OdGeExternalCurve3d& OdGeExternalCurve3d::transformBy(const OdGeMatrix3d& xfm)
{
    if (m_native)
        m_native->transformBy(xfm);
    return *this;
}

void OdGeExternalCurve3d::getInterval(OdGeInterval& interval) const
{
    if (m_native)
        m_native->getInterval(interval);
    else
        interval.set();
}

bool OdGeExternalCurve3d::hasStartPoint(OdGePoint3d& startPoint) const
{
    return m_native && m_native->hasStartPoint(startPoint);
}

bool OdGeExternalCurve3d::hasEndPoint(OdGePoint3d& endPoint) const
{
    return m_native && m_native->hasEndPoint(endPoint);
}

OdGeExternalCurve3d& OdGeExternalCurve3d::reverseParam()
{
    if (m_native)
        m_native->reverseParam();
    return *this;
}

bool OdGeExternalCurve3d::isLinear(const OdGeTol& tol) const
{
    return m_native && m_native->isLinear(tol);
}

bool OdGeExternalCurve3d::isCircular(const OdGeTol& tol) const
{
    return m_native && m_native->isCircular(tol);
}

bool OdGeExternalCurve3d::isClosed(const OdGeTol& tol) const
{
    return m_native && m_native->isClosed(tol);
}

double OdGeExternalCurve3d::length(double fromParam, double toParam, double tol) const
{
    return m_native ? m_native->length(fromParam, toParam, tol) : 0.0;
}

double OdGeExternalCurve3d::paramAtLength(double datumParam, double length, bool posParamDir,
                                          double tol) const
{
    return m_native ? m_native->paramAtLength(datumParam, length, posParamDir, tol) : datumParam;
}

OdGePoint3d OdGeExternalCurve3d::evalPoint(double param) const
{
    return m_native ? m_native->evalPoint(param) : OdGePoint3d();
}

OdGePoint3d OdGeExternalCurve3d::evalPoint(double param, int numDeriv, OdGeVector3dArray& derivatives) const
{
    if (m_native)
        return m_native->evalPoint(param, numDeriv, derivatives);
    derivatives.clear();
    return OdGePoint3d();
}

double OdGeExternalCurve3d::paramOf(const OdGePoint3d& point, const OdGeTol& tol) const
{
    return m_native ? m_native->paramOf(point, tol) : 0.0;
}

void OdGeExternalCurve3d::getGeomExtents(OdGeExtents3d& extents) const
{
    if (m_native)
        m_native->getGeomExtents(extents);
}

void OdGeExternalCurve3d::getBreakParams(OdGeDoubleArray& params) const
{
    if (m_native)
        m_native->getBreakParams(params);
    else
        params.clear();
}
