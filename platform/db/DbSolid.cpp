#include "platform/db/DbSolid.h"

#include "platform/base/OdError.h"
#include "platform/ge/GeMatrix3d.h"
#include "platform/gi/GiWorldDraw.h"

OdSmartPtr<OdDbSolid> OdDbSolid::createObject()
{
    return odrxCreateObject<OdDbSolid>();
}

void OdDbSolid::getPointAt(int index, OdGePoint3d& point) const
{
    if (index < 0 || index > 3)
        throw OdError_InvalidIndex();
    point = m_points[static_cast<std::size_t>(index)];
}

void OdDbSolid::setPointAt(int index, const OdGePoint3d& point)
{
    if (index < 0 || index > 3)
        throw OdError_InvalidIndex();
    m_points[static_cast<std::size_t>(index)] = point;
}

OdResult OdDbSolid::getGeomExtents(OdGeExtents3d& extents) const
{
    OdGeExtents3d box;
    for (const OdGePoint3d& p : m_points)
        box.addPoint(p);
    extents = box;
    return eOk;
}

OdResult OdDbSolid::transformBy(const OdGeMatrix3d& xform)
{
    for (OdGePoint3d& p : m_points)
        p = xform * p;
    return eOk;
}

OdSmartPtr<OdDbEntity> OdDbSolid::clone() const
{
    return OdSmartPtr<OdDbEntity>(new OdDbSolid(*this));
}

bool OdDbSolid::subWorldDraw(OdGiWorldDraw* worldDraw) const
{
    if (!worldDraw)
        return false;
    const OdGePoint3d outline[4] = {m_points[0], m_points[1], m_points[3], m_points[2]};
    const bool triangle = m_points[2].isEqualTo(m_points[3]);
    worldDraw->geometry().polygon(triangle ? 3 : 4, outline);
    return true;
}
