#pragma once

#include "platform/cm/CmColor.h"

#include <vector>

namespace cae_core
{

/// One colour stop: a position on the normalised axis (0..1 once the map is built) and its colour.
struct ColorMapValue
{
    double value = 0.0;
    OdCmColor color;
};

/// The values that map to the two ends of the normalised axis; stored with min <= max.
struct ColorMapDomain
{
    double min = 0.0;
    double max = 1.0;
};

/// Turns a scalar into a colour: the value is normalised against the domain and the colour
/// interpolated linearly between the two neighbouring stops, channel by channel, truncated to 8 bits.
///
/// Built maps have at least two stops, the first at 0 and the last at 1, ascending. A default map has
/// no stops (and must not be asked for colours).
class ColorMap
{
public:
    /// The maps offered to the host; other values have no stops.
    enum EPredefined
    {
        eBlueGreenYellowRed = 0, ///< blue, green at 1/3, yellow at 2/3, red
        eGreenRed = 1            ///< green to red
    };

    ColorMap();
    /// Copies the stops and normalises them: none give black, one gives its colour over the whole
    /// axis, equal positions are spread evenly in their given order, and positions that do not span
    /// 0..1 are stretched to it. The domain ends are swapped when the second is not above the first.
    ColorMap(const std::vector<ColorMapValue>& values, const ColorMapDomain& domain);
    ColorMap(const ColorMap&) = default;
    ColorMap& operator=(const ColorMap&) = default;
    /// A moved-from map keeps no stops.
    ColorMap(ColorMap&& other) noexcept;
    ColorMap& operator=(ColorMap&& other) noexcept;

    /// The colour of `value`: values outside the domain take the end colours, a domain of zero width
    /// gives the first colour, a value that is not a number gives black.
    OdCmColor getColor(double value) const;

    /// A predefined map over `domain`; `reversed` runs it from its last colour to its first.
    static ColorMap get(EPredefined map, const ColorMapDomain& domain, bool reversed);

    const std::vector<ColorMapValue>& getColorMapValues() const { return m_values; }
    const ColorMapDomain& getColorMapDomain() const { return m_domain; }

private:
    std::vector<ColorMapValue> m_values;
    ColorMapDomain m_domain;
};

} // namespace cae_core
