#pragma once

namespace ut
{

/// `angle` (radians) reduced by whole turns into one turn: [0, 2 pi) when `positive`, else
/// (-pi, pi]. A non-finite angle is returned as it is.
double normalizeAngle(double angle, bool positive);

} // namespace ut
