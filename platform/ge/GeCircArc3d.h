#pragma once

#include "platform/ge/GeCurve3d.h"

/// A circular arc or full circle. With centre c, radius r, unit normal n and unit reference
/// vector u (perpendicular to n), the point at parameter (angle) t is
/// c + r (cos t u + sin t (n x u)); the interval is [startAng, endAng] with
/// 0 < endAng - startAng <= 2 pi. A sweep of 2 pi is a closed circle.
class OdGeCircArc3d : public OdGeCurve3d
{
public:
    /// The unit circle in the XY plane about the origin.
    OdGeCircArc3d();
    /// Full circle; the reference vector is chosen perpendicular to normal (the x axis for
    /// normal +-z).
    OdGeCircArc3d(const OdGePoint3d& center, const OdGeVector3d& normal, double radius);
    /// Arc from startAng to endAng (radians) measured from refVec about normal. refVec is
    /// projected into the plane and normalised; endAng below startAng is taken one turn on.
    OdGeCircArc3d(const OdGePoint3d& center, const OdGeVector3d& normal, const OdGeVector3d& refVec,
                  double radius, double startAng, double endAng);
    /// The arc through three distinct non-collinear points, from startPoint via secondPoint to
    /// endPoint. Raises OdError(eDegenerateGeometry) for coincident or collinear points.
    OdGeCircArc3d(const OdGePoint3d& startPoint, const OdGePoint3d& secondPoint, const OdGePoint3d& endPoint);

    OdGeCircArc3d& set(const OdGePoint3d& center, const OdGeVector3d& normal, double radius);
    OdGeCircArc3d& set(const OdGePoint3d& center, const OdGeVector3d& normal, const OdGeVector3d& refVec,
                       double radius, double startAng, double endAng);
    OdGeCircArc3d& setAngles(double startAng, double endAng);

    OdGePoint3d center() const { return m_center; }
    OdGeVector3d normal() const { return m_normal; }
    OdGeVector3d refVec() const { return m_refVec; }
    double radius() const { return m_radius; }
    double startAng() const { return m_startAng; }
    double endAng() const { return m_endAng; }
    OdGePoint3d startPoint() const { return evalPoint(m_startAng); }
    OdGePoint3d endPoint() const { return evalPoint(m_endAng); }

    OdGe::EntityId type() const override { return OdGe::kCircArc3d; }
    bool isKindOf(OdGe::EntityId entType) const override;
    OdGeCircArc3d* copy() const override { return new OdGeCircArc3d(*this); }
    OdGeCircArc3d& transformBy(const OdGeMatrix3d& xfm) override;

    void getInterval(OdGeInterval& interval) const override;
    /// Flips the normal and turns the reference vector so that the interval stays
    /// [startAng, endAng] while the arc is travelled the other way.
    OdGeCircArc3d& reverseParam() override;
    bool isLinear(const OdGeTol& tol = OdGeContext::gTol) const override;
    bool isCircular(const OdGeTol& tol = OdGeContext::gTol) const override;
    bool isClosed(const OdGeTol& tol = OdGeContext::gTol) const override;
    /// Exact: radius times the angle between the parameters.
    double length(double fromParam, double toParam,
                  double tol = OdGeContext::gTol.equalPoint()) const override;
    double paramAtLength(double datumParam, double length, bool posParamDir = true,
                         double tol = OdGeContext::gTol.equalPoint()) const override;
    OdGePoint3d evalPoint(double param) const override;
    OdGePoint3d evalPoint(double param, int numDeriv, OdGeVector3dArray& derivatives) const override;
    double paramOf(const OdGePoint3d& point, const OdGeTol& tol = OdGeContext::gTol) const override;
    /// The box of the end points and of the extreme points in x, y and z that the arc passes.
    void getGeomExtents(OdGeExtents3d& extents) const override;

private:
    OdGeVector3d yAxis() const { return m_normal.crossProduct(m_refVec); }

    OdGePoint3d m_center;
    OdGeVector3d m_normal{0.0, 0.0, 1.0};
    OdGeVector3d m_refVec{1.0, 0.0, 0.0};
    double m_radius = 1.0;
    double m_startAng = 0.0;
    double m_endAng = 0.0;
};
