#pragma once

#include "platform/db/DbObject.h"

/// An entity of a kind this database has no class for, kept when a drawing is read so that the
/// drawing's content is known even where it cannot be used: its DXF name and, from the entity
/// itself, its handle and layer. It has no geometry.
class OdDbProxyEntity : public OdDbEntity
{
public:
    static OdSmartPtr<OdDbProxyEntity> createObject();

    /// The DXF name of the entity's kind, e.g. "MTEXT".
    OdString originalDxfName() const { return m_dxfName; }
    void setOriginalDxfName(const OdString& name) { m_dxfName = name; }

    /// eInvalidExtents: a proxy's graphics are not kept.
    OdResult getGeomExtents(OdGeExtents3d& extents) const override;
    OdSmartPtr<OdDbEntity> clone() const override;

private:
    OdString m_dxfName;
};
using OdDbProxyEntityPtr = OdSmartPtr<OdDbProxyEntity>;
