#pragma once

#include "platform/db/DbRegion.h"
#include "platform/ge/GeCircArc3d.h"
#include "platform/ge/GeLineSeg3d.h"

/// The benchmarks' common workload: a 200 x 100 plate with a centred hole of radius 20.
namespace bench_plate
{

constexpr double kWidth = 200.0;
constexpr double kHeight = 100.0;
constexpr double kHoleRadius = 20.0;
constexpr double kHoleCentreX = kWidth / 2;
constexpr double kHoleCentreY = kHeight / 2;

inline OdSharedPtr<OdGeCurve3d> line(double x0, double y0, double x1, double y1)
{
    return OdSharedPtr<OdGeCurve3d>(new OdGeLineSeg3d(OdGePoint3d(x0, y0, 0.0), OdGePoint3d(x1, y1, 0.0)));
}

inline OdSmartPtr<OdDbRegion> plateWithHole()
{
    const double w = kWidth, h = kHeight;
    OdSmartPtr<OdDbRegion> region = OdDbRegion::createObject();
    const OdDbRegion::Loop outer{line(0, 0, w, 0), line(w, 0, w, h), line(w, h, 0, h), line(0, h, 0, 0)};
    const OdDbRegion::Loop hole{OdSharedPtr<OdGeCurve3d>(
        new OdGeCircArc3d(OdGePoint3d(kHoleCentreX, kHoleCentreY, 0.0), OdGeVector3d::kZAxis, kHoleRadius))};
    region->setLoops({outer, hole});
    return region;
}

} // namespace bench_plate
