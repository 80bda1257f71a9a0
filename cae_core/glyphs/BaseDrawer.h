#pragma once

#include "platform/base/OdArray.h"
#include "platform/ge/GePoint3d.h"

class OdDbEntity;

namespace cae_core::fea2d
{
/// Where glyphs draw themselves: on screen through a viewport's graphics, or into database
/// entities for a block. Points are in drawing coordinates.
class BaseDrawer
{
public:
    virtual ~BaseDrawer() = default;
    /// A straight line from start to end.
    virtual void drawLine(const OdGePoint3d& start, const OdGePoint3d& end) = 0;
    /// A filled, closed polygon through the points in order.
    virtual void drawPolygon(const OdArray<OdGePoint3d>& points) = 0;
    /// An entity (a curve, text or hatch) as it draws itself.
    virtual void drawEntity(const OdDbEntity& entity) = 0;
};
} // namespace cae_core::fea2d
