#pragma once

// Inline floating-point filters of the exact predicates, for the library's own hot loops.
//
// Only sources of the cdt target include this header: they are compiled with floating-point contraction
// switched off, because the error bounds below assume that every product and sum is rounded on its own
// (a fused multiply-add would change the rounding the bounds were derived for).

#include <cmath>

// The predicates and neighbour updates of the insertion loop run tens of millions of times per million
// points; a call each costs more than the filter itself, and the compiler's size heuristics would not inline
// them.
#if defined(__GNUC__) || defined(__clang__)
#define CDT_HOT_INLINE [[gnu::always_inline]] inline
#else
#define CDT_HOT_INLINE inline
#endif

// A hint to start loading memory the insertion loop reads soon, so that several cache misses overlap.
#if defined(__GNUC__) || defined(__clang__)
#define CDT_PREFETCH(address) __builtin_prefetch(address)
#else
#define CDT_PREFETCH(address) ((void)(address))
#endif

namespace CDT::detail
{

/// Unit roundoff of double with round-to-nearest: 2^-53.
inline constexpr double unitRoundoff = 1.1102230246251565e-16;

/// Relative error bound of the floating-point 2x2 orientation determinant (3 + 16u)u: when |det| exceeds this
/// times the sum of the magnitudes of its two products, the computed sign is the exact sign.
inline constexpr double orientErrorBound = (3.0 + 16.0 * unitRoundoff) * unitRoundoff;

/// Relative error bound (10 + 96u)u of the floating-point in-circle determinant against its permanent
/// (the same expression with every term replaced by its magnitude).
inline constexpr double inCircleErrorBound = (10.0 + 96.0 * unitRoundoff) * unitRoundoff;

/// Exact sign of the orientation determinant (expansion arithmetic); out of line, rarely called.
int orientSignExact(double ax, double ay, double bx, double by, double cx, double cy);

/// Exact sign of the in-circle determinant (expansion arithmetic); out of line, rarely called.
int inCircleSignExact(double ax, double ay, double bx, double by, double cx, double cy, double dx, double dy);

/// Sign of orient(a, b, c) = (a - c) x (b - c): +1 when c lies left of the directed line a -> b (a, b, c
/// counter-clockwise), -1 when right, 0 when the three points are collinear.
CDT_HOT_INLINE int orientSign(double ax, double ay, double bx, double by, double cx, double cy)
{
    const double detLeft = (ax - cx) * (by - cy);
    const double detRight = (ay - cy) * (bx - cx);
    const double det = detLeft - detRight;
    // Products of opposite signs (or a zero one) cannot cancel, so |det| then equals their magnitudes' sum
    // up to rounding and passes the bound below: one test without branching on the signs, which are random
    // during a walk and would be mispredicted every other time.
    const double bound = orientErrorBound * (std::fabs(detLeft) + std::fabs(detRight));
    if (std::fabs(det) > bound)
        return det > 0.0 ? 1 : -1;
    // A zero product leaves det as the other one, whose sign is exact: points on a common grid line are
    // decided here, not by the expansions.
    if (detLeft == 0.0 || detRight == 0.0)
        return det > 0.0 ? 1 : (det < 0.0 ? -1 : 0);
    return orientSignExact(ax, ay, bx, by, cx, cy);
}

/// Sign of the in-circle determinant: +1 when d lies inside the circle through a, b, c (counter-clockwise),
/// -1 when outside, 0 when on it.
CDT_HOT_INLINE int inCircleSign(double ax, double ay, double bx, double by, double cx, double cy, double dx,
                                double dy)
{
    const double adx = ax - dx;
    const double ady = ay - dy;
    const double bdx = bx - dx;
    const double bdy = by - dy;
    const double cdx = cx - dx;
    const double cdy = cy - dy;

    const double bdxcdy = bdx * cdy;
    const double cdxbdy = cdx * bdy;
    const double aLift = adx * adx + ady * ady;
    const double cdxady = cdx * ady;
    const double adxcdy = adx * cdy;
    const double bLift = bdx * bdx + bdy * bdy;
    const double adxbdy = adx * bdy;
    const double bdxady = bdx * ady;
    const double cLift = cdx * cdx + cdy * cdy;

    const double det = aLift * (bdxcdy - cdxbdy) + bLift * (cdxady - adxcdy) + cLift * (adxbdy - bdxady);
    const double permanent = (std::fabs(bdxcdy) + std::fabs(cdxbdy)) * aLift +
                             (std::fabs(cdxady) + std::fabs(adxcdy)) * bLift +
                             (std::fabs(adxbdy) + std::fabs(bdxady)) * cLift;
    const double bound = inCircleErrorBound * permanent;
    if (det > bound)
        return 1;
    if (-det > bound)
        return -1;
    return inCircleSignExact(ax, ay, bx, by, cx, cy, dx, dy);
}

} // namespace CDT::detail
