#include "platform/ge/detail/GeArcAngles.h"

#include "platform/base/OdError.h"

namespace OdGeArcAngles
{
namespace
{
/// A sweep within this many radians of a full turn is a full turn: angles come from atan2 and sums
/// of order 2 pi, whose rounding is about 1e-15.
constexpr double kFullTurnTol = 1.e-12;
/// Relative tolerance for a transform to keep an arc's shape (lengths and right angle of the
/// transformed axes agree to this fraction).
constexpr double kConformalTol = 1.e-9;
} // namespace

double angleFrom(double angle, double from)
{
    double a = std::fmod(angle - from, kTwoPi);
    if (a < 0.0)
        a += kTwoPi;
    return from + a;
}

double sweptEnd(double startAng, double endAng)
{
    double sweep = endAng - startAng;
    if (sweep > kTwoPi)
        sweep = kTwoPi;
    else if (sweep <= 0.0)
    {
        sweep = std::fmod(sweep, kTwoPi);
        if (sweep <= 0.0)
            sweep += kTwoPi;
    }
    return startAng + sweep;
}

bool isFullTurn(double startAng, double endAng)
{
    return endAng - startAng >= kTwoPi - kFullTurnTol;
}

double transformAxes(OdGeVector3d& axis, OdGeVector3d& normal, const OdGeMatrix3d& xfm, const char* whatFails)
{
    OdGeVector3d u = axis, v = normal.crossProduct(axis);
    u.transformBy(xfm);
    v.transformBy(xfm);
    const double lu = u.length(), lv = v.length();
    if (lu <= 0.0 || std::abs(lu - lv) > kConformalTol * lu ||
        std::abs(u.dotProduct(v)) > kConformalTol * lu * lv)
        throw OdError(eNotApplicable, whatFails);
    axis = u / lu;
    normal = u.crossProduct(v).normal();
    return lu;
}
} // namespace OdGeArcAngles
