#pragma once

#include "platform/db/DbCurve.h"

/// A full circle. Its parameter is the angle from the x axis of the plane with the circle's
/// normal (OdGePlane's arbitrary-axis rule: the world x axis for normal +z).
class OdDbCircle : public OdDbCurve
{
public:
    static OdSmartPtr<OdDbCircle> createObject();

    OdGePoint3d center() const { return m_center; }
    double radius() const { return m_radius; }
    OdGeVector3d normal() const { return m_normal; }
    void setCenter(const OdGePoint3d& center) { m_center = center; }
    /// eInvalidInput (nothing changed) unless radius > 0.
    OdResult setRadius(double radius);
    /// eInvalidInput (nothing changed) for a zero vector; stored normalised.
    OdResult setNormal(const OdGeVector3d& normal);

    OdResult getOdGeCurve(OdGeCurve3d*& geCurve, const OdGeTol& tol = OdGeContext::gTol) const override;

    /// eNotApplicable for a transform that would not keep the circle round (an uneven scale
    /// in its plane); a mirror reverses the normal.
    OdResult transformBy(const OdGeMatrix3d& xform) override;
    OdSmartPtr<OdDbEntity> clone() const override;

protected:
    bool subWorldDraw(OdGiWorldDraw* worldDraw) const override;

private:
    OdGePoint3d m_center;
    double m_radius = 1.0;
    OdGeVector3d m_normal = OdGeVector3d::kZAxis;
};
using OdDbCirclePtr = OdSmartPtr<OdDbCircle>;
