#pragma once

#include "platform/db/DbCurve.h"
#include "platform/ge/GeNurbCurve3d.h"

/// A spline entity: a NURBS curve, with the fit points it was made from when it was made
/// from fit points.
class OdDbSpline : public OdDbCurve
{
public:
    static OdSmartPtr<OdDbSpline> createObject();

    /// Takes the spline's definition (control points, knots, weights and fit points).
    /// eInvalidInput (nothing changed) for an empty spline.
    OdResult setFromOdGeCurve(const OdGeNurbCurve3d& curve);
    const OdGeNurbCurve3d& nurbs() const { return m_curve; }
    int degree() const { return m_curve.degree(); }
    int numFitPoints() const { return m_curve.numFitPoints(); }

    OdResult getOdGeCurve(OdGeCurve3d*& geCurve, const OdGeTol& tol = OdGeContext::gTol) const override;

    /// Control and fit points follow any transform; eInvalidInput for an empty spline.
    OdResult transformBy(const OdGeMatrix3d& xform) override;
    OdSmartPtr<OdDbEntity> clone() const override;

protected:
    bool subWorldDraw(OdGiWorldDraw* worldDraw) const override;

private:
    OdGeNurbCurve3d m_curve;
};
using OdDbSplinePtr = OdSmartPtr<OdDbSpline>;
