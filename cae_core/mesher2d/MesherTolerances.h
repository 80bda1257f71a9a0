#pragma once

// The fixed tolerances of 2D meshing, in one place. Point comparisons do not appear here: they use the
// SDK's global tolerance (OdGeContext::gTol), read where they are made. The values below are fixed by the
// mesher's contract with its callers and do not follow a change of the global tolerance.

namespace cae_core
{

/// Mesh sizes at or below this (drawing units) are refused: boundary samples that close would be
/// indistinguishable at the default global point tolerance, which has the same value.
inline constexpr double kMinMeshSize = 1e-10;

/// Slack on the radius of a refinement circle (drawing units), so that boundary vertices sampled exactly on
/// the circle count as inside despite rounding of their position. Equal to the default global point
/// tolerance, but fixed: a circle contains what it contains whatever tolerance a caller sets.
inline constexpr double kCircleRadiusSlack = 1e-10;

/// Two boundary vertices on one curve are the same vertex when their parameters differ by at most this.
/// Parameters are lengths or angles of drawing-sized curves; rounding in a resampled parameter stays far
/// below this, while distinct samples are at least a mesh size apart.
inline constexpr double kParamMatchTolerance = 1e-10;

/// Vertices within this squared distance of a query point are taken at once by the closest-vertex search:
/// squared drawing units, i.e. a distance of 1e-5 drawing units, far below any mesh size the mesher makes.
inline constexpr double kClosestVertexSquaredTolerance = 1e-10;

/// Relative rounding slack, against a polygon's largest coordinate, added to the point tolerance when the
/// domain locator decides which edges a query can possibly touch. The ray test's own arithmetic (a
/// projection onto an edge, one interpolation) is off by a few units in the last place, about 1e-15
/// relative; 1e-12 covers it with a wide margin and costs nothing, since it only widens the candidate lists,
/// never the answer.
inline constexpr double kRelativeRoundingSlack = 1e-12;

} // namespace cae_core
