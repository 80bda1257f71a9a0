#pragma once

#include "tests/support/Regions.h"

/// The benchmarks' common workload: a 200 x 100 plate with a centred hole of radius 20.
namespace bench_plate
{

constexpr double kWidth = 200.0;
constexpr double kHeight = 100.0;
constexpr double kHoleRadius = 20.0;
constexpr double kHoleCentreX = kWidth / 2;
constexpr double kHoleCentreY = kHeight / 2;

inline OdSmartPtr<OdDbRegion> plateWithHole()
{
    return test_regions::makePlateWithHole(kWidth, kHeight, kHoleCentreX, kHoleCentreY, kHoleRadius);
}

} // namespace bench_plate
