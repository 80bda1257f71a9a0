#include "cae_core/glyphs/GiWorldDrawer.h"

#include "platform/db/DbObject.h"
#include "platform/gi/GiWorldDraw.h"

namespace cae_core::fea2d
{
void GiWorldDrawer::drawLine(const OdGePoint3d& start, const OdGePoint3d& end)
{
    const OdGePoint3d points[2] = {start, end};
    m_worldDraw.geometry().polyline(2, points);
}

void GiWorldDrawer::drawPolygon(const OdArray<OdGePoint3d>& points)
{
    if (points.isEmpty())
        return;
    // Arrow heads and support triangles are solid; what is drawn after them keeps its own fill.
    OdGiSubEntityTraits& traits = m_worldDraw.subEntityTraits();
    const OdGiFillType before = traits.fillType();
    traits.setFillType(kOdGiFillAlways);
    m_worldDraw.geometry().polygon(static_cast<std::int32_t>(points.size()), points.getPtr());
    traits.setFillType(before);
}

void GiWorldDrawer::drawEntity(const OdDbEntity& entity)
{
    entity.worldDraw(&m_worldDraw);
}
} // namespace cae_core::fea2d
