#pragma once

#include "platform/db/DbCurve.h"

/// An ellipse or elliptical arc as a drawing stores it: centre, major axis (from the centre to
/// the end of the major axis, so its length is the major radius), normal, minor-to-major radius
/// ratio, and start and end parameters (the ellipse's angles, radians, counter-clockwise about
/// the normal from the major axis). Start 0 and end 2 pi is the whole ellipse.
class OdDbEllipse : public OdDbCurve
{
public:
    static OdSmartPtr<OdDbEllipse> createObject();

    OdGePoint3d center() const { return m_center; }
    OdGeVector3d majorAxis() const { return m_majorAxis; }
    OdGeVector3d normal() const { return m_normal; }
    double radiusRatio() const { return m_radiusRatio; }
    double startAngle() const { return m_startAngle; }
    double endAngle() const { return m_endAngle; }
    /// eInvalidInput (nothing changed) for a zero normal or major axis, a major axis not
    /// perpendicular to the normal, or a ratio outside (0, 1].
    OdResult set(const OdGePoint3d& center, const OdGeVector3d& normal, const OdGeVector3d& majorAxis,
                 double radiusRatio, double startAngle = 0.0, double endAngle = 2.0 * 3.141592653589793);

    /// An end parameter at or below the start is taken one turn on.
    OdResult getOdGeCurve(OdGeCurve3d*& geCurve, const OdGeTol& tol = OdGeContext::gTol) const override;

    /// Rigid motions, mirrors and uniform scalings; eNotApplicable for others.
    OdResult transformBy(const OdGeMatrix3d& xform) override;
    OdSmartPtr<OdDbEntity> clone() const override;

protected:
    bool subWorldDraw(OdGiWorldDraw* worldDraw) const override;

private:
    OdGePoint3d m_center;
    OdGeVector3d m_majorAxis = OdGeVector3d::kXAxis;
    OdGeVector3d m_normal = OdGeVector3d::kZAxis;
    double m_radiusRatio = 1.0;
    double m_startAngle = 0.0;
    double m_endAngle = 2.0 * 3.141592653589793;
};
using OdDbEllipsePtr = OdSmartPtr<OdDbEllipse>;
