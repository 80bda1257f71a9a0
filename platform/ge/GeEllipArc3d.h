#pragma once

#include "platform/ge/GeCurve3d.h"

/// An elliptical arc or full ellipse. With centre c, unit major axis u, unit normal n, major
/// radius a and minor radius b (0 < b <= a), the ellipse point at angle s is
/// c + a cos s u + b sin s (n x u); the interval is [startAng, endAng] with
/// 0 < endAng - startAng <= 2 pi. A sweep of 2 pi is a closed ellipse. After reverseParam the
/// parameter t stands for the angle sign t + offset (sign -1), so the interval and the points
/// stay as they are while the ends swap; the axes and angles report the ellipse as it was made.
class OdGeEllipArc3d : public OdGeCurve3d
{
public:
    /// The unit circle in the XY plane about the origin, as an ellipse.
    OdGeEllipArc3d();
    /// majorAxis is projected into the plane perpendicular to normal and normalised. Raises
    /// OdError(eInvalidInput) for a zero normal, a major axis along it, or radii that are not
    /// 0 < minorRadius <= majorRadius; endAng at or below startAng is taken one turn on.
    OdGeEllipArc3d(const OdGePoint3d& center, const OdGeVector3d& normal, const OdGeVector3d& majorAxis,
                   double majorRadius, double minorRadius, double startAng, double endAng);

    OdGeEllipArc3d& set(const OdGePoint3d& center, const OdGeVector3d& normal, const OdGeVector3d& majorAxis,
                        double majorRadius, double minorRadius, double startAng, double endAng);
    /// A new interval in the curve's own parameter; each parameter keeps its point.
    OdGeEllipArc3d& setAngles(double startAng, double endAng);

    OdGePoint3d center() const { return m_center; }
    OdGeVector3d normal() const { return m_normal; }
    OdGeVector3d majorAxis() const { return m_majorAxis; }
    OdGeVector3d minorAxis() const { return m_normal.crossProduct(m_majorAxis); }
    double majorRadius() const { return m_majorRadius; }
    double minorRadius() const { return m_minorRadius; }
    double startAng() const { return m_startAng; }
    double endAng() const { return m_endAng; }
    /// Whether the parameter runs against the ellipse's angle (after an odd number of reversals).
    bool isReversed() const { return m_sign < 0.0; }
    /// The ellipse's angle at parameter t.
    double angleAt(double t) const { return m_sign * t + m_offset; }

    OdGe::EntityId type() const override { return OdGe::kEllipArc3d; }
    OdGeEllipArc3d* copy() const override { return new OdGeEllipArc3d(*this); }
    /// Rigid motions, mirrors and uniform scalings; others raise OdError(eNotApplicable).
    OdGeEllipArc3d& transformBy(const OdGeMatrix3d& xfm) override;

    void getInterval(OdGeInterval& interval) const override;
    OdGeEllipArc3d& reverseParam() override;
    bool isLinear(const OdGeTol& tol = OdGeContext::gTol) const override;
    /// True only for an ellipse whose radii are equal within tol.equalPoint().
    bool isCircular(const OdGeTol& tol = OdGeContext::gTol) const override;
    bool isClosed(const OdGeTol& tol = OdGeContext::gTol) const override;
    OdGePoint3d evalPoint(double param) const override;
    OdGePoint3d evalPoint(double param, int numDeriv, OdGeVector3dArray& derivatives) const override;
    /// The box of the end points and of the extreme points in x, y and z that the arc passes.
    void getGeomExtents(OdGeExtents3d& extents) const override;

protected:
    OdGeVector3d firstDerivative(double param) const override;

private:
    OdGePoint3d m_center;
    OdGeVector3d m_normal{0.0, 0.0, 1.0};
    OdGeVector3d m_majorAxis{1.0, 0.0, 0.0};
    double m_majorRadius = 1.0;
    double m_minorRadius = 1.0;
    double m_startAng = 0.0;
    double m_endAng = 0.0;
    double m_sign = 1.0;
    double m_offset = 0.0;
};
