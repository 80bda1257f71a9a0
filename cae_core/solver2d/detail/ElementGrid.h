#pragma once

#include "platform/ge/GePoint2d.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace cae_core::solver2d::detail
{

/// Tolerance of the point-in-triangle test on the triangle parameters r, s and 1 - r - s: each may leave
/// [0, 1] by this much. Relative to the element (parameters are areas over the element's area), so it only
/// absorbs round-off of points exactly on edges and vertices.
inline constexpr double kParameterTolerance = 1e-12;

/// Parameters (r, s) of point p in the triangle q0, q1, q2 and whether p lies in it within
/// kParameterTolerance. A degenerate triangle gives non-finite parameters and never contains the point.
inline bool locateInTriangle(const std::array<OdGePoint2d, 3>& q, const OdGePoint2d& p, double& r, double& s)
{
    const double a =
        0.5 * ((q[1].y - q[2].y) * q[0].x + (q[2].y - q[0].y) * q[1].x + (q[0].y - q[1].y) * q[2].x);
    r = 0.5 * ((p.y - q[2].y) * q[0].x + (q[2].y - q[0].y) * p.x + (q[0].y - p.y) * q[2].x) / a;
    s = 0.5 * ((p.y - q[0].y) * q[1].x + (q[1].y - p.y) * q[0].x + (q[0].y - q[1].y) * p.x) / a;
    const auto within = [](double v) { return v >= -kParameterTolerance && v - 1.0 <= kParameterTolerance; };
    return within(r) && within(s) && within(1.0 - r - s);
}

/// A uniform grid over the bounding boxes of triangles, for finding the first triangle in index order that
/// contains a point without scanning them all. Each box is widened by a bound on how far outside a triangle
/// the rounded test of locateInTriangle can still accept a point, so every triangle that could answer is
/// among a point's candidates. Triangles for which no such bound holds (non-finite or extremely thin ones,
/// or boxes spanning too many cells) are candidates of every point. Candidates come in ascending index
/// order, so the first that contains the point is the one a linear scan would find.
class ElementGrid
{
public:
    explicit ElementGrid(const std::vector<std::array<OdGePoint2d, 3>>& triangles);

    /// Calls test(index) for the candidates of p in ascending index order until it returns true; returns
    /// that index, or `none` when no candidate passed.
    template <class Test> std::size_t findFirst(const OdGePoint2d& p, Test&& test) const
    {
        const std::uint32_t* cellBegin = nullptr;
        const std::uint32_t* cellEnd = nullptr;
        std::size_t cell = 0;
        if (cellOf(p, cell))
        {
            cellBegin = m_entries.data() + m_cellStart[cell];
            cellEnd = m_entries.data() + m_cellStart[cell + 1];
        }
        const std::uint32_t* always = m_always.data();
        const std::uint32_t* alwaysEnd = always + m_always.size();
        while (cellBegin != cellEnd || always != alwaysEnd)
        {
            std::uint32_t index;
            if (always == alwaysEnd || (cellBegin != cellEnd && *cellBegin < *always))
                index = *cellBegin++;
            else
                index = *always++;
            if (test(std::size_t(index)))
                return index;
        }
        return none;
    }

    static constexpr std::size_t none = std::size_t(-1);

    std::size_t cellCount() const { return m_nx * m_ny; }
    /// Triangles that are candidates everywhere.
    std::size_t alwaysCount() const { return m_always.size(); }

private:
    bool cellOf(const OdGePoint2d& p, std::size_t& cell) const;
    std::size_t column(double x) const;
    std::size_t row(double y) const;

    double m_x0 = 0.0, m_y0 = 0.0, m_x1 = -1.0, m_y1 = -1.0;
    double m_invCellWidth = 0.0, m_invCellHeight = 0.0;
    std::size_t m_nx = 0, m_ny = 0;
    /// Per cell (row-major) the range of m_entries holding its triangles, ascending.
    std::vector<std::size_t> m_cellStart;
    std::vector<std::uint32_t> m_entries;
    std::vector<std::uint32_t> m_always;
};

} // namespace cae_core::solver2d::detail
