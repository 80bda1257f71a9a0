#include "cae_core/mesher2d/RefinementRegion.h"
#include "cae_core/mesher2d/MesherTolerances.h"

#include "platform/ge/GeContext.h"

#include <algorithm>

namespace cae_core
{

RefinementRegion::~RefinementRegion() = default;

RefinementRectangle::RefinementRectangle(const OdGePoint2d& a, const OdGePoint2d& b)
    : minPoint(std::min(a.x, b.x), std::min(a.y, b.y)), maxPoint(std::max(a.x, b.x), std::max(a.y, b.y))
{
}

bool RefinementRectangle::containsPoint(const OdGePoint2d& p) const
{
    const double t = OdGeContext::gTol.equalPoint();
    if (t > 0.0)
        return minPoint.x - p.x <= t && minPoint.y - p.y <= t && p.x - maxPoint.x <= t &&
               p.y - maxPoint.y <= t;
    return minPoint.x <= p.x && p.x <= maxPoint.x && minPoint.y <= p.y && p.y <= maxPoint.y;
}

RefinementCircle::RefinementCircle(const OdGePoint2d& centerPoint, double circleRadius)
    : center(centerPoint), radius(circleRadius)
{
}

bool RefinementCircle::containsPoint(const OdGePoint2d& p) const
{
    return p.distanceTo(center) <= radius + kCircleRadiusSlack;
}

} // namespace cae_core
