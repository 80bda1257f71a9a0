#include "platform/db/DbText.h"

#include "platform/base/OdError.h"

OdSmartPtr<OdDbText> OdDbText::createObject()
{
    return odrxCreateObject<OdDbText>();
}

void OdDbText::setHeight(double height)
{
    if (!(height > 0.0))
        throw OdError(eInvalidInput, "OdDbText::setHeight: the height must be positive");
    m_height = height;
}

void OdDbText::getBoundingPoints(OdGePoint3dArray& points) const
{
    const double w = kCharWidthFactor * m_height * m_text.getLength();
    points.clear();
    points.append(m_position);
    points.append(m_position + OdGeVector3d(w, 0, 0));
    points.append(m_position + OdGeVector3d(0, m_height, 0));
    points.append(m_position + OdGeVector3d(w, m_height, 0));
}

OdResult OdDbText::getGeomExtents(OdGeExtents3d& extents) const
{
    OdGePoint3dArray corners;
    getBoundingPoints(corners);
    OdGeExtents3d box;
    for (const OdGePoint3d& p : corners)
        box.addPoint(p);
    extents = box;
    return eOk;
}
