#pragma once

#include "platform/ge/GeCurve3d.h"

/// A straight segment; parameter 0 at the start point, 1 at the end point.
class OdGeLineSeg3d : public OdGeCurve3d
{
public:
    /// The degenerate segment at the origin.
    OdGeLineSeg3d() = default;
    OdGeLineSeg3d(const OdGePoint3d& startPoint, const OdGePoint3d& endPoint)
        : m_start(startPoint), m_end(endPoint)
    {
    }

    OdGeLineSeg3d& set(const OdGePoint3d& startPoint, const OdGePoint3d& endPoint);
    OdGePoint3d startPoint() const { return m_start; }
    OdGePoint3d endPoint() const { return m_end; }
    OdGePoint3d midPoint() const;
    /// end - start.
    OdGeVector3d direction() const { return m_end - m_start; }

    OdGe::EntityId type() const override { return OdGe::kLineSeg3d; }
    bool isKindOf(OdGe::EntityId entType) const override;
    OdGeLineSeg3d* copy() const override { return new OdGeLineSeg3d(*this); }
    OdGeLineSeg3d& transformBy(const OdGeMatrix3d& xfm) override;

    void getInterval(OdGeInterval& interval) const override;
    OdGeLineSeg3d& reverseParam() override;
    bool isLinear(const OdGeTol& tol = OdGeContext::gTol) const override;
    bool isCircular(const OdGeTol& tol = OdGeContext::gTol) const override;
    double length(double fromParam, double toParam,
                  double tol = OdGeContext::gTol.equalPoint()) const override;
    double paramAtLength(double datumParam, double length, bool posParamDir = true,
                         double tol = OdGeContext::gTol.equalPoint()) const override;
    /// Length of the whole segment.
    double length() const { return m_start.distanceTo(m_end); }
    OdGePoint3d evalPoint(double param) const override;
    OdGePoint3d evalPoint(double param, int numDeriv, OdGeVector3dArray& derivatives) const override;
    double paramOf(const OdGePoint3d& point, const OdGeTol& tol = OdGeContext::gTol) const override;
    void getGeomExtents(OdGeExtents3d& extents) const override;

private:
    OdGePoint3d m_start;
    OdGePoint3d m_end;
};
