#pragma once

// The tolerances of the 3D task command, in one place. Lengths are relative to the solid's size, since a
// task file's solid comes in whatever units its drawing uses.

namespace cae_app
{
/// How far (in drawing units, relative to the solid's bounding-box diagonal) a point may lie from a
/// face or edge and still name it: far below any feature size a task file gives, far above the
/// kernel's own precision.
inline constexpr double kPickTolerance = 1e-6;

/// Sine of the largest angle between the normals of faces that one slide holds: far above the kernel's
/// round-off on plane faces, far below any angle a user draws.
inline constexpr double kParallelTolerance = 1e-9;

/// How far outside its tetrahedron a point may seem by round-off, in barycentric coordinates (which are
/// shares of the element's size): a point on a shared face then belongs to both neighbours, and the
/// one it lies deepest in is taken.
inline constexpr double kBarycentricTolerance = 1e-9;

/// The largest imbalance of applied loads and reactions a solution may show, as a share of the loads:
/// two orders above what the solver's residual and its printout's seven digits leave.
inline constexpr double kTaskEquilibriumTolerance = 1e-6;
} // namespace cae_app
