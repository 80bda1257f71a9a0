#pragma once

#include "platform/db/DbCurve.h"

/// A straight line entity between two points; parameter 0 at the start, 1 at the end.
class OdDbLine : public OdDbCurve
{
public:
    static OdSmartPtr<OdDbLine> createObject();

    OdGePoint3d startPoint() const { return m_start; }
    OdGePoint3d endPoint() const { return m_end; }
    void setStartPoint(const OdGePoint3d& point) { m_start = point; }
    void setEndPoint(const OdGePoint3d& point) { m_end = point; }

    OdResult getOdGeCurve(OdGeCurve3d*& geCurve, const OdGeTol& tol = OdGeContext::gTol) const override;

    /// Both end points follow any transform.
    OdResult transformBy(const OdGeMatrix3d& xform) override;
    OdSmartPtr<OdDbEntity> clone() const override;

protected:
    bool subWorldDraw(OdGiWorldDraw* worldDraw) const override;

private:
    OdGePoint3d m_start;
    OdGePoint3d m_end;
};
using OdDbLinePtr = OdSmartPtr<OdDbLine>;
