#pragma once

#include "platform/db/DbObject.h"
#include "platform/ge/GePoint2d.h"
#include "platform/ge/GePoint3d.h"

#include <vector>

/// A lightweight polyline: 2D vertices in the XY plane at an elevation, each starting a segment that is
/// straight (bulge 0) or a circular arc (bulge = tan(included angle / 4), positive counter-clockwise).
/// A closed polyline has a segment from its last vertex back to its first.
class OdDbPolyline : public OdDbEntity
{
public:
    static OdSmartPtr<OdDbPolyline> createObject();

    /// Inserts a vertex before `index` (index == numVerts() appends). Widths of -1 mean the default
    /// (the polyline's constant width, 0). OdError_InvalidIndex for an index above numVerts().
    void addVertexAt(unsigned int index, const OdGePoint2d& point, double bulge = 0.0,
                     double startWidth = -1.0, double endWidth = -1.0);
    unsigned int numVerts() const { return static_cast<unsigned int>(m_vertices.size()); }
    /// OdError_InvalidIndex for an index outside the vertices.
    void getPointAt(unsigned int index, OdGePoint2d& point) const;
    void getPointAt(unsigned int index, OdGePoint3d& point) const;
    double getBulgeAt(unsigned int index) const;
    void getWidthsAt(unsigned int index, double& startWidth, double& endWidth) const;
    void setClosed(bool closed) { m_closed = closed; }
    bool isClosed() const { return m_closed; }
    double elevation() const { return m_elevation; }
    void setElevation(double elevation) { m_elevation = elevation; }

    /// Vertices and the extreme points of arc segments; eInvalidExtents without vertices.
    OdResult getGeomExtents(OdGeExtents3d& extents) const override;
    /// eNotApplicable for a transform that takes the polyline out of a plane parallel to XY, or that
    /// scales unevenly while a segment is an arc. A mirroring transform reverses the arcs' bulges.
    OdResult transformBy(const OdGeMatrix3d& xform) override;
    OdSmartPtr<OdDbEntity> clone() const override;

    /// The segments as points in 3D: straight segments by their ends, arcs flattened. A closed polyline
    /// repeats its first point at the end.
    std::vector<OdGePoint3d> flattened() const;

protected:
    bool subWorldDraw(OdGiWorldDraw* worldDraw) const override;

private:
    struct Vertex
    {
        OdGePoint2d point;
        double bulge = 0.0;
        double startWidth = -1.0;
        double endWidth = -1.0;
    };
    const Vertex& vertexAt(unsigned int index) const;

    std::vector<Vertex> m_vertices;
    double m_elevation = 0.0;
    bool m_closed = false;
};
using OdDbPolylinePtr = OdSmartPtr<OdDbPolyline>;
