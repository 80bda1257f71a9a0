#pragma once

#include "platform/ge/GeMatrix3d.h"
#include "platform/ge/GeVector3d.h"

#include <cmath>
#include <initializer_list>
#include <numbers>

/// Angle bookkeeping shared by the circular and the elliptical arc: a circle is the ellipse whose
/// radii are equal, so both keep an interval of angles with a sweep in (0, 2 pi] and both move their
/// in-plane axes the same way under a transform.
namespace OdGeArcAngles
{
constexpr double kTwoPi = 2.0 * std::numbers::pi;

/// angle moved into [from, from + 2 pi).
double angleFrom(double angle, double from);

/// The end angle that gives startAng a sweep in (0, 2 pi]: a sweep beyond a turn is one turn, an end
/// at or below the start is taken whole turns on.
double sweptEnd(double startAng, double endAng);

/// Whether the interval sweeps a full turn, allowing for the rounding of the angles it was made from.
bool isFullTurn(double startAng, double endAng);

/// Moves an arc's unit in-plane axis and unit normal by xfm, the second in-plane axis being
/// normal x axis, and returns the factor the transform scales the arc by. The transformed axes must
/// stay equally long and at right angles for the arc to keep its shape; otherwise raises
/// OdError(eNotApplicable, whatFails) and leaves both as they were. The normal follows the
/// transformed axes, so a mirror reverses it and every angle keeps its point.
double transformAxes(OdGeVector3d& axis, OdGeVector3d& normal, const OdGeMatrix3d& xfm,
                     const char* whatFails);

/// Calls visit(a) for each angle a in [lo, hi] (hi - lo <= 2 pi) at which a coordinate of
/// u cos a + v sin a is extreme, axis by axis: at atan2(v, u) and half a turn on.
template <class Visit>
void forEachExtremeAngle(const OdGeVector3d& u, const OdGeVector3d& v, double lo, double hi, Visit&& visit)
{
    const double uc[3] = {u.x, u.y, u.z};
    const double vc[3] = {v.x, v.y, v.z};
    for (int axis = 0; axis < 3; ++axis)
    {
        if (uc[axis] == 0.0 && vc[axis] == 0.0)
            continue;
        const double peak = std::atan2(vc[axis], uc[axis]);
        for (double t : {peak, peak + std::numbers::pi})
        {
            const double a = angleFrom(t, lo);
            if (a <= hi)
                visit(a);
        }
    }
}
} // namespace OdGeArcAngles
