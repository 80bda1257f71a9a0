#include "platform/db/DbProxyEntity.h"

OdSmartPtr<OdDbProxyEntity> OdDbProxyEntity::createObject()
{
    return odrxCreateObject<OdDbProxyEntity>();
}

OdResult OdDbProxyEntity::getGeomExtents(OdGeExtents3d&) const
{
    return eInvalidExtents;
}

OdSmartPtr<OdDbEntity> OdDbProxyEntity::clone() const
{
    return OdSmartPtr<OdDbEntity>(new OdDbProxyEntity(*this));
}
