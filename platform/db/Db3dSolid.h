#pragma once

#include "platform/db/DbObject.h"
#include "platform/db/DbSubentId.h"

#include <memory>

/// The geometry of a solid, kept by the modelling kernel that made it. Its faces, edges and
/// vertices are the solid's sub-entities, each numbered by an index that stays the same for the
/// life of the body.
class OdDb3dSolidBody
{
public:
    virtual ~OdDb3dSolidBody() = default;
    /// Axis-aligned bounds of the body in drawing units; invalid extents for an empty body.
    virtual OdGeExtents3d extents() const = 0;
    /// The indices of the sub-entities of one type (face, edge or vertex), ascending.
    virtual OdArray<OdGsMarker> subentIndices(OdDb::SubentType type) const = 0;
};

/// A 3D solid entity of the drawing: an entity around a body.
class OdDb3dSolid : public OdDbEntity
{
public:
    static OdSmartPtr<OdDb3dSolid> createObject();

    /// The body, null for a solid that has none yet.
    const std::shared_ptr<const OdDb3dSolidBody>& body() const { return m_body; }
    /// Throws OdError(eNotOpenForWrite) unless the solid is open for write.
    void setBody(std::shared_ptr<const OdDb3dSolidBody> body);
    bool isNull() const { return !m_body; }

    /// The path of each face, edge or vertex of the solid (this solid's id and the sub-entity id),
    /// in index order; empty for other types.
    OdDbFullSubentPathArray subentPaths(OdDb::SubentType type) const;

    OdResult getGeomExtents(OdGeExtents3d& extents) const override;

private:
    std::shared_ptr<const OdDb3dSolidBody> m_body;
};
using OdDb3dSolidPtr = OdSmartPtr<OdDb3dSolid>;
