#include "cae_core/solver2d/ElementLocator.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace cae_core
{

namespace
{
/// Widening of every element's box before it is binned, as a fraction of the larger of the box's extent
/// and the cell size. A point that passes the parameter test lies within about three parameter tolerances
/// (1e-12) of the element's extent outside it; 1e-9 keeps it in a cell that lists the element with a wide
/// margin, while staying far below any element, so cells still hold a handful of elements.
constexpr double kBoxPadding = 1e-9;

bool isFinite(const OdGePoint2d& p)
{
    return std::isfinite(p.x) && std::isfinite(p.y);
}
} // namespace

ElementLocator::ElementLocator(std::vector<std::array<OdGePoint2d, 3>> corners)
    : m_corners(std::move(corners))
{
    // Elements with a non-finite corner hold no point (their parameters are not finite) and take no cell.
    bool any = false;
    OdGePoint2d lo, hi;
    for (const auto& e : m_corners)
    {
        if (!std::all_of(e.begin(), e.end(), isFinite))
            continue;
        for (const OdGePoint2d& c : e)
        {
            if (!any)
                lo = hi = c, any = true;
            lo.set(std::min(lo.x, c.x), std::min(lo.y, c.y));
            hi.set(std::max(hi.x, c.x), std::max(hi.y, c.y));
        }
    }
    if (!any)
        return;
    const double width = hi.x - lo.x, height = hi.y - lo.y;
    const double extent = std::max(width, height);
    if (!(extent > 0.0) || !std::isfinite(extent))
        return;
    // About one element per cell, and never more cells along a side than there are elements, so a region
    // much longer than wide does not get a grid far larger than its mesh. Scaled by the extent so that the
    // product cannot overflow for coordinates of any finite size.
    const double count = static_cast<double>(m_corners.size());
    m_cellSize = extent * std::max(std::sqrt((width / extent) * (height / extent) / count), 1.0 / count);
    const double margin = 2.0 * kBoxPadding * extent + m_cellSize;
    m_origin.set(lo.x - margin, lo.y - margin);
    m_columns = static_cast<std::size_t>((width + 2.0 * margin) / m_cellSize) + 1;
    m_rows = static_cast<std::size_t>((height + 2.0 * margin) / m_cellSize) + 1;

    const auto cellRange = [this](double from, double to, double origin, std::size_t cells)
    {
        const auto index = [&](double v)
        {
            return std::min(cells - 1,
                            static_cast<std::size_t>(std::max(0.0, std::floor((v - origin) / m_cellSize))));
        };
        return std::pair<std::size_t, std::size_t>(index(from), index(to));
    };
    const auto forEachCell = [&](const std::array<OdGePoint2d, 3>& e, auto&& visit)
    {
        if (!std::all_of(e.begin(), e.end(), isFinite))
            return;
        double x0 = e[0].x, x1 = x0, y0 = e[0].y, y1 = y0;
        for (const OdGePoint2d& c : e)
        {
            x0 = std::min(x0, c.x), x1 = std::max(x1, c.x);
            y0 = std::min(y0, c.y), y1 = std::max(y1, c.y);
        }
        const double pad = kBoxPadding * std::max({x1 - x0, y1 - y0, m_cellSize});
        const auto [i0, i1] = cellRange(x0 - pad, x1 + pad, m_origin.x, m_columns);
        const auto [j0, j1] = cellRange(y0 - pad, y1 + pad, m_origin.y, m_rows);
        for (std::size_t j = j0; j <= j1; ++j)
            for (std::size_t i = i0; i <= i1; ++i)
                visit(j * m_columns + i);
    };
    // Two counting passes into compressed rows, no vector per cell.
    m_cellStart.assign(m_columns * m_rows + 1, 0);
    for (const auto& e : m_corners)
        forEachCell(e, [&](std::size_t cell) { ++m_cellStart[cell + 1]; });
    for (std::size_t c = 0; c + 1 < m_cellStart.size(); ++c)
        m_cellStart[c + 1] += m_cellStart[c];
    m_cellElements.resize(m_cellStart.back());
    std::vector<std::uint32_t> fill(m_cellStart.begin(), m_cellStart.end() - 1);
    for (std::uint32_t k = 0; k < m_corners.size(); ++k)
        forEachCell(m_corners[k], [&](std::size_t cell) { m_cellElements[fill[cell]++] = k; });
}

std::optional<ElementLocator::Hit> ElementLocator::scan(const OdGePoint2d& p) const
{
    Hit hit;
    for (std::size_t k = 0; k < m_corners.size(); ++k)
    {
        const auto& c = m_corners[k];
        if (locateInTriangle(c[0].x, c[0].y, c[1].x, c[1].y, c[2].x, c[2].y, p.x, p.y, hit.r, hit.s))
        {
            hit.element = k;
            return hit;
        }
    }
    return std::nullopt;
}

std::optional<std::size_t> ElementLocator::cellOf(const OdGePoint2d& p) const
{
    const double fx = std::floor((p.x - m_origin.x) / m_cellSize);
    const double fy = std::floor((p.y - m_origin.y) / m_cellSize);
    if (!(fx >= 0.0 && fy >= 0.0 && fx < static_cast<double>(m_columns) && fy < static_cast<double>(m_rows)))
        return std::nullopt;
    return static_cast<std::size_t>(fy) * m_columns + static_cast<std::size_t>(fx);
}

std::optional<ElementLocator::Hit> ElementLocator::locate(const OdGePoint2d& p) const
{
    if (m_columns == 0)
        return scan(p);
    const std::optional<std::size_t> cell = cellOf(p);
    if (!cell)
        return std::nullopt;
    for (std::uint32_t k = m_cellStart[*cell]; k < m_cellStart[*cell + 1]; ++k)
    {
        const std::uint32_t element = m_cellElements[k];
        const auto& c = m_corners[element];
        Hit hit;
        if (locateInTriangle(c[0].x, c[0].y, c[1].x, c[1].y, c[2].x, c[2].y, p.x, p.y, hit.r, hit.s))
        {
            hit.element = element;
            return hit;
        }
    }
    return std::nullopt;
}

} // namespace cae_core
