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

OdDbObjectIdArray OdDbBlockTableRecord::entityIds() const
{
    OdDbObjectIdArray ids;
    for (const OdDbObjectId& id : m_entities)
        if (database() && database()->getObject(id))
            ids.append(id);
    return ids;
}

bool OdDbBlockTableRecord::isAnonymous() const
{
    const OdString name = getName();
    return name.getLength() >= 2 && name.left(2).iCompare(L"*U") == 0;
}

bool OdDbBlockTableRecord::isLayout() const
{
    return getName().iCompare(L"*Model_Space") == 0;
}
