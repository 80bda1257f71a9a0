#pragma once

#include "platform/ge/GeExtents3d.h"
#include "platform/ge/GePoint3d.h"
#include "platform/ge/GeVector3d.h"
#include "platform/gi/GiDrawable.h"

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace oa::detail
{

/// A colour as the picture shows it, 8-bit channels.
struct Rgb
{
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

struct PolylinePrim
{
    std::vector<OdGePoint3d> points;
    Rgb color;
    /// A multiple of the view's fine line.
    double width = 1.0;
};

struct PolygonPrim
{
    std::vector<OdGePoint3d> points;
    Rgb color;
    bool filled = false;
};

/// Triangles of a shell (polygonal faces are fanned), with one colour per face or per corner.
struct ShellPrim
{
    std::vector<OdGePoint3d> vertices;
    /// Three vertex indices per triangle.
    std::vector<std::int32_t> triangles;
    /// Empty, or one per triangle.
    std::vector<Rgb> faceColors;
    /// Empty, or one per vertex.
    std::vector<Rgb> vertexColors;
    Rgb color;
    bool filled = false;
    /// Outlines of the original faces (drawn when not filled, or when edges have colours): closed loops
    /// of vertex indices, each loop's size first.
    std::vector<std::int32_t> outlines;
    /// Empty, or one per edge of the outlines in their order (a face's edge k runs from its corner k to
    /// the next); the edges are then drawn in these colours, over the fill.
    std::vector<Rgb> edgeColors;
};

struct TextPrim
{
    OdGePoint3d position;
    OdGeVector3d direction;
    double height = 1.0;
    double widthFactor = 1.0;
    double oblique = 0.0;
    std::string utf8;
    std::size_t characters = 0;
    Rgb color;
};

using Primitive = std::variant<PolylinePrim, PolygonPrim, ShellPrim, TextPrim>;

/// What a drawable drew, in world coordinates, ready to be rendered any number of times.
struct DisplayList
{
    std::vector<Primitive> primitives;
    bool onTop = false;
    OdGeExtents3d extents;
};

/// Runs `drawable` (attributes, world draw, and viewport draw when world draw asks for it) and records
/// what it draws.
DisplayList record(const OdGiDrawable& drawable);

} // namespace oa::detail
