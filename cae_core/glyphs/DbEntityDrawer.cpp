#include "cae_core/glyphs/DbEntityDrawer.h"

#include "platform/db/DbLine.h"
#include "platform/db/DbPolyline.h"

namespace cae_core::fea2d
{
void DbEntityDrawer::drawLine(const OdGePoint3d& start, const OdGePoint3d& end)
{
    const OdDbLinePtr line = OdDbLine::createObject();
    line->setStartPoint(start);
    line->setEndPoint(end);
    m_entities.append(line);
}

void DbEntityDrawer::drawPolygon(const OdArray<OdGePoint3d>& points)
{
    const OdDbPolylinePtr polygon = OdDbPolyline::createObject();
    for (const OdGePoint3d& p : points)
        polygon->addVertexAt(polygon->numVerts(), OdGePoint2d(p.x, p.y), 0.0, -1.0, -1.0);
    polygon->setClosed(true);
    m_entities.append(polygon);
}

void DbEntityDrawer::drawEntity(const OdDbEntity& entity)
{
    // Entities are reference counted: the drawer shares the caller's object.
    m_entities.append(OdSmartPtr<OdDbEntity>(const_cast<OdDbEntity*>(&entity)));
}
} // namespace cae_core::fea2d
