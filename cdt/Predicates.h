#pragma once

// Exact geometric predicates on double coordinates.
//
// Each answer is exact for every finite input whose intermediate products neither overflow nor underflow:
// in practice coordinates of magnitude below 1e60 whose non-zero differences exceed 1e-60. A floating-point
// evaluation with a proven error bound answers almost every call; only nearly degenerate configurations
// (collinear or co-circular points, up to rounding) are re-evaluated with exact expansion arithmetic.

#include "cdt/CdtTypes.h"

namespace CDT
{

/// Where a point lies relative to a directed line.
enum class PtLineLocation
{
    Left,   ///< strictly to the left (counter-clockwise side)
    Right,  ///< strictly to the right (clockwise side)
    OnLine, ///< exactly on the line
};

/// Where a point lies relative to the circle through three points.
enum class PtCircleLocation
{
    Inside,   ///< strictly inside
    Outside,  ///< strictly outside
    OnCircle, ///< exactly on the circle
};

/// Location of p relative to the directed line through v1 towards v2 (v1 != v2).
PtLineLocation locatePointLine(const V2d<double>& p, const V2d<double>& v1, const V2d<double>& v2);

/// Location of p relative to the circumcircle of the triangle v1, v2, v3, which must be counter-clockwise
/// (for a clockwise triangle Inside and Outside swap).
PtCircleLocation locatePointCircle(const V2d<double>& p, const V2d<double>& v1, const V2d<double>& v2,
                                   const V2d<double>& v3);

} // namespace CDT
