#pragma once

#include "platform/ge/GeMatrix3d.h"

#include <optional>

namespace OdDbDetail
{
/// What a transform does inside the XY plane, for entities that live in a plane parallel to it.
struct PlanarTransform
{
    double rotation = 0.0; ///< the angle the x axis turns by, radians counter-clockwise
    double scale = 1.0;    ///< the length factor along x
    bool uniform = true;   ///< lengths scale equally in every in-plane direction
    bool mirrors = false;  ///< the in-plane orientation flips
};

/// The in-plane part of `xform`, or nothing when it tilts the XY plane (moves x or y out of it, or z
/// into it).
std::optional<PlanarTransform> planarPart(const OdGeMatrix3d& xform);
} // namespace OdDbDetail
