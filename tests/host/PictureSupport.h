#pragma once

#include <cairo.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

namespace host_test
{

/// A PNG picture decoded for reading pixels back.
class Picture
{
public:
    struct Rgb
    {
        int r = 0, g = 0, b = 0;
        friend bool operator==(const Rgb&, const Rgb&) = default;
    };

    explicit Picture(const std::string& png) : m_png(png)
    {
        m_surface.reset(cairo_image_surface_create_from_png_stream(&Picture::read, this));
        if (cairo_surface_status(m_surface.get()) != CAIRO_STATUS_SUCCESS)
            throw std::runtime_error("not a PNG picture");
    }

    int width() const { return cairo_image_surface_get_width(m_surface.get()); }
    int height() const { return cairo_image_surface_get_height(m_surface.get()); }
    /// The colour at column x, row y (row 0 at the top).
    Rgb at(int x, int y) const
    {
        const unsigned char* data = cairo_image_surface_get_data(m_surface.get());
        const int stride = cairo_image_surface_get_stride(m_surface.get());
        std::uint32_t px = 0;
        std::memcpy(&px, data + y * stride + x * 4, 4);
        return Rgb{static_cast<int>(px >> 16 & 0xFF), static_cast<int>(px >> 8 & 0xFF),
                   static_cast<int>(px & 0xFF)};
    }
    bool isWhite(int x, int y) const { return at(x, y) == Rgb{255, 255, 255}; }

private:
    static cairo_status_t read(void* closure, unsigned char* data, unsigned int length)
    {
        auto* self = static_cast<Picture*>(closure);
        if (self->m_offset + length > self->m_png.size())
            return CAIRO_STATUS_READ_ERROR;
        std::memcpy(data, self->m_png.data() + self->m_offset, length);
        self->m_offset += length;
        return CAIRO_STATUS_SUCCESS;
    }

    std::string m_png;
    std::size_t m_offset = 0;
    std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> m_surface{nullptr,
                                                                                 &cairo_surface_destroy};
};

/// Number of non-overlapping occurrences of `needle` in `text`.
inline std::size_t countOf(const std::string& text, const std::string& needle)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos;
         at = text.find(needle, at + needle.size()))
        ++n;
    return n;
}

} // namespace host_test
