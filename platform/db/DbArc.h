#pragma once

#include "platform/db/DbCurve.h"

/// A circular arc, running counter-clockwise about its normal from startAngle to endAngle
/// (radians from the x axis of the normal's plane, as for OdDbCircle).
class OdDbArc : public OdDbCurve
{
public:
    static OdSmartPtr<OdDbArc> createObject();

    OdGePoint3d center() const { return m_center; }
    double radius() const { return m_radius; }
    OdGeVector3d normal() const { return m_normal; }
    double startAngle() const { return m_startAngle; }
    double endAngle() const { return m_endAngle; }
    void setCenter(const OdGePoint3d& center) { m_center = center; }
    /// eInvalidInput (nothing changed) unless radius > 0.
    OdResult setRadius(double radius);
    /// eInvalidInput (nothing changed) for a zero vector; stored normalised.
    OdResult setNormal(const OdGeVector3d& normal);
    void setStartAngle(double angle) { m_startAngle = angle; }
    void setEndAngle(double angle) { m_endAngle = angle; }

    /// An end angle at or below the start angle is taken one turn on.
    OdResult getOdGeCurve(OdGeCurve3d*& geCurve, const OdGeTol& tol = OdGeContext::gTol) const override;

    /// eNotApplicable for a transform that would not keep the arc circular; a mirror reverses
    /// the normal, so the arc keeps its points and still runs counter-clockwise about its normal.
    OdResult transformBy(const OdGeMatrix3d& xform) override;
    OdSmartPtr<OdDbEntity> clone() const override;

protected:
    bool subWorldDraw(OdGiWorldDraw* worldDraw) const override;

private:
    OdGePoint3d m_center;
    double m_radius = 1.0;
    OdGeVector3d m_normal = OdGeVector3d::kZAxis;
    double m_startAngle = 0.0;
    double m_endAngle = 0.0;
};
using OdDbArcPtr = OdSmartPtr<OdDbArc>;
