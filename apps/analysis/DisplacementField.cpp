#include "apps/analysis/DisplacementField.h"

#include <algorithm>
#include <cmath>

namespace cae_app
{
namespace
{
/// How far a point's triangle parameters may leave [0, 1], as in the solver's evaluator.
constexpr double kParameterTolerance = 1e-12;

/// Box widening, as a fraction of the cell size: far above round-off, far below an element.
constexpr double kCellPadding = 1e-6;

bool locate(const OdGePoint2d& q0, const OdGePoint2d& q1, const OdGePoint2d& q2, const OdGePoint2d& p,
            double& r, double& s)
{
    const double a = 0.5 * ((q1.y - q2.y) * q0.x + (q2.y - q0.y) * q1.x + (q0.y - q1.y) * q2.x);
    r = 0.5 * ((p.y - q2.y) * q0.x + (q2.y - q0.y) * p.x + (q0.y - p.y) * q2.x) / a;
    s = 0.5 * ((p.y - q0.y) * q1.x + (q1.y - p.y) * q0.x + (q0.y - q1.y) * p.x) / a;
    const auto within = [](double v) { return v >= -kParameterTolerance && v - 1.0 <= kParameterTolerance; };
    return within(r) && within(s) && within(1.0 - r - s);
}

} // namespace

DisplacementField::DisplacementField(cae_core::fea2d::SimulationOutput output) : m_output(std::move(output))
{
    buildGrid();
}

OdGeVector2d DisplacementField::getValue(const OdGePoint2d& p) const
{
    // A point outside the previous mesh (which cuts across curved boundaries) has no value;
    // zero makes it count as changed, so it is kept.
    const auto cell = cellOf(p);
    if (!cell)
        return OdGeVector2d();
    const auto& elements = m_output.solverOutput.elementData;
    for (std::uint32_t k = m_cellStart[*cell]; k < m_cellStart[*cell + 1]; ++k)
    {
        const auto& c = elements[m_cellElements[k]].corners;
        double r = 0.0, s = 0.0;
        if (locate(c[0].position, c[1].position, c[2].position, p, r, s))
            return c[0].displacement * (1.0 - r - s) + c[1].displacement * r + c[2].displacement * s;
    }
    return OdGeVector2d();
}

bool DisplacementField::isValid() const
{
    return m_output.result == cae_core::eOk && m_output.solverOutput.pointEvaluator;
}

double DisplacementField::scale() const
{
    double m = 0.0;
    for (const auto& v : m_output.solverOutput.vertexData)
        m = std::max(m, v.displacement.length());
    return m;
}

std::optional<std::size_t> DisplacementField::cellOf(const OdGePoint2d& p) const
{
    if (m_columns == 0)
        return std::nullopt;
    const double fx = std::floor((p.x - m_origin.x) / m_cellSize);
    const double fy = std::floor((p.y - m_origin.y) / m_cellSize);
    if (!(fx >= 0.0 && fy >= 0.0 && fx < double(m_columns) && fy < double(m_rows)))
        return std::nullopt;
    return std::size_t(fy) * m_columns + std::size_t(fx);
}

/// Bins every element into the cells its (slightly widened) box overlaps: about one element
/// per cell on average, in two counting passes (compressed rows, no per-cell vectors).
void DisplacementField::buildGrid()
{
    const auto& elements = m_output.solverOutput.elementData;
    if (elements.empty())
        return;
    OdGePoint2d lo = elements.front().corners[0].position, hi = lo;
    for (const auto& e : elements)
        for (const auto& c : e.corners)
        {
            lo.set(std::min(lo.x, c.position.x), std::min(lo.y, c.position.y));
            hi.set(std::max(hi.x, c.position.x), std::max(hi.y, c.position.y));
        }
    const double width = hi.x - lo.x, height = hi.y - lo.y;
    if (!(width > 0.0 && height > 0.0) || !std::isfinite(width * height))
        return;
    m_cellSize = std::sqrt(width * height / double(elements.size()));
    // Widening the boxes by a sliver of a cell keeps points on an element's edge, which pass the
    // parameter test within its tolerance, in a cell that lists the element.
    const double pad = kCellPadding * m_cellSize;
    m_origin.set(lo.x - 2.0 * pad, lo.y - 2.0 * pad);
    m_columns = std::size_t((width + 4.0 * pad) / m_cellSize) + 1;
    m_rows = std::size_t((height + 4.0 * pad) / m_cellSize) + 1;

    auto forEachCell = [&](const cae_core::Solver2dOutput::ElementData& e, auto&& visit)
    {
        double x0 = e.corners[0].position.x, x1 = x0, y0 = e.corners[0].position.y, y1 = y0;
        for (const auto& c : e.corners)
        {
            x0 = std::min(x0, c.position.x), x1 = std::max(x1, c.position.x);
            y0 = std::min(y0, c.position.y), y1 = std::max(y1, c.position.y);
        }
        const auto column = [&](double x) {
            return std::min(m_columns - 1,
                            std::size_t(std::max(0.0, std::floor((x - m_origin.x) / m_cellSize))));
        };
        const auto row = [&](double y) {
            return std::min(m_rows - 1,
                            std::size_t(std::max(0.0, std::floor((y - m_origin.y) / m_cellSize))));
        };
        for (std::size_t j = row(y0 - pad); j <= row(y1 + pad); ++j)
            for (std::size_t i = column(x0 - pad); i <= column(x1 + pad); ++i)
                visit(j * m_columns + i);
    };
    m_cellStart.assign(m_columns * m_rows + 1, 0);
    for (const auto& e : elements)
        forEachCell(e, [&](std::size_t cell) { ++m_cellStart[cell + 1]; });
    for (std::size_t c = 0; c + 1 < m_cellStart.size(); ++c)
        m_cellStart[c + 1] += m_cellStart[c];
    m_cellElements.resize(m_cellStart.back());
    std::vector<std::uint32_t> fill(m_cellStart.begin(), m_cellStart.end() - 1);
    for (std::uint32_t k = 0; k < elements.size(); ++k)
        forEachCell(elements[k], [&](std::size_t cell) { m_cellElements[fill[cell]++] = k; });
}

} // namespace cae_app
