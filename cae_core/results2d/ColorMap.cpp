#include "cae_core/results2d/ColorMap.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace cae_core
{

namespace
{
/// Positions and domain widths within this of each other count as equal; the maps' own scale is the
/// normalised axis 0..1, so this is far below any distinction a colour can show.
constexpr double kPositionTolerance = 1e-10;

bool isZero(double d)
{
    return std::abs(d) <= kPositionTolerance;
}

OdCmColor rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    OdCmColor c;
    c.setRGB(r, g, b);
    return c;
}

ColorMapDomain ordered(const ColorMapDomain& d)
{
    return d.max > d.min ? d : ColorMapDomain{d.max, d.min};
}

std::vector<ColorMapValue> normalised(const std::vector<ColorMapValue>& given)
{
    if (given.empty())
        return {{0.0, rgb(0, 0, 0)}, {1.0, rgb(0, 0, 0)}};
    if (given.size() == 1)
        return {{0.0, given.front().color}, {1.0, given.front().color}};
    std::vector<ColorMapValue> values = given;
    std::stable_sort(values.begin(), values.end(),
                     [](const ColorMapValue& a, const ColorMapValue& b) { return a.value < b.value; });
    const double first = values.front().value;
    const double last = values.back().value;
    const std::size_t n = values.size();
    if (isZero(first - last))
    {
        for (std::size_t i = 0; i < n; ++i)
            values[i].value = static_cast<double>(i) / static_cast<double>(n - 1);
    }
    else if (!(isZero(first) && isZero(last - 1.0)))
    {
        for (ColorMapValue& v : values)
            v.value = (v.value - first) / (last - first);
    }
    return values;
}

/// One channel between two stops, truncated towards zero and clamped to 0..255.
std::uint8_t channel(std::uint8_t a, std::uint8_t b, double s)
{
    const double x = a * (1.0 - s) + b * s;
    if (x <= 0.0)
        return 0;
    if (x >= 255.0)
        return 255;
    return static_cast<std::uint8_t>(x);
}
} // namespace

ColorMap::ColorMap() = default;

ColorMap::ColorMap(const std::vector<ColorMapValue>& values, const ColorMapDomain& domain)
    : m_values(normalised(values)), m_domain(ordered(domain))
{
}

ColorMap::ColorMap(ColorMap&& other) noexcept
    : m_values(std::exchange(other.m_values, {})), m_domain(other.m_domain)
{
}

ColorMap& ColorMap::operator=(ColorMap&& other) noexcept
{
    m_values = std::exchange(other.m_values, {});
    m_domain = other.m_domain;
    return *this;
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
        const ColorMapValue& a = m_values[i];
        const ColorMapValue& b = m_values[i + 1];
        if (a.value <= t && t <= b.value)
        {
            const double w = b.value - a.value;
            const double s = isZero(w) ? 0.0 : (t - a.value) / w;
            return rgb(channel(a.color.red(), b.color.red(), s), channel(a.color.green(), b.color.green(), s),
                       channel(a.color.blue(), b.color.blue(), s));
        }
    }
    return rgb(0, 0, 0); // only a value that is not a number finds no segment
}

ColorMap ColorMap::get(EPredefined map, const ColorMapDomain& domain, bool reversed)
{
    std::vector<ColorMapValue> values;
    switch (map)
    {
    case eBlueGreenYellowRed:
        values = {{0.0, rgb(0, 0, 255)},
                  {1.0 / 3.0, rgb(0, 255, 0)},
                  {2.0 / 3.0, rgb(255, 255, 0)},
                  {1.0, rgb(255, 0, 0)}};
        break;
    case eGreenRed:
        values = {{0.0, rgb(0, 255, 0)}, {1.0, rgb(255, 0, 0)}};
        break;
    }
    if (reversed && !values.empty())
    {
        std::reverse(values.begin(), values.end());
        for (ColorMapValue& v : values)
            v.value = 1.0 - v.value;
    }
    return ColorMap(values, domain);
}

} // namespace cae_core
