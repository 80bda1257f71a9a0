#pragma once

#include "platform/base/OdArray.h"

#include <cstdint>


/// An entity colour as the database stores it: how it is given (by layer, by block, by an index of
/// the 256-colour palette, or by RGB) and the value for that method.
class OdCmEntityColor
{
public:
    enum ColorMethod : std::uint8_t
    {
        kByLayer = 0xC0,
        kByBlock = 0xC1,
        kByColor = 0xC2,
        kByACI = 0xC3,
        kNone = 0xC8
    };

    OdCmEntityColor() = default;
    OdCmEntityColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) { setRGB(red, green, blue); }

    ColorMethod colorMethod() const { return m_method; }
    void setColorMethod(ColorMethod method) { m_method = method; }
    bool isByColor() const { return m_method == kByColor; }
    bool isByACI() const { return m_method == kByACI; }

    /// Sets the method to kByColor.
    void setRGB(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
    {
        m_method = kByColor;
        m_red = red;
        m_green = green;
        m_blue = blue;
    }
    std::uint8_t red() const { return m_red; }
    std::uint8_t green() const { return m_green; }
    std::uint8_t blue() const { return m_blue; }

    /// Sets the method to kByACI.
    void setColorIndex(std::int16_t index)
    {
        m_method = kByACI;
        m_index = index;
    }
    std::int16_t colorIndex() const { return m_index; }

    friend bool operator==(const OdCmEntityColor&, const OdCmEntityColor&) = default;

private:
    ColorMethod m_method = kByLayer;
    std::uint8_t m_red = 0;
    std::uint8_t m_green = 0;
    std::uint8_t m_blue = 0;
    std::int16_t m_index = 0;
};

/// A colour as entities and the user see it; the stand-in holds exactly an OdCmEntityColor.
class OdCmColor
{
public:
    OdCmColor() = default;
    OdCmColor(const OdCmEntityColor& color) : m_color(color) {}

    OdCmEntityColor::ColorMethod colorMethod() const { return m_color.colorMethod(); }
    void setRGB(std::uint8_t red, std::uint8_t green, std::uint8_t blue) { m_color.setRGB(red, green, blue); }
    std::uint8_t red() const { return m_color.red(); }
    std::uint8_t green() const { return m_color.green(); }
    std::uint8_t blue() const { return m_color.blue(); }
    void setColorIndex(std::int16_t index) { m_color.setColorIndex(index); }
    std::int16_t colorIndex() const { return m_color.colorIndex(); }
    const OdCmEntityColor& entityColor() const { return m_color; }

    friend bool operator==(const OdCmColor&, const OdCmColor&) = default;

private:
    OdCmEntityColor m_color;
};

using OdCmEntityColorArray = OdArray<OdCmEntityColor>;
