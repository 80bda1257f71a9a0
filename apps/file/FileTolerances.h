#pragma once

// The tolerances of reading an analysis file, in one place. They are relative to the region's size, since
// a file's coordinates come in whatever units its drawing uses.

namespace cae_app
{
/// Relative precision of typed coordinates: two curve ends closer than this fraction of the
/// region's size are the same point. Seven significant digits is what people type for values
/// like 10 cos 30 deg (8.660254); a real gap in a drawing is many orders larger.
inline constexpr double kJoinPrecision = 1e-7;
} // namespace cae_app
