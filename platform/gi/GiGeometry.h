#pragma once

#include "platform/base/OdString.h"
#include "platform/cm/CmColor.h"
#include "platform/ge/GePoint3d.h"
#include "platform/ge/GeVector3d.h"

#include <cstdint>

class OdGiDrawable;
class OdGeNurbCurve3d;

/// The stand-in's one text font is fixed-pitch: each character advances this many text heights at
/// width factor 1. The extents of database texts and the viewer's rendering both follow it, so a
/// drawn text fills exactly the box its extents give.
constexpr double kOdGiCharacterAdvance = 0.75;

/// Per-face data of a shell; each pointer, when set, addresses one entry per face.
class OdGiFaceData
{
public:
    void setTrueColors(const OdCmEntityColor* colors) { m_trueColors = colors; }
    const OdCmEntityColor* trueColors() const { return m_trueColors; }

private:
    const OdCmEntityColor* m_trueColors = nullptr;
};

/// Per-edge data of a shell; each pointer, when set, addresses one entry per edge in face-list order.
class OdGiEdgeData
{
public:
    void setTrueColors(const OdCmEntityColor* colors) { m_trueColors = colors; }
    const OdCmEntityColor* trueColors() const { return m_trueColors; }

private:
    const OdCmEntityColor* m_trueColors = nullptr;
};

/// Per-vertex data of a shell; each pointer, when set, addresses one entry per vertex.
class OdGiVertexData
{
public:
    void setNormals(const OdGeVector3d* normals) { m_normals = normals; }
    const OdGeVector3d* normals() const { return m_normals; }
    void setTrueColors(const OdCmEntityColor* colors) { m_trueColors = colors; }
    const OdCmEntityColor* trueColors() const { return m_trueColors; }

private:
    const OdGeVector3d* m_normals = nullptr;
    const OdCmEntityColor* m_trueColors = nullptr;
};

/// The primitives a drawable draws with, in world coordinates, in the current sub-entity traits.
/// The arrays are read during the call only; the viewer keeps its own copies.
class OdGiGeometry
{
public:
    virtual ~OdGiGeometry() = default;

    /// An open polyline through numVertices points (closed only if the last point repeats the first).
    virtual void polyline(std::int32_t numVertices, const OdGePoint3d* vertexList,
                          const OdGeVector3d* normal = nullptr, std::intptr_t baseSubEntMarker = -1) = 0;
    /// A closed polygon, filled when the fill type is kOdGiFillAlways.
    virtual void polygon(std::int32_t numVertices, const OdGePoint3d* vertexList) = 0;
    /// A shell: vertices and a face list (for each face its vertex count, then that many vertex
    /// indices), with optional per-edge, per-face and per-vertex data.
    virtual void shell(std::int32_t numVertices, const OdGePoint3d* vertexList, std::int32_t faceListSize,
                       const std::int32_t* faceList, const OdGiEdgeData* edgeData = nullptr,
                       const OdGiFaceData* faceData = nullptr,
                       const OdGiVertexData* vertexData = nullptr) = 0;
    /// A single-line text: `position` is the left end of its baseline, `direction` runs along the
    /// baseline, `height` is the height of capitals, `width` the width factor (1 for the font's own
    /// widths), `oblique` the slant in radians.
    virtual void text(const OdGePoint3d& position, const OdGeVector3d& normal, const OdGeVector3d& direction,
                      double height, double width, double oblique, const OdString& msg) = 0;
    /// A spline curve.
    virtual void nurbs(const OdGeNurbCurve3d& curve) = 0;
    /// Another drawable, in the traits in force now (it may set its own).
    virtual void draw(const OdGiDrawable* drawable) = 0;
};

/// Geometry of view-independent drawing.
class OdGiWorldGeometry : public OdGiGeometry
{
};

/// Geometry of view-dependent drawing.
class OdGiViewportGeometry : public OdGiGeometry
{
};
