#include "platform/db/Db3dSolid.h"

OdSmartPtr<OdDb3dSolid> OdDb3dSolid::createObject()
{
    return odrxCreateObject<OdDb3dSolid>();
}

void OdDb3dSolid::setBody(std::shared_ptr<const OdDb3dSolidBody> body)
{
    assertWriteEnabled();
    m_body = std::move(body);
}

OdDbFullSubentPathArray OdDb3dSolid::subentPaths(OdDb::SubentType type) const
{
    OdDbFullSubentPathArray paths;
    if (!m_body)
        return paths;
    for (const OdGsMarker index : m_body->subentIndices(type))
        paths.append(OdDbFullSubentPath(objectId(), OdDbSubentId(type, index)));
    return paths;
}

OdResult OdDb3dSolid::getGeomExtents(OdGeExtents3d& extents) const
{
    if (!m_body)
        return eInvalidExtents;
    const OdGeExtents3d box = m_body->extents();
    if (!box.isValidExtents())
        return eInvalidExtents;
    extents = box;
    return eOk;
}
