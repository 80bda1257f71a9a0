#pragma once

#include "platform/cm/CmColor.h"

#include <vector>

namespace cae_core::detail
{
/// One colour stop of a colour map: a position on [0, 1] and its colour.
struct ColorMapValue
{
    double value = 0.0;
    OdCmColor color;
};

/// The values that map to positions 0 and 1.
struct ColorMapDomain
{
    double min = 0.0;
    double max = 1.0;
};

/// A scalar-to-colour map: stops on [0, 1] interpolated linearly per channel, and a value domain.
/// The results display will own the shared colour map; until then the task display keeps this one,
/// which follows the same rules.
class ColorMap
{
public:
    enum EPredefined
    {
        eBlueGreenYellowRed = 0,
        eGreenRed = 1
    };

    /// No stops, domain [0, 1].
    ColorMap() = default;
    /// Normalises the stops (none: two black ones; one: that colour at both ends; all at one
    /// position: spread evenly; otherwise stretched onto [0, 1]) and orders the domain.
    ColorMap(const std::vector<ColorMapValue>& values, const ColorMapDomain& domain);

    /// The colour of `value`: clamped to the end colours outside the domain, channels interpolated
    /// and truncated towards zero inside it.
    OdCmColor getColor(double value) const;
    /// A predefined map over `domain`, optionally reversed (end colours swapped).
    static ColorMap get(EPredefined map, const ColorMapDomain& domain, bool reversed);

    const std::vector<ColorMapValue>& getColorMapValues() const { return m_values; }
    const ColorMapDomain& getColorMapDomain() const { return m_domain; }

private:
    std::vector<ColorMapValue> m_values;
    ColorMapDomain m_domain;
};
} // namespace cae_core::detail
