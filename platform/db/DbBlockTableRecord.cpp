#include "platform/db/DbBlockTableRecord.h"

#include "platform/db/DbDatabase.h"

OdSmartPtr<OdDbBlockTableRecord> OdDbBlockTableRecord::createObject()
{
    return odrxCreateObject<OdDbBlockTableRecord>();
}

OdDbObjectId OdDbBlockTableRecord::appendOdDbEntity(OdDbEntity* entity)
{
    assertWriteEnabled();
    OdDbDatabase* db = database();
    if (!db || !entity || (entity->database() && entity->database() != db))
        return OdDbObjectId();
    const OdDbObjectId id = db->addOdDbObject(entity);
    m_entities.append(id);
    return id;
}

OdDbObjectId OdDbDatabase::getModelSpaceId()
{
    if (m_modelSpaceId.isNull() || getObject(m_modelSpaceId).isNull())
    {
        const OdSmartPtr<OdDbBlockTableRecord> modelSpace = OdDbBlockTableRecord::createObject();
        m_modelSpaceId = addOdDbObject(modelSpace.get());
    }
    return m_modelSpaceId;
}
