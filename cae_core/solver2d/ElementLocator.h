#pragma once

// Which element of a triangle mesh holds a point, and where in it. One rule for the point evaluator's own
// scan and for callers that query many points and need the grid.

#include "platform/ge/GePoint2d.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace cae_core
{

/// Tolerance of the point-in-triangle test on the triangle parameters r, s and 1 - r - s: each may leave
/// [0, 1] by this much. Parameters are areas over the element's area, so the tolerance is relative to the
/// element whatever the drawing's scale; it only absorbs the round-off of points exactly on edges and
/// vertices, which would otherwise fall between two elements.
inline constexpr double kElementParameterTolerance = 1e-12;

/// Parameters (r, s) of point (px, py) in the triangle (x0, y0), (x1, y1), (x2, y2) (r the area of q0, p, q2
/// and s that of q0, q1, p over the triangle's), and whether the point lies in it within
/// kElementParameterTolerance. A degenerate triangle gives non-finite parameters, which never pass. Plain
/// doubles and no helper calls: the evaluator runs this for every element of every query.
inline bool locateInTriangle(double x0, double y0, double x1, double y1, double x2, double y2, double px,
                             double py, double& r, double& s)
{
    constexpr double tol = kElementParameterTolerance;
    const double a = 0.5 * ((y1 - y2) * x0 + (y2 - y0) * x1 + (y0 - y1) * x2);
    r = 0.5 * ((py - y2) * x0 + (y2 - y0) * px + (y0 - py) * x2) / a;
    s = 0.5 * ((py - y0) * x1 + (y1 - py) * x0 + (y0 - y1) * px) / a;
    const double t = 1.0 - r - s;
    return r >= -tol && r - 1.0 <= tol && s >= -tol && s - 1.0 <= tol && t >= -tol && t - 1.0 <= tol;
}

/// Finds the element that holds a point among fixed triangles, through a uniform grid of element boxes: about
/// constant time per query instead of a scan over all elements. The answer is the scan's: the first element
/// in element order that holds the point by locateInTriangle, with the same parameters.
class ElementLocator
{
public:
    /// The corners of each element, in element order and in the element's corner order.
    explicit ElementLocator(std::vector<std::array<OdGePoint2d, 3>> corners);

    /// An element and the parameters (r, s) of the point in it.
    struct Hit
    {
        std::size_t element = 0;
        double r = 0.0;
        double s = 0.0;
    };

    /// The first element in element order that holds p, or empty when none does.
    std::optional<Hit> locate(const OdGePoint2d& p) const;

    /// The same answer by a scan over all elements, as the point evaluator does it; also the fallback for
    /// elements whose extent is not a finite number, which no grid can cover.
    std::optional<Hit> scan(const OdGePoint2d& p) const;

private:
    std::optional<std::size_t> cellOf(const OdGePoint2d& p) const;

    std::vector<std::array<OdGePoint2d, 3>> m_corners;
    OdGePoint2d m_origin;
    double m_cellSize = 0.0;
    std::size_t m_columns = 0;
    std::size_t m_rows = 0;
    /// Elements of cell c: m_cellElements[m_cellStart[c] .. m_cellStart[c + 1]), ascending.
    std::vector<std::uint32_t> m_cellStart;
    std::vector<std::uint32_t> m_cellElements;
};

} // namespace cae_core
