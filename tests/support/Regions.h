#pragma once

// Planar regions built from lines and circles, shared by the tests and the benchmarks. Loops are given
// in drawing coordinates; the region stand-in checks them and these builders throw when it refuses.

#include "platform/db/DbRegion.h"
#include "platform/ge/GeCircArc3d.h"
#include "platform/ge/GeLineSeg3d.h"
#include "platform/ge/GePoint2d.h"

#include <initializer_list>
#include <stdexcept>
#include <vector>

namespace test_regions
{

inline OdSharedPtr<OdGeCurve3d> line(double x0, double y0, double x1, double y1)
{
    return OdSharedPtr<OdGeCurve3d>(new OdGeLineSeg3d(OdGePoint3d(x0, y0, 0.0), OdGePoint3d(x1, y1, 0.0)));
}

/// A full circle, counter-clockwise.
inline OdSharedPtr<OdGeCurve3d> circle(double cx, double cy, double r)
{
    return OdSharedPtr<OdGeCurve3d>(new OdGeCircArc3d(OdGePoint3d(cx, cy, 0.0), OdGeVector3d::kZAxis, r));
}

/// The closed polygon through the corners, in their order.
inline OdDbRegion::Loop polygon(std::initializer_list<OdGePoint2d> corners)
{
    const std::vector<OdGePoint2d> c(corners);
    OdDbRegion::Loop loop;
    for (std::size_t i = 0; i < c.size(); ++i)
        loop.push_back(line(c[i].x, c[i].y, c[(i + 1) % c.size()].x, c[(i + 1) % c.size()].y));
    return loop;
}

/// The counter-clockwise loop of the rectangle [x0, x1] x [y0, y1], starting at (x0, y0).
inline OdDbRegion::Loop rectangleLoop(double x0, double y0, double x1, double y1)
{
    return polygon({OdGePoint2d(x0, y0), OdGePoint2d(x1, y0), OdGePoint2d(x1, y1), OdGePoint2d(x0, y1)});
}

/// A region of the loops (the outer one first); throws std::invalid_argument when the region refuses them.
inline OdSmartPtr<OdDbRegion> makeRegion(const std::vector<OdDbRegion::Loop>& loops)
{
    OdSmartPtr<OdDbRegion> region = OdDbRegion::createObject();
    if (region->setLoops(loops) != eOk)
        throw std::invalid_argument("test_regions::makeRegion: the region refuses these loops");
    return region;
}

inline OdSmartPtr<OdDbRegion> makeRectangle(double x0, double y0, double x1, double y1)
{
    return makeRegion({rectangleLoop(x0, y0, x1, y1)});
}

/// The rectangle [0, w] x [0, h] with a circular hole of radius r about (cx, cy).
inline OdSmartPtr<OdDbRegion> makePlateWithHole(double w, double h, double cx, double cy, double r)
{
    return makeRegion({rectangleLoop(0.0, 0.0, w, h), {circle(cx, cy, r)}});
}

} // namespace test_regions
