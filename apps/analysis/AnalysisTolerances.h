#pragma once

// The tolerances of a 2D analysis as the host drives it, in one place. Each is a share of a scale the
// analysis measures (the loads, the largest displacement, the largest pivot), not a length.

namespace cae_app
{
/// Displacements smaller than this fraction of the largest one are compared against that
/// fraction rather than against themselves when adaptive refinement judges a change: near
/// supports the displacement tends to zero and its relative change would be pure noise.
inline constexpr double kNegligibleDisplacement = 1e-3;

/// The largest imbalance of applied loads and reactions, as a fraction of the loads, that a
/// solution may show: two orders above the solver's residual on slender parts.
inline constexpr double kEquilibriumTolerance = 1e-6;

/// Pivots below this fraction of the largest one make a patch's fit of nodal stresses rank deficient:
/// too few sampling points, or all of them on a line, to fix the polynomial.
inline constexpr double kRankThreshold = 1e-10;
} // namespace cae_app
