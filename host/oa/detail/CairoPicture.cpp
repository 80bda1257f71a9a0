#include "host/oa/detail/CairoPicture.h"

#include "host/oa/DwgViewer.h"
#include "platform/gi/GiGeometry.h"

#include <cairo-svg.h>
#include <cairo.h>
#include <png.h>
#include <zlib.h>

#include <boost/container_hash/hash.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <new>
#include <tuple>
#include <unordered_set>
#include <vector>

namespace oa::detail
{

namespace
{
/// Share of the picture's shorter side left free around the content.
constexpr double kMarginShare = 0.03;
/// Width of lines in picture units (pixels or points): fine enough that the edges of a mesh of some
/// thousand triangles do not hide the colours between them.
constexpr double kLineWidth = 0.6;
/// zlib's level for PNG pictures: 1, its fastest.
constexpr int kPngCompression = 1;
/// The font texts are drawn in; each text is stretched to the fixed-pitch width its extents claim.
constexpr const char* kFontFamily = "DejaVu Sans";

/// World to picture: one scale in x and y, y turned downwards.
struct Mapping
{
    double scale = 1.0;
    double offsetX = 0.0;
    double offsetY = 0.0;
    double height = 0.0;

    double x(const OdGePoint3d& p) const { return offsetX + p.x * scale; }
    double y(const OdGePoint3d& p) const { return height - (offsetY + p.y * scale); }
};

Mapping fit(const OdGeExtents3d& window, int width, int height)
{
    Mapping m;
    m.height = height;
    const double margin = kMarginShare * std::min(width, height);
    const double usableW = std::max(1.0, width - 2.0 * margin);
    const double usableH = std::max(1.0, height - 2.0 * margin);
    OdGeExtents3d box = window;
    if (!box.isValidExtents())
        box.set(OdGePoint3d(0, 0, 0), OdGePoint3d(1, 1, 0));
    const double dx = box.maxPoint().x - box.minPoint().x;
    const double dy = box.maxPoint().y - box.minPoint().y;
    if (dx > 0.0 && dy > 0.0)
        m.scale = std::min(usableW / dx, usableH / dy);
    else if (dx > 0.0)
        m.scale = usableW / dx;
    else if (dy > 0.0)
        m.scale = usableH / dy;
    const OdGePoint3d c = box.center();
    m.offsetX = width / 2.0 - c.x * m.scale;
    m.offsetY = height / 2.0 - c.y * m.scale;
    return m;
}

void source(cairo_t* cr, const Rgb& c)
{
    cairo_set_source_rgb(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0);
}

class Painter
{
public:
    Painter(cairo_t* cr, const Mapping& m, bool vector) : m_cr(cr), m_map(m), m_vector(vector) {}

    void paint(const Primitive& p)
    {
        std::visit([this](const auto& prim) { draw(prim); }, p);
    }
    /// Strokes the polylines gathered so far and forgets them.
    void flushLines()
    {
        strokeSegments();
        m_seen.clear();
    }

private:
    // Cairo's stroker holds the outline of a whole path at once: a mesh of tens of thousands of edges in one
    // path took more memory than the analysis. Paths of at most this many pieces keep it small.
    static constexpr std::size_t kStrokeBatch = 4096;

    void strokeSegments()
    {
        if (m_segments.empty())
            return;
        for (const Segment& seg : m_segments)
        {
            cairo_move_to(m_cr, seg.x0, seg.y0);
            cairo_line_to(m_cr, seg.x1, seg.y1);
        }
        source(m_cr, m_lineColor);
        cairo_set_line_width(m_cr, kLineWidth * m_lineWidth);
        cairo_stroke(m_cr);
        cairo_set_line_width(m_cr, kLineWidth);
        m_segments.clear();
    }

    void moveTo(const OdGePoint3d& p) { cairo_move_to(m_cr, m_map.x(p), m_map.y(p)); }
    void lineTo(const OdGePoint3d& p) { cairo_line_to(m_cr, m_map.x(p), m_map.y(p)); }

    /// A straight piece of a polyline in picture coordinates, its ends in a fixed order.
    struct Segment
    {
        double x0, y0, x1, y1;
        friend bool operator==(const Segment&, const Segment&) = default;
    };
    struct SegmentHash
    {
        std::size_t operator()(const Segment& s) const noexcept
        {
            std::size_t h = 0;
            for (const double v : {s.x0, s.y0, s.x1, s.y1})
                boost::hash_combine(h, v);
            return h;
        }
    };

