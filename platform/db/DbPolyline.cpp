#include "platform/db/DbPolyline.h"

#include "platform/base/OdError.h"
#include "platform/ge/GeLineSeg3d.h"

OdSmartPtr<OdDbPolyline> OdDbPolyline::createObject()
{
    return odrxCreateObject<OdDbPolyline>();
}

void OdDbPolyline::addVertexAt(unsigned index, const OdGePoint2d& point, double bulge, double startWidth,
                               double endWidth)
{
    if (index > m_vertices.size())
        throw OdError_InvalidIndex();
    m_vertices.insert(m_vertices.begin() + index, Vertex{point, bulge, startWidth, endWidth});
}

void OdDbPolyline::getPointAt(unsigned index, OdGePoint2d& point) const
{
    if (index >= m_vertices.size())
        throw OdError_InvalidIndex();
    point = m_vertices[index].point;
}

double OdDbPolyline::getBulgeAt(unsigned index) const
{
    if (index >= m_vertices.size())
        throw OdError_InvalidIndex();
    return m_vertices[index].bulge;
}

void OdDbPolyline::getWidthsAt(unsigned index, double& startWidth, double& endWidth) const
{
    if (index >= m_vertices.size())
        throw OdError_InvalidIndex();
    startWidth = m_vertices[index].startWidth;
    endWidth = m_vertices[index].endWidth;
}

OdResult OdDbPolyline::getOdGeCurve(OdGeCurve3d*& geCurve, const OdGeTol&) const
{
    if (m_vertices.size() != 2 || m_closed || m_vertices[0].bulge != 0.0)
        return eNotApplicable;
    const OdGePoint2d a = m_vertices[0].point, b = m_vertices[1].point;
    geCurve = new OdGeLineSeg3d(OdGePoint3d(a.x, a.y, m_elevation), OdGePoint3d(b.x, b.y, m_elevation));
    return eOk;
}

OdResult OdDbPolyline::getGeomExtents(OdGeExtents3d& extents) const
{
    if (m_vertices.empty())
        return eInvalidExtents;
    OdGeExtents3d box;
    for (const Vertex& v : m_vertices)
        box.addPoint(OdGePoint3d(v.point.x, v.point.y, m_elevation));
    extents = box;
    return eOk;
}
