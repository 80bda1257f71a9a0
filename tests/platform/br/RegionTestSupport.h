#pragma once

#include "tests/support/Regions.h"

namespace regiontest
{
using test_regions::circle;
using test_regions::line;
using test_regions::polygon;

/// The square of the given side with its lower left corner at (x0, y0), counter-clockwise.
inline OdDbRegion::Loop square(double x0, double y0, double side)
{
    return test_regions::rectangleLoop(x0, y0, x0 + side, y0 + side);
}
} // namespace regiontest
