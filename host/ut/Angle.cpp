#include "host/ut/Angle.h"

#include <cmath>
#include <numbers>

namespace ut
{

double normalizeAngle(double angle, bool positive)
{
    constexpr double kTurn = 2.0 * std::numbers::pi;
    if (!std::isfinite(angle))
        return angle;
    double a = std::fmod(angle, kTurn);
    if (a < 0.0)
        a += kTurn;
    // fmod of a tiny negative angle plus a turn rounds to a whole turn.
    if (a >= kTurn)
        a = 0.0;
    if (!positive && a > std::numbers::pi)
        a -= kTurn;
    return a;
}

} // namespace ut