    // Consecutive polylines of one colour become one path of their distinct straight pieces: a mesh's
    // face outlines share every inner edge, which is stroked once so, and pieces without joins stroke
    // fastest; at the line width joins are not seen.
    void draw(const PolylinePrim& p)
    {
        if (!m_seen.empty() && !(p.color == m_lineColor && p.width == m_lineWidth))
            flushLines();
        m_lineColor = p.color;
        m_lineWidth = p.width;
        for (std::size_t i = 1; i < p.points.size(); ++i)
        {
            Segment seg{m_map.x(p.points[i - 1]), m_map.y(p.points[i - 1]), m_map.x(p.points[i]),
                        m_map.y(p.points[i])};
            if (std::tie(seg.x1, seg.y1) < std::tie(seg.x0, seg.y0))
                seg = Segment{seg.x1, seg.y1, seg.x0, seg.y0};
            if (m_seen.insert(seg).second)
                m_segments.push_back(seg);
        }
        if (m_segments.size() >= kStrokeBatch)
            strokeSegments();
    }
    void draw(const PolygonPrim& p)
    {
        flushLines();
        moveTo(p.points.front());
        for (std::size_t i = 1; i < p.points.size(); ++i)
            lineTo(p.points[i]);
        cairo_close_path(m_cr);
        source(m_cr, p.color);
        if (p.filled)
            cairo_fill(m_cr);
        else
            cairo_stroke(m_cr);
    }
    void draw(const ShellPrim& s)
    {
        flushLines();
        if (s.filled)
            fill(s);
        if (!s.edgeColors.empty())
            return drawColoredEdges(s);
        if (s.filled)
            return;
        source(m_cr, s.color);
        std::size_t inPath = 0;
        for (std::size_t i = 0; i < s.outlines.size();)
        {
            const auto count = static_cast<std::size_t>(s.outlines[i]);
            moveTo(s.vertices[static_cast<std::size_t>(s.outlines[i + 1])]);
            for (std::size_t k = 1; k < count; ++k)
                lineTo(s.vertices[static_cast<std::size_t>(s.outlines[i + 1 + k])]);
            cairo_close_path(m_cr);
            i += count + 1;
            inPath += count;
            if (inPath >= kStrokeBatch || i >= s.outlines.size())
            {
                cairo_stroke(m_cr);
                inPath = 0;
            }
        }
    }
    /// Each edge in its own colour: the edges of one colour are stroked as one path.
    void drawColoredEdges(const ShellPrim& s)
    {
        struct Edge
        {
            std::uint32_t color;
            std::int32_t from, to;
        };
        std::vector<Edge> edges;
        edges.reserve(s.edgeColors.size());
        for (std::size_t i = 0; i < s.outlines.size();)
        {
            const auto count = static_cast<std::size_t>(s.outlines[i]);
            for (std::size_t k = 0; k < count; ++k)
            {
                const Rgb& c = s.edgeColors[edges.size()];
                edges.push_back({static_cast<std::uint32_t>(c.r << 16 | c.g << 8 | c.b),
                                 s.outlines[i + 1 + k], s.outlines[i + 1 + (k + 1) % count]});
            }
            i += count + 1;
        }
        std::stable_sort(edges.begin(), edges.end(),
                         [](const Edge& a, const Edge& b) { return a.color < b.color; });
        std::size_t inPath = 0;
        for (std::size_t e = 0; e < edges.size(); ++e)
        {
            moveTo(s.vertices[static_cast<std::size_t>(edges[e].from)]);
            lineTo(s.vertices[static_cast<std::size_t>(edges[e].to)]);
            if (++inPath >= kStrokeBatch || e + 1 == edges.size() || edges[e + 1].color != edges[e].color)
            {
                inPath = 0;
                const std::uint32_t c = edges[e].color;
                source(m_cr, Rgb{static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
                                 static_cast<std::uint8_t>(c)});
                cairo_stroke(m_cr);
            }
        }
    }
    void fill(const ShellPrim& s)
    {
        if (!s.vertexColors.empty() && !m_vector)
            return drawBlended(s);
        // The triangles of one colour are filled at once: a coloured mesh of some ten thousand triangles has
        // a few hundred colours, so this saves most of the fills, and a vector picture half its size and
        // the memory Cairo holds it in. A raster picture fills without antialiasing: neighbours share their
        // edges exactly, and the edges drawn over them hide the pixel steps.
        const std::size_t n = s.triangles.size() / 3;
        auto addTriangle = [&](std::size_t t)
        {
            const std::int32_t* idx = &s.triangles[3 * t];
            for (int k = 0; k < 3; ++k)
            {
                const OdGePoint3d& p = s.vertices[static_cast<std::size_t>(idx[k])];
                k == 0 ? moveTo(p) : lineTo(p);
            }
            cairo_close_path(m_cr);
        };
        std::vector<std::pair<std::uint32_t, std::uint32_t>> byColor(n);
        for (std::size_t t = 0; t < n; ++t)
        {
            const Rgb c = triangleColor(s, t);
            byColor[t] = {static_cast<std::uint32_t>(c.r << 16 | c.g << 8 | c.b),
                          static_cast<std::uint32_t>(t)};
        }
        std::sort(byColor.begin(), byColor.end());
        if (!m_vector)
            cairo_set_antialias(m_cr, CAIRO_ANTIALIAS_NONE);
        for (std::size_t k = 0; k < n; ++k)
        {
            addTriangle(byColor[k].second);
            if (k + 1 == n || byColor[k + 1].first != byColor[k].first)
            {
                source(m_cr, triangleColor(s, byColor[k].second));
                cairo_fill(m_cr);
            }
        }
        cairo_set_antialias(m_cr, CAIRO_ANTIALIAS_DEFAULT);
    }
    /// A vector picture cannot blend colours across a triangle, so it takes the corners' mean there.
    static Rgb triangleColor(const ShellPrim& s, std::size_t t)
    {
        if (!s.faceColors.empty())
            return s.faceColors[t];
        if (s.vertexColors.empty())
            return s.color;
        int r = 0, g = 0, b = 0;
        for (int k = 0; k < 3; ++k)
        {
            const Rgb& c =
                s.vertexColors[static_cast<std::size_t>(s.triangles[3 * t + static_cast<std::size_t>(k)])];
            r += c.r;
            g += c.g;
            b += c.b;
        }
        return Rgb{static_cast<std::uint8_t>(r / 3), static_cast<std::uint8_t>(g / 3),
                   static_cast<std::uint8_t>(b / 3)};
    }
    /// Colours blended across each triangle from its corners, with one mesh pattern for the shell.
    void drawBlended(const ShellPrim& s)
    {
        cairo_pattern_t* pattern = cairo_pattern_create_mesh();
        const std::size_t n = s.triangles.size() / 3;
        for (std::size_t t = 0; t < n; ++t)
        {
            cairo_mesh_pattern_begin_patch(pattern);
            for (unsigned int k = 0; k < 3; ++k)
            {
                const auto v = static_cast<std::size_t>(s.triangles[3 * t + k]);
                const OdGePoint3d& p = s.vertices[v];
                k == 0 ? cairo_mesh_pattern_move_to(pattern, m_map.x(p), m_map.y(p))
                       : cairo_mesh_pattern_line_to(pattern, m_map.x(p), m_map.y(p));
                const Rgb& c = s.vertexColors[v];
                cairo_mesh_pattern_set_corner_color_rgb(pattern, k, c.r / 255.0, c.g / 255.0, c.b / 255.0);
            }
            cairo_mesh_pattern_end_patch(pattern);
        }
        cairo_set_source(m_cr, pattern);
        cairo_paint(m_cr);
        cairo_pattern_destroy(pattern);
    }
    void draw(const TextPrim& t)
    {
        flushLines();
        const double capHeight = t.height * m_map.scale;
        if (!(capHeight > 0.0))
            return;
        cairo_save(m_cr);
        cairo_select_font_face(m_cr, kFontFamily, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
        // Size the font so that its capitals are as tall as the text's height.
        cairo_set_font_size(m_cr, 100.0);
        cairo_text_extents_t capital;
        cairo_text_extents(m_cr, "H", &capital);
        const double size = capital.height > 0.0 ? 100.0 * capHeight / capital.height : capHeight;
        cairo_set_font_size(m_cr, size);
        cairo_text_extents_t extents;
        cairo_text_extents(m_cr, t.utf8.c_str(), &extents);
        const double wanted =
            static_cast<double>(t.characters) * kOdGiCharacterAdvance * capHeight * t.widthFactor;
        const double stretch = extents.x_advance > 0.0 ? wanted / extents.x_advance : 1.0;
        cairo_translate(m_cr, m_map.x(t.position), m_map.y(t.position));
        cairo_rotate(m_cr, -std::atan2(t.direction.y, t.direction.x));
        cairo_matrix_t slant;
        cairo_matrix_init(&slant, stretch, 0.0, -std::tan(t.oblique), 1.0, 0.0, 0.0);
        cairo_transform(m_cr, &slant);
        cairo_move_to(m_cr, 0.0, 0.0);
        source(m_cr, t.color);
        cairo_show_text(m_cr, t.utf8.c_str());
        cairo_restore(m_cr);
    }

    cairo_t* m_cr;
    Mapping m_map;
    bool m_vector;
    std::vector<Segment> m_segments;
    std::unordered_set<Segment, SegmentHash> m_seen;
    Rgb m_lineColor;
    double m_lineWidth = 1.0;
};

cairo_status_t appendToString(void* closure, const unsigned char* data, unsigned int length)
{
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

void check(cairo_status_t status, const char* what)
{
    if (status != CAIRO_STATUS_SUCCESS)
        throw PictureError(std::string("the picture could not be ") + what + ": " +
                           cairo_status_to_string(status));
}

/// The image as PNG through libpng, compressed for speed: the pictures are flat colours and lines,
/// which run-length coding of the row differences packs almost as tightly as the thorough default, in a
/// fraction of the time (Cairo's own writer offers no choice).
std::string encodePng(cairo_surface_t* surface)
{
    cairo_surface_flush(surface);
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    std::string bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info)
    {
        png_destroy_write_struct(&png, nullptr);
        throw PictureError("the picture could not be written as PNG: out of memory");
    }
    std::vector<unsigned char> row(static_cast<std::size_t>(width) * 3);
    // libpng reports errors by a long jump back here; nothing with a destructor is created after it.
    if (setjmp(png_jmpbuf(png)))
    {
        png_destroy_write_struct(&png, &info);
        throw PictureError("the picture could not be written as PNG");
    }
    png_set_write_fn(
        png, &bytes,
        [](png_structp p, png_bytep chunk, png_size_t length)
        {
            try
            {
                static_cast<std::string*>(png_get_io_ptr(p))
                    ->append(reinterpret_cast<const char*>(chunk), length);
            }
            catch (const std::bad_alloc&)
            {
                png_error(p, "out of memory"); // no exception may cross libpng
            }
        },
        nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_set_compression_level(png, kPngCompression);
    png_set_compression_strategy(png, Z_RLE);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
    {
        // Cairo's RGB24 pixels are 32-bit words 0x00RRGGBB in the machine's byte order.
        const auto* pixels =
            reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < width; ++x)
        {
            const std::uint32_t p = pixels[x];
            row[3 * static_cast<std::size_t>(x)] = static_cast<unsigned char>(p >> 16);
            row[3 * static_cast<std::size_t>(x) + 1] = static_cast<unsigned char>(p >> 8);
            row[3 * static_cast<std::size_t>(x) + 2] = static_cast<unsigned char>(p);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

void paintAll(cairo_surface_t* surface, const std::vector<std::shared_ptr<const DisplayList>>& lists,
              const Mapping& map, bool vector)
{
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
    cairo_paint(cr);
    cairo_set_line_width(cr, kLineWidth);
    // Bevelled joins: round ones cost many more edges to fill on meshes of thousands of outlines.
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_BEVEL);
    Painter painter(cr, map, vector);
    for (const bool onTop : {false, true})
        for (const auto& list : lists)
            if (list->onTop == onTop)
                for (const Primitive& p : list->primitives)
                    painter.paint(p);
    painter.flushLines();
    const cairo_status_t status = cairo_status(cr);
    cairo_destroy(cr);
    check(status, "drawn");
}
} // namespace

OdGePoint3d pictureOf(const OdGePoint3d& world, const OdGeExtents3d& window, int width, int height)
{
    const Mapping map = fit(window, width, height);
    return OdGePoint3d(map.x(world), map.y(world), 0.0);
}

std::string renderPicture(const std::vector<std::shared_ptr<const DisplayList>>& lists,
                          const OdGeExtents3d& window, int width, int height, bool vector)
{
    const Mapping map = fit(window, width, height);
    std::string bytes;
    const std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
        vector ? cairo_svg_surface_create_for_stream(appendToString, &bytes, width, height)
               : cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height),
        &cairo_surface_destroy);
    check(cairo_surface_status(surface.get()), "started");
    paintAll(surface.get(), lists, map, vector);
    if (vector)
    {
        // Finishing the surface writes the rest of the document.
        cairo_surface_finish(surface.get());
        check(cairo_surface_status(surface.get()), "written as SVG");
    }
    else
        bytes = encodePng(surface.get());
    return bytes;
}

} // namespace oa::detail
