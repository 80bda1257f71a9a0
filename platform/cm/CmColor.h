#pragma once

#include "platform/base/OdArray.h"

#include <cstdint>

/// A colour as an entity stores it: a colour method and, depending on it, an RGB triple or an index of
/// the drawing's 256-colour palette (ACI). Plain value.
class OdCmEntityColor
{
public:
    enum ColorMethod : std::uint8_t
    {
        kByLayer = 0xC0, ///< the colour of the entity's layer
        kByBlock = 0xC1, ///< the colour of the block reference that shows the entity
        kByColor = 0xC2, ///< a true colour: the RGB triple
        kByACI = 0xC3,   ///< an index of the palette
        kForeground = 0xC5,
        kNone = 0xC8
    };

    /// Palette indices with a meaning of their own.
    enum ACIcolorMethod : std::int16_t
    {
        kACIbyBlock = 0,
        kACIRed = 1,
        kACIYellow = 2,
        kACIGreen = 3,
        kACICyan = 4,
        kACIBlue = 5,
        kACIMagenta = 6,
        kACIforeground = 7,
        kACIbyLayer = 256
    };

    /// By layer, RGB 0, 0, 0.
    OdCmEntityColor() = default;
    /// A true colour.
    OdCmEntityColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) { setRGB(red, green, blue); }

    ColorMethod colorMethod() const { return m_method; }
    /// Changes the method only; the stored channels or index stay as they are.
    void setColorMethod(ColorMethod method) { m_method = method; }
    bool isByColor() const { return m_method == kByColor; }
    bool isByACI() const { return m_method == kByACI; }
    bool isByLayer() const { return m_method == kByLayer; }
    bool isByBlock() const { return m_method == kByBlock; }

    /// Makes the colour a true colour with these 8-bit channels.
    void setRGB(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    /// The stored channels: the true colour for kByColor, the palette's colour for kByACI, 0 otherwise.
    std::uint8_t red() const { return m_red; }
    std::uint8_t green() const { return m_green; }
    std::uint8_t blue() const { return m_blue; }

    /// Sets a palette index: 0 means by block, 256 by layer, 1..255 a palette colour (its RGB is
    /// looked up). Other values are refused with OdError(eInvalidInput).
    void setColorIndex(int index);
    /// The palette index: 0 by block, 256 by layer, the index for kByACI, and for a true colour the
    /// nearest palette colour's index.
    int colorIndex() const;

    /// The RGB of a palette index 1..255 as 0x00RRGGBB; OdError(eInvalidInput) for other indices.
    static std::uint32_t lookUpRGB(int index);
    /// The palette index 1..255 nearest to an RGB colour (smallest squared distance; the lowest index
    /// among equals).
    static int lookUpACI(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

    friend bool operator==(const OdCmEntityColor& a, const OdCmEntityColor& b)
    {
        return a.m_method == b.m_method && a.m_red == b.m_red && a.m_green == b.m_green &&
               a.m_blue == b.m_blue && a.m_index == b.m_index;
    }

private:
    ColorMethod m_method = kByLayer;
    std::uint8_t m_red = 0;
    std::uint8_t m_green = 0;
    std::uint8_t m_blue = 0;
    std::int16_t m_index = kACIbyLayer;
};

/// The colour object of the SDK, as database objects and colour maps hand it around: an entity colour
/// with the same operations. Default: by layer.
class OdCmColor
{
public:
    OdCmColor() = default;
    OdCmColor(const OdCmEntityColor& color) : m_color(color) {}
    explicit OdCmColor(OdCmEntityColor::ColorMethod method) { m_color.setColorMethod(method); }

    OdCmEntityColor::ColorMethod colorMethod() const { return m_color.colorMethod(); }
    void setColorMethod(OdCmEntityColor::ColorMethod method) { m_color.setColorMethod(method); }
    bool isByColor() const { return m_color.isByColor(); }
    bool isByACI() const { return m_color.isByACI(); }
    bool isByLayer() const { return m_color.isByLayer(); }
    bool isByBlock() const { return m_color.isByBlock(); }

    void setRGB(std::uint8_t red, std::uint8_t green, std::uint8_t blue) { m_color.setRGB(red, green, blue); }
    std::uint8_t red() const { return m_color.red(); }
    std::uint8_t green() const { return m_color.green(); }
    std::uint8_t blue() const { return m_color.blue(); }
    void setColorIndex(int index) { m_color.setColorIndex(index); }
    int colorIndex() const { return m_color.colorIndex(); }

    /// The entity colour this colour stands for.
    const OdCmEntityColor& entityColor() const { return m_color; }

    friend bool operator==(const OdCmColor& a, const OdCmColor& b) { return a.m_color == b.m_color; }

private:
    OdCmEntityColor m_color;
};

using OdCmEntityColorArray = OdArray<OdCmEntityColor>;
