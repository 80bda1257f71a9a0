#include "cae_core/task/detail/ColorMap.h"

#include <algorithm>
#include <cmath>

namespace cae_core::detail
{
namespace
{
// Positions and domain widths within this distance count as equal; the stops are built from
// thirds and ends of [0, 1], far coarser than this.
constexpr double kTolerance = 1e-10;

bool isZero(double d)
{
    return std::abs(d) <= kTolerance;
}

OdCmColor rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    OdCmColor c;
    c.setRGB(r, g, b);
    return c;
}

std::vector<ColorMapValue> normalised(std::vector<ColorMapValue> v)
{
    if (v.empty())
        return {{0.0, rgb(0, 0, 0)}, {1.0, rgb(0, 0, 0)}};
    if (v.size() == 1)
        return {{0.0, v[0].color}, {1.0, v[0].color}};
    std::stable_sort(v.begin(), v.end(), [](const auto& a, const auto& b) { return a.value < b.value; });
    const double f = v.front().value, l = v.back().value;
    if (isZero(f - l))
    {
        for (std::size_t i = 0; i < v.size(); ++i)
            v[i].value = static_cast<double>(i) / static_cast<double>(v.size() - 1);
    }
    else if (!(isZero(f) && isZero(l - 1.0)))
    {
        for (auto& s : v)
            s.value = (s.value - f) / (l - f);
    }
    return v;
}

ColorMapDomain ordered(const ColorMapDomain& d)
{
    return d.max > d.min ? d : ColorMapDomain{d.max, d.min};
}

std::uint8_t channel(double x)
{
    if (x <= 0.0)
        return 0;
    if (x >= 255.0)
        return 255;
    return static_cast<std::uint8_t>(x);
}
} // namespace

ColorMap::ColorMap(const std::vector<ColorMapValue>& values, const ColorMapDomain& domain)
    : m_values(normalised(values)), m_domain(ordered(domain))
{
}

OdCmColor ColorMap::getColor(double value) const
{
    if (m_values.empty())
        return rgb(0, 0, 0);
    const double d = m_domain.max - m_domain.min;
    const double t = isZero(d) ? 0.0 : (value - m_domain.min) / d;
    if (m_values.front().value >= t)
        return m_values.front().color;
    if (t >= m_values.back().value)
        return m_values.back().color;
    for (std::size_t i = 0; i + 1 < m_values.size(); ++i)
    {
        const auto& a = m_values[i];
        const auto& b = m_values[i + 1];
        if (!(a.value <= t && t <= b.value))
            continue;
        const double w = b.value - a.value;
        const double s = isZero(w) ? 0.0 : (t - a.value) / w;
        const auto mix = [s](std::uint8_t x, std::uint8_t y) { return channel(x * (1.0 - s) + y * s); };
        return rgb(mix(a.color.red(), b.color.red()), mix(a.color.green(), b.color.green()),
                   mix(a.color.blue(), b.color.blue()));
    }
    return rgb(0, 0, 0);
}

ColorMap ColorMap::get(EPredefined map, const ColorMapDomain& domain, bool reversed)
{
    std::vector<ColorMapValue> stops;
    if (map == eBlueGreenYellowRed)
        stops = {{0.0, rgb(0, 0, 255)}, {1.0 / 3.0, rgb(0, 255, 0)}, {2.0 / 3.0, rgb(255, 255, 0)},
                 {1.0, rgb(255, 0, 0)}};
    else if (map == eGreenRed)
        stops = {{0.0, rgb(0, 255, 0)}, {1.0, rgb(255, 0, 0)}};
    if (reversed && !stops.empty())
    {
        std::reverse(stops.begin(), stops.end());
        for (auto& s : stops)
            s.value = 1.0 - s.value;
    }
    return ColorMap(stops, domain);
}
} // namespace cae_core::detail
