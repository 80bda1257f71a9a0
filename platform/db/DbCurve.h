#pragma once

#include "platform/db/DbObject.h"
#include "platform/ge/GeCurve3d.h"

/// A database entity that is a curve. Parameters, points and extents are those of the
/// geometry curve the entity stands for (getOdGeCurve).
class OdDbCurve : public OdDbEntity
{
public:
    /// A new geometry copy of the curve, owned by the caller.
    virtual OdResult getOdGeCurve(OdGeCurve3d*& geCurve, const OdGeTol& tol = OdGeContext::gTol) const = 0;

    OdResult getStartParam(double& param) const;
    OdResult getEndParam(double& param) const;
    OdResult getStartPoint(OdGePoint3d& point) const;
    OdResult getEndPoint(OdGePoint3d& point) const;
    OdResult getPointAtParam(double param, OdGePoint3d& point) const;
    /// True when the start and end points coincide.
    bool isClosed() const;
    OdResult getGeomExtents(OdGeExtents3d& extents) const override;

    /// A new database curve for geCurve, owned by the caller: a line for a line segment, a
    /// circle for a closed circular arc, an arc for an open one, a spline for a spline; an
    /// external curve is converted through its native curve. When `normal` is given and an
    /// arc's normal points against it, the arc is reversed first so that the entity's normal
    /// is `normal` (the point set is the same). eNotApplicable for other curves, leaving
    /// dbCurve null.
    static OdResult createFromOdGeCurve(const OdGeCurve3d& geCurve, OdDbCurve*& dbCurve,
                                        const OdGeVector3d* normal = nullptr,
                                        const OdGeTol& tol = OdGeContext::gTol);
};
using OdDbCurvePtr = OdSmartPtr<OdDbCurve>;
