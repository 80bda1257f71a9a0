#pragma once

#include "cae_core/glyphs/BaseDrawer.h"
#include "platform/db/DbObject.h"

namespace cae_core::fea2d
{
/// Collects what is drawn as database entities, not added to any database, for a glyph block:
/// a line per drawLine, a closed lightweight polyline per drawPolygon, and the entity itself
/// (shared, not copied) per drawEntity.
class DbEntityDrawer : public BaseDrawer
{
public:
    void drawLine(const OdGePoint3d& start, const OdGePoint3d& end) override;
    void drawPolygon(const OdArray<OdGePoint3d>& points) override;
    void drawEntity(const OdDbEntity& entity) override;

    /// Everything drawn so far, in drawing order.
    const OdArray<OdSmartPtr<OdDbEntity>>& entities() const { return m_entities; }

private:
    OdArray<OdSmartPtr<OdDbEntity>> m_entities;
};
} // namespace cae_core::fea2d
