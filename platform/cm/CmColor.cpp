#include "platform/cm/CmColor.h"

#include "platform/base/OdError.h"

#include <array>
#include <limits>

namespace
{
constexpr int kFirstHueIndex = 10;
constexpr int kLastHueIndex = 249;
constexpr int kHueSteps = 24;
/// Brightness of the ten shades of each hue, brightest first; each level comes twice, once fully
/// saturated (even offset) and once half-way to grey (odd offset).
constexpr std::array<int, 10> kShadeValue{255, 255, 204, 204, 153, 153, 127, 127, 76, 76};
constexpr std::array<int, 6> kGreys{51, 91, 132, 173, 214, 255};
constexpr std::array<std::uint32_t, 9> kNamed{0xFF0000, 0xFFFF00, 0x00FF00, 0x00FFFF, 0x0000FF,
                                              0xFF00FF, 0xFFFFFF, 0x808080, 0xC0C0C0};

std::uint32_t pack(int r, int g, int b)
{
    return (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) |
           static_cast<std::uint32_t>(b);
}

/// The palette's hue wheel: 24 hues 15 degrees apart from red, ten shades each. Channels between the
/// shade's darkest and brightest value are truncated, as the palette lists them.
std::uint32_t hueColor(int index)
{
    const int hue = (index - kFirstHueIndex) / 10;
    const int shade = (index - kFirstHueIndex) % 10;
    const double top = kShadeValue[static_cast<std::size_t>(shade)];
    const double bottom =
        shade % 2 == 0 ? 0.0 : static_cast<double>(kShadeValue[static_cast<std::size_t>(shade)] / 2);
    const int sector = hue / 4;
    const double f = (hue % 4) / 4.0;
    const int hi = static_cast<int>(top);
    const int lo = static_cast<int>(bottom);
    const int up = static_cast<int>(bottom + (top - bottom) * f);
    const int down = static_cast<int>(bottom + (top - bottom) * (1.0 - f));
    switch (sector)
    {
    case 0:
        return pack(hi, up, lo);
    case 1:
        return pack(down, hi, lo);
    case 2:
        return pack(lo, hi, up);
    case 3:
        return pack(lo, down, hi);
    case 4:
        return pack(up, lo, hi);
    default:
        return pack(hi, lo, down);
    }
}
} // namespace

void OdCmEntityColor::setRGB(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    m_method = kByColor;
    m_red = red;
    m_green = green;
    m_blue = blue;
}

void OdCmEntityColor::setColorIndex(int index)
{
    if (index < kACIbyBlock || index > kACIbyLayer)
        throw OdError(eInvalidInput, "OdCmEntityColor::setColorIndex: index outside 0..256");
    m_index = static_cast<std::int16_t>(index);
    if (index == kACIbyBlock || index == kACIbyLayer)
    {
        m_method = index == kACIbyBlock ? kByBlock : kByLayer;
        m_red = m_green = m_blue = 0;
        return;
    }
    m_method = kByACI;
    const std::uint32_t rgb = lookUpRGB(index);
    m_red = static_cast<std::uint8_t>(rgb >> 16);
    m_green = static_cast<std::uint8_t>(rgb >> 8);
    m_blue = static_cast<std::uint8_t>(rgb);
}

int OdCmEntityColor::colorIndex() const
{
    switch (m_method)
    {
    case kByLayer:
        return kACIbyLayer;
    case kByBlock:
        return kACIbyBlock;
    case kByACI:
        return m_index;
    case kByColor:
        return lookUpACI(m_red, m_green, m_blue);
    case kForeground:
        return kACIforeground;
    default:
        return kACIbyLayer;
    }
}

namespace
{
std::uint32_t paletteColor(int index)
{
    if (index < kFirstHueIndex)
        return kNamed[static_cast<std::size_t>(index - 1)];
    if (index <= kLastHueIndex)
        return hueColor(index);
    const int grey = kGreys[static_cast<std::size_t>(index - kLastHueIndex - 1)];
    return pack(grey, grey, grey);
}

/// Palette colours 1..255 at [index - 1], worked out once: the nearest-colour search over the whole
/// palette runs for every face of a coloured result mesh.
const std::array<std::uint32_t, 255>& palette()
{
    static const std::array<std::uint32_t, 255> colors = []
    {
        std::array<std::uint32_t, 255> all{};
        for (int i = 1; i <= 255; ++i)
            all[static_cast<std::size_t>(i - 1)] = paletteColor(i);
        return all;
    }();
    return colors;
}
} // namespace

std::uint32_t OdCmEntityColor::lookUpRGB(int index)
{
    if (index < 1 || index > 255)
        throw OdError(eInvalidInput, "OdCmEntityColor::lookUpRGB: index outside 1..255");
    return palette()[static_cast<std::size_t>(index - 1)];
}

int OdCmEntityColor::lookUpACI(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    const auto& colors = palette();
    int best = 1;
    long bestDistance = std::numeric_limits<long>::max();
    for (int i = 1; i <= 255; ++i)
    {
        const std::uint32_t rgb = colors[static_cast<std::size_t>(i - 1)];
        const long dr = static_cast<long>(rgb >> 16 & 0xFF) - red;
        const long dg = static_cast<long>(rgb >> 8 & 0xFF) - green;
        const long db = static_cast<long>(rgb & 0xFF) - blue;
        const long d = dr * dr + dg * dg + db * db;
        if (d < bestDistance)
        {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}
