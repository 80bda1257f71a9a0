#pragma once

#include "platform/db/DbRegion.h"
#include "platform/ge/GeCircArc3d.h"
#include "platform/ge/GeLineSeg3d.h"

#include <initializer_list>

namespace regiontest
{
inline OdSharedPtr<OdGeCurve3d> line(double x0, double y0, double x1, double y1)
{
    return OdSharedPtr<OdGeCurve3d>(new OdGeLineSeg3d(OdGePoint3d(x0, y0, 0), OdGePoint3d(x1, y1, 0)));
}

inline OdSharedPtr<OdGeCurve3d> circle(double cx, double cy, double r)
{
    return OdSharedPtr<OdGeCurve3d>(new OdGeCircArc3d(OdGePoint3d(cx, cy, 0), OdGeVector3d::kZAxis, r));
}

/// Closed polyline loop through the given corners.
inline OdDbRegion::Loop polygon(std::initializer_list<OdGePoint2d> corners)
{
    OdDbRegion::Loop loop;
    const std::vector<OdGePoint2d> c(corners);
    for (std::size_t i = 0; i < c.size(); ++i)
    {
        const OdGePoint2d& a = c[i];
        const OdGePoint2d& b = c[(i + 1) % c.size()];
        loop.push_back(line(a.x, a.y, b.x, b.y));
    }
    return loop;
}

inline OdDbRegion::Loop square(double x0, double y0, double side)
{
    return polygon({OdGePoint2d(x0, y0), OdGePoint2d(x0 + side, y0), OdGePoint2d(x0 + side, y0 + side),
                    OdGePoint2d(x0, y0 + side)});
}
} // namespace regiontest
