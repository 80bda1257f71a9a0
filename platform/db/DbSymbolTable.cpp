#include "platform/db/DbSymbolTable.h"

#include "platform/base/OdError.h"
#include "platform/db/DbBlockTableRecord.h"
#include "platform/db/DbDatabase.h"

void OdDbSymbolTableRecord::setName(const OdString& name)
{
    // Looked up without opening, so that the table's open mode stays as its user left it.
    const auto table =
        database() ? OdDbSymbolTablePtr::cast(database()->getObject(m_table)) : OdDbSymbolTablePtr();
    if (table)
    {
        if (name.isEmpty())
            throw OdError(eInvalidInput, "OdDbSymbolTableRecord::setName: a record needs a name");
        const OdDbObjectId other = table->getAt(name);
        if (!other.isNull() && other != objectId())
            throw OdError(eDuplicateKey, OdAnsiString(name).c_str());
    }
    if (table && table->objectId() == m_table)
    {
        table->unindex(m_name, objectId());
        table->index(name, objectId());
        table->m_anonymousFrom = 1;
    }
    m_name = name;
}

namespace
{
std::wstring nameKey(const OdString& name)
{
    OdString lower(name);
    return lower.makeLower().str();
}
} // namespace

void OdDbSymbolTable::index(const OdString& name, const OdDbObjectId& id)
{
    m_byName[nameKey(name)].push_back(id);
}

void OdDbSymbolTable::unindex(const OdString& name, const OdDbObjectId& id)
{
    const auto it = m_byName.find(nameKey(name));
    if (it == m_byName.end())
        return;
    std::erase(it->second, id);
    if (it->second.empty())
        m_byName.erase(it);
}

OdDbObjectId OdDbSymbolTable::getAt(const OdString& name) const
{
    if (!database())
        return OdDbObjectId();
    const auto it = m_byName.find(nameKey(name));
    if (it == m_byName.end())
        return OdDbObjectId();
    for (const OdDbObjectId& id : it->second)
        if (database()->getObject(id))
            return id;
    return OdDbObjectId();
}

OdDbObjectId OdDbSymbolTable::add(OdDbSymbolTableRecord* record)
{
    assertWriteEnabled();
    if (!database())
        throw OdError(eNotInDatabase, "OdDbSymbolTable::add: the table is not in a database");
    if (!record || !accepts(*record))
        throw OdError(eInvalidInput, "OdDbSymbolTable::add: not a record of this table");
    const OdString name = nameToAdd(*record);
    if (name.isEmpty())
        throw OdError(eInvalidInput, "OdDbSymbolTable::add: a record needs a name");
    if (has(name))
        throw OdError(eDuplicateKey, OdAnsiString(name).c_str());
    const OdDbObjectId id = database()->addOdDbObject(record);
    record->m_name = name;
    record->m_table = objectId();
    m_records.append(id);
    index(name, id);
    return id;
}

OdDbObjectIdArray OdDbSymbolTable::recordIds() const
{
    OdDbObjectIdArray ids;
    for (const OdDbObjectId& id : m_records)
        if (database() && database()->getObject(id))
            ids.append(id);
    return ids;
}

OdSmartPtr<OdDbRegAppTableRecord> OdDbRegAppTableRecord::createObject()
{
    return odrxCreateObject<OdDbRegAppTableRecord>();
}

OdSmartPtr<OdDbRegAppTable> OdDbRegAppTable::createObject()
{
    return odrxCreateObject<OdDbRegAppTable>();
}

bool OdDbRegAppTable::accepts(const OdDbSymbolTableRecord& record) const
{
    return record.isKindOf<OdDbRegAppTableRecord>();
}

OdSmartPtr<OdDbLayerTableRecord> OdDbLayerTableRecord::createObject()
{
    return odrxCreateObject<OdDbLayerTableRecord>();
}

