#include "cae_core/solver2d/detail/ElementGrid.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace cae_core::solver2d::detail
{

namespace
{

constexpr double kEpsilon = std::numeric_limits<double>::epsilon();

/// Bound on the relative rounding of one parameter numerator of locateInTriangle (a few roundings of
/// differences, products and sums), taken eight times over so that the bound is safe, not tight.
constexpr double kNumeratorRounding = 32.0 * kEpsilon;

/// A triangle whose box would be entered in more cells than this is a candidate everywhere instead; it keeps
/// the grid's size linear in the triangle count when the triangles overlap (strongly deformed meshes).
constexpr std::size_t kMaxCellsPerTriangle = 256;

/// Cells per triangle the grid aims at; about one keeps both the candidate lists and the empty cells short.
constexpr double kCellsPerTriangle = 1.0;

struct Box
{
    double x0, y0, x1, y1;
};

/// The box of q widened so that locateInTriangle rejects every point outside it; false when no such bound can
/// be given (the triangle is then a candidate everywhere). A triangle that can never contain a point (zero
/// or undefined area) gets an empty box and `never`.
bool widenedBox(const std::array<OdGePoint2d, 3>& q, Box& box, bool& never)
{
    never = false;
    box = {std::min({q[0].x, q[1].x, q[2].x}), std::min({q[0].y, q[1].y, q[2].y}),
           std::max({q[0].x, q[1].x, q[2].x}), std::max({q[0].y, q[1].y, q[2].y})};
    if (!std::isfinite(box.x0) || !std::isfinite(box.y0) || !std::isfinite(box.x1) || !std::isfinite(box.y1))
        return false;
    const double twiceArea =
        std::abs((q[1].y - q[2].y) * q[0].x + (q[2].y - q[0].y) * q[1].x + (q[0].y - q[1].y) * q[2].x);
    if (twiceArea == 0.0 || std::isnan(twiceArea))
    {
        // The parameters come out infinite or NaN, which the test rejects.
        never = true;
        return true;
    }
    if (!std::isfinite(twiceArea))
        return false;

    // A point at distance d outside the triangle has a true parameter below -d / (3 diam). The rounding of
    // a computed parameter at a point within d of the box is at most c (3 h m + d (2 m + h)) / twiceArea
    // (h the box size, m the largest coordinate magnitude), and 1 - r - s adds a few epsilons. Acceptance
    // within kParameterTolerance therefore needs d <= alpha + beta d; with beta <= 1/2 every point farther
    // than 2 alpha is rejected.
    const double h = std::max(box.x1 - box.x0, box.y1 - box.y0);
    const double diam = h * std::sqrt(2.0);
    const double m = std::max({std::abs(box.x0), std::abs(box.y0), std::abs(box.x1), std::abs(box.y1)});
    const double c = 2.0 * kNumeratorRounding;
    const double beta = 3.0 * diam * c * (2.0 * m + h) / twiceArea;
    const double alpha = 3.0 * diam * (kParameterTolerance + 4.0 * kEpsilon + c * 3.0 * h * m / twiceArea);
    if (!(beta <= 0.5) || !std::isfinite(alpha))
        return false;
    const double margin = 2.0 * alpha;
    box = {box.x0 - margin, box.y0 - margin, box.x1 + margin, box.y1 + margin};
    return std::isfinite(box.x0) && std::isfinite(box.y0) && std::isfinite(box.x1) && std::isfinite(box.y1);
}

} // namespace

ElementGrid::ElementGrid(const std::vector<std::array<OdGePoint2d, 3>>& triangles)
{
    if (triangles.size() >= std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("ElementGrid: more triangles than 32-bit indices can number");

    std::vector<Box> boxes(triangles.size());
    // 0 = in the grid, 1 = candidate everywhere, 2 = never contains a point.
    std::vector<char> kind(triangles.size(), 0);
    std::size_t gridded = 0;
    m_x0 = m_y0 = std::numeric_limits<double>::infinity();
    m_x1 = m_y1 = -std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < triangles.size(); ++i)
    {
        bool never = false;
        if (!widenedBox(triangles[i], boxes[i], never))
            kind[i] = 1;
        else if (never)
            kind[i] = 2;
        else
        {
            ++gridded;
            m_x0 = std::min(m_x0, boxes[i].x0);
            m_y0 = std::min(m_y0, boxes[i].y0);
            m_x1 = std::max(m_x1, boxes[i].x1);
            m_y1 = std::max(m_y1, boxes[i].y1);
        }
    }

    if (gridded > 0)
    {
        const double width = m_x1 - m_x0;
        const double height = m_y1 - m_y0;
        const double target = std::max(1.0, kCellsPerTriangle * double(gridded));
        // Square cells of the aimed-at count, clamped so that neither direction nor the total exceeds a
        // small multiple of the triangle count when the extent is very elongated.
        const double cell = std::sqrt(width * height / target);
        const double maxCount = 4.0 * target + 1.0;
        double nx = std::clamp(std::ceil(width / cell), 1.0, target);
        double ny = std::clamp(std::ceil(height / cell), 1.0, target);
        if (!std::isfinite(nx))
            nx = 1.0;
        if (!std::isfinite(ny))
            ny = 1.0;
        ny = std::max(1.0, std::min(ny, std::floor(maxCount / nx)));
        m_nx = std::size_t(nx);
        m_ny = std::size_t(ny);
        m_invCellWidth = double(m_nx) / width;
        m_invCellHeight = double(m_ny) / height;
    }

    m_cellStart.assign(m_nx * m_ny + 1, 0);
    std::vector<std::array<std::size_t, 4>> ranges(triangles.size());
    for (std::size_t i = 0; i < triangles.size(); ++i)
    {
        if (kind[i] != 0)
            continue;
        const std::array<std::size_t, 4> rg = {column(boxes[i].x0), row(boxes[i].y0), column(boxes[i].x1),
                                               row(boxes[i].y1)};
        if ((rg[2] - rg[0] + 1) * (rg[3] - rg[1] + 1) > kMaxCellsPerTriangle)
        {
            kind[i] = 1;
            continue;
        }
        ranges[i] = rg;
        for (std::size_t r = rg[1]; r <= rg[3]; ++r)
            for (std::size_t c = rg[0]; c <= rg[2]; ++c)
                ++m_cellStart[r * m_nx + c + 1];
    }
    for (std::size_t c = 0; c + 1 < m_cellStart.size(); ++c)
        m_cellStart[c + 1] += m_cellStart[c];
    m_entries.resize(m_cellStart.back());
    std::vector<std::size_t> fill(m_cellStart.begin(), m_cellStart.end() - 1);
    for (std::size_t i = 0; i < triangles.size(); ++i)
    {
        if (kind[i] == 1)
            m_always.push_back(std::uint32_t(i));
        if (kind[i] != 0)
            continue;
        const std::array<std::size_t, 4>& rg = ranges[i];
        for (std::size_t r = rg[1]; r <= rg[3]; ++r)
            for (std::size_t c = rg[0]; c <= rg[2]; ++c)
                m_entries[fill[r * m_nx + c]++] = std::uint32_t(i);
    }
}

std::size_t ElementGrid::column(double x) const
{
    // Monotone in x, so a point inside a box falls in one of the box's columns.
    return std::min(m_nx - 1, std::size_t((x - m_x0) * m_invCellWidth));
}

std::size_t ElementGrid::row(double y) const
{
    return std::min(m_ny - 1, std::size_t((y - m_y0) * m_invCellHeight));
}

bool ElementGrid::cellOf(const OdGePoint2d& p, std::size_t& cell) const
{
    // Also false for NaN coordinates and for an empty grid (m_x1 < m_x0).
    if (!(p.x >= m_x0 && p.x <= m_x1 && p.y >= m_y0 && p.y <= m_y1))
        return false;
    cell = row(p.y) * m_nx + column(p.x);
    return true;
}

} // namespace cae_core::solver2d::detail
