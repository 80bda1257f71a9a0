#pragma once

#include "platform/db/DbObject.h"

#include <string>
#include <utility>
#include <vector>

/// An entity of a kind this database has no class for, kept when a drawing is read so that the
/// drawing's content is known even where it cannot be used: its DXF name, its handle and layer, and
/// every group of its DXF record as read, so that a drawing saved again gives it back unchanged.
/// It has no geometry.
class OdDbProxyEntity : public OdDbEntity
{
public:
    static OdSmartPtr<OdDbProxyEntity> createObject();

    /// The DXF name of the entity's kind, e.g. "MTEXT".
    OdString originalDxfName() const { return m_dxfName; }
    void setOriginalDxfName(const OdString& name) { m_dxfName = name; }

    /// One group of a DXF record: its code and its value as the file spells it.
    using DxfGroup = std::pair<int, std::string>;
    /// The record's groups after its leading 0 group, as read; empty for a proxy not read from a file.
    const std::vector<DxfGroup>& dxfGroups() const { return m_groups; }
    void setDxfGroups(std::vector<DxfGroup> groups) { m_groups = std::move(groups); }

    /// eInvalidExtents: a proxy's graphics are not kept.
    OdResult getGeomExtents(OdGeExtents3d& extents) const override;
    OdSmartPtr<OdDbEntity> clone() const override;

private:
    OdString m_dxfName;
    std::vector<DxfGroup> m_groups;
};
using OdDbProxyEntityPtr = OdSmartPtr<OdDbProxyEntity>;