OdSmartPtr<OdDbLayerTable> OdDbLayerTable::createObject()
{
    return odrxCreateObject<OdDbLayerTable>();
}

bool OdDbLayerTable::accepts(const OdDbSymbolTableRecord& record) const
{
    return record.isKindOf<OdDbLayerTableRecord>();
}

OdSmartPtr<OdDbBlockTable> OdDbBlockTable::createObject()
{
    return odrxCreateObject<OdDbBlockTable>();
}

bool OdDbBlockTable::accepts(const OdDbSymbolTableRecord& record) const
{
    return record.isKindOf<OdDbBlockTableRecord>();
}

OdString OdDbBlockTable::nameToAdd(const OdDbSymbolTableRecord& record)
{
    if (record.getName().iCompare(L"*U") != 0)
        return record.getName();
    // Numbers below the remembered one stay taken until a record is erased or renamed; without that
    // memory, naming n anonymous blocks would try n^2 names.
    if (database()->erasures() != m_anonymousErasures)
    {
        m_anonymousErasures = database()->erasures();
        m_anonymousFrom = 1;
    }
    for (int n = m_anonymousFrom;; ++n)
    {
        OdString name;
        name.format(L"*U%d", n);
        if (!has(name))
        {
            m_anonymousFrom = n;
            return name;
        }
    }
}

OdDbObjectId OdDbDatabase::tableId(OdDbObjectId& id, OdDbObjectPtr (*create)())
{
    if (id.isNull() || getObject(id).isNull())
        id = addOdDbObject(create().get());
    return id;
}

OdDbObjectId OdDbDatabase::getBlockTableId()
{
    const bool isNew = m_blockTableId.isNull() || getObject(m_blockTableId).isNull();
    const OdDbObjectId id =
        tableId(m_blockTableId, [] { return OdDbObjectPtr(OdDbBlockTable::createObject()); });
    if (isNew)
        getModelSpaceId();
    return id;
}

OdDbObjectId OdDbDatabase::getRegAppTableId()
{
    const bool isNew = m_regAppTableId.isNull() || getObject(m_regAppTableId).isNull();
    const OdDbObjectId id =
        tableId(m_regAppTableId, [] { return OdDbObjectPtr(OdDbRegAppTable::createObject()); });
    if (isNew)
        newRegApp(L"ACAD");
    return id;
}

OdDbObjectId OdDbDatabase::getLayerTableId()
{
    const bool isNew = m_layerTableId.isNull() || getObject(m_layerTableId).isNull();
    const OdDbObjectId id =
        tableId(m_layerTableId, [] { return OdDbObjectPtr(OdDbLayerTable::createObject()); });
    if (isNew)
    {
        const OdDbLayerTableRecordPtr layer = OdDbLayerTableRecord::createObject();
        layer->setName(L"0");
        OdDbLayerTablePtr::cast(id.openObject(OdDb::kForWrite))->add(layer.get());
    }
    return id;
}

bool OdDbDatabase::newRegApp(const OdString& name)
{
    const auto table = OdDbRegAppTablePtr::cast(getRegAppTableId().openObject(OdDb::kForWrite));
    if (table->has(name))
        return false;
    const OdDbRegAppTableRecordPtr record = OdDbRegAppTableRecord::createObject();
    record->setName(name);
    table->add(record.get());
    return true;
}

OdDbObjectId OdDbDatabase::getModelSpaceId()
{
    const OdDbObjectId blockTableId = getBlockTableId();
    if (m_modelSpaceId.isNull() || getObject(m_modelSpaceId).isNull())
    {
        const auto table = OdDbBlockTablePtr::cast(blockTableId.openObject(OdDb::kForWrite));
        const OdDbBlockTableRecordPtr modelSpace = OdDbBlockTableRecord::createObject();
        modelSpace->setName(L"*Model_Space");
        m_modelSpaceId = table->add(modelSpace.get());
    }
    return m_modelSpaceId;
}
