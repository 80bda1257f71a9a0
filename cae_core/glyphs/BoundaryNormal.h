#pragma once

#include "platform/br/BrBrep.h"
#include "platform/ge/GeCurve3d.h"
#include "platform/ge/GePoint3d.h"
#include "platform/ge/GeVector3d.h"

namespace cae_core::fea2d
{

/// The unit normal of `curve` at `point`: the unit tangent (in the curve's direction) crossed with
/// `planeNormal`. With planeNormal +z that is the tangent turned 90 degrees clockwise, which points out
/// of a region along its counter-clockwise outer loop. The zero vector when the point is not on the
/// curve (global tolerance) or the curve has no tangent there.
OdGeVector3d getCurveNormalAtPoint(const OdGeCurve3d& curve, const OdGePoint3d& point,
                                   const OdGeVector3d& planeNormal);

/// The unit normal of a region's boundary at `point`, pointing out of the region: found on the first
/// edge (over the planar faces, their loops and edges in order) whose curve contains the point, taken
/// in the direction of its loop, with the face plane's normal. The zero vector when no edge contains
/// the point.
OdGeVector3d getBoundaryNormalAtPoint(const OdBrBrep& brep, const OdGePoint3d& point);

} // namespace cae_core::fea2d
