#pragma once

#include "platform/db/DbObject.h"
#include "platform/ge/GePoint3d.h"

#include <array>

/// A filled quadrilateral (or triangle, when the last two corners coincide). The corners run
/// 0, 1, 3, 2 around the filled area: corner 2 lies across from corner 1.
class OdDbSolid : public OdDbEntity
{
public:
    static OdSmartPtr<OdDbSolid> createObject();

    /// OdError_InvalidIndex for an index outside 0..3.
    void getPointAt(int index, OdGePoint3d& point) const;
    void setPointAt(int index, const OdGePoint3d& point);

    OdResult getGeomExtents(OdGeExtents3d& extents) const override;
    OdResult transformBy(const OdGeMatrix3d& xform) override;
    OdSmartPtr<OdDbEntity> clone() const override;

protected:
    bool subWorldDraw(OdGiWorldDraw* worldDraw) const override;

private:
    std::array<OdGePoint3d, 4> m_points{};
};
using OdDbSolidPtr = OdSmartPtr<OdDbSolid>;
