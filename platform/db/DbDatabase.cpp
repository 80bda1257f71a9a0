#include "platform/db/DbDatabase.h"

#include "platform/base/OdError.h"

OdResult OdDbAnnotationScale::getScale(double& scale) const
{
    // Written as negations so that NaN counts as not positive.
    if (!(m_drawingUnits > 0.0) || !(m_paperUnits > 0.0))
        return eInvalidInput;
    scale = m_paperUnits / m_drawingUnits;
    return eOk;
}

OdDbDatabase::OdDbDatabase() : m_cannoscale(odrxCreateObject<OdDbAnnotationScale>()) {}

OdDbDatabase::~OdDbDatabase()
{
    // Objects may outlive the database through other smart pointers; they must not keep
    // pointing at it.
    for (auto& [handle, obj] : m_objects)
    {
        obj->m_database = nullptr;
        obj->m_id.setNull();
    }
}

OdSmartPtr<OdDbDatabase> OdDbDatabase::createObject()
{
    return odrxCreateObject<OdDbDatabase>();
}

OdDbObjectId OdDbDatabase::addOdDbObject(OdDbObject* obj)
{
    if (!obj)
        throw OdError(eNullPtr, "OdDbDatabase::addOdDbObject: no object given");
    if (obj->m_database == this)
        return obj->m_id;
    if (obj->m_database)
        throw OdError(eInvalidInput, "OdDbDatabase::addOdDbObject: the object belongs to another database");
    const OdDbObjectId id(m_nextHandle++);
    m_objects.emplace(id.getHandle(), OdDbObjectPtr(obj));
    obj->m_id = id;
    obj->m_database = this;
    return id;
}

OdDbObjectPtr OdDbDatabase::getObject(const OdDbObjectId& id) const
{
    const auto it = m_objects.find(id.getHandle());
    return it == m_objects.end() ? OdDbObjectPtr() : it->second;
}

bool OdDbDatabase::eraseObject(const OdDbObjectId& id)
{
    const auto it = m_objects.find(id.getHandle());
    if (it == m_objects.end())
        return false;
    // Keep the object alive until it is detached: the map may hold its last reference.
    const OdDbObjectPtr obj = it->second;
    m_objects.erase(it);
    obj->m_database = nullptr;
    obj->m_id.setNull();
    return true;
}
