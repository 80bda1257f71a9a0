#pragma once

#include <memory>
#include <utility>
#include <vector>

namespace cae_core
{
/// Piecewise interpolation linear in ln x: y = a ln x + b on each segment between consecutive
/// points, extrapolated with the first segment below the first point and the last one above the
/// last. Copies share the segments.
class LogarithmicInterpolation
{
public:
    /// Needs at least two points with 0 < x strictly ascending; otherwise throws the EResult
    /// eUnsupported (fewer than two points also asserts).
    explicit LogarithmicInterpolation(const std::vector<std::pair<double, double>>& points);

    /// The value at x > 0; throws the EResult eUnsupported for x <= 0.
    double operator()(double x) const;

private:
    struct Segment
    {
        double upper; ///< the x of the segment's right point
        double a;     ///< slope against ln x
        double b;     ///< intercept
    };
    std::vector<std::shared_ptr<const Segment>> m_segments;
};
} // namespace cae_core
