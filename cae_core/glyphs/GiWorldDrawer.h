#pragma once

#include "cae_core/glyphs/BaseDrawer.h"

class OdGiWorldDraw;

namespace cae_core::fea2d
{
/// Draws straight into a viewport's world graphics, for a glyph shown on screen: lines as
/// two-point polylines, polygons filled, entities as they draw themselves. The world draw is
/// borrowed for the drawer's lifetime.
class GiWorldDrawer : public BaseDrawer
{
public:
    explicit GiWorldDrawer(OdGiWorldDraw& worldDraw) : m_worldDraw(worldDraw) {}

    void drawLine(const OdGePoint3d& start, const OdGePoint3d& end) override;
    /// Nothing for an empty array; the fill type in force before is restored afterwards.
    void drawPolygon(const OdArray<OdGePoint3d>& points) override;
    void drawEntity(const OdDbEntity& entity) override;

private:
    OdGiWorldDraw& m_worldDraw;
};
} // namespace cae_core::fea2d
