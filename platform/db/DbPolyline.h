#pragma once

#include "platform/db/DbCurve.h"
#include "platform/ge/GePoint2d.h"

#include <vector>

/// A lightweight polyline: 2D vertices at one elevation in the XY plane, each with the bulge of
/// the segment that leaves it (0 straight) and start and end widths (-1: the default width).
class OdDbPolyline : public OdDbCurve
{
public:
    static OdSmartPtr<OdDbPolyline> createObject();

    /// Inserts a vertex before position index (index == numVerts() appends); raises
    /// OdError_InvalidIndex beyond that.
    void addVertexAt(unsigned index, const OdGePoint2d& point, double bulge = 0.0, double startWidth = -1.0,
                     double endWidth = -1.0);
    unsigned numVerts() const { return static_cast<unsigned>(m_vertices.size()); }
    void getPointAt(unsigned index, OdGePoint2d& point) const;
    double getBulgeAt(unsigned index) const;
    void getWidthsAt(unsigned index, double& startWidth, double& endWidth) const;
    bool isClosed() const { return m_closed; }
    void setClosed(bool closed) { m_closed = closed; }
    double elevation() const { return m_elevation; }
    void setElevation(double elevation) { m_elevation = elevation; }

    /// The polyline's straight segments as one line or, with bulges or several segments, not
    /// representable as one geometry curve: eNotApplicable.
    OdResult getOdGeCurve(OdGeCurve3d*& geCurve, const OdGeTol& tol = OdGeContext::gTol) const override;
    /// The box of the vertices.
    OdResult getGeomExtents(OdGeExtents3d& extents) const override;

private:
    struct Vertex
    {
        OdGePoint2d point;
        double bulge = 0.0;
        double startWidth = -1.0;
        double endWidth = -1.0;
    };
    std::vector<Vertex> m_vertices;
    bool m_closed = false;
    double m_elevation = 0.0;
};
using OdDbPolylinePtr = OdSmartPtr<OdDbPolyline>;
