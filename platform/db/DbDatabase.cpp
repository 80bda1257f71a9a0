#include "platform/db/DbDatabase.h"

#include <algorithm>

#include "platform/base/OdError.h"

#include <cctype>
#include <mutex>
#include <unordered_set>

namespace
{
// Databases alive in the process, so that an id never reaches a database that is gone.
std::mutex s_liveMutex;
std::unordered_set<const OdDbDatabase*>& liveDatabases()
{
    static std::unordered_set<const OdDbDatabase*> s_live;
    return s_live;
}
bool isLive(const OdDbDatabase* db)
{
    std::lock_guard lock(s_liveMutex);
    return db && liveDatabases().count(db) != 0;
}
} // namespace

OdDbDatabase* OdDbObjectId::database() const
{
    return isLive(m_database) ? m_database : nullptr;
}

OdDbObjectPtr OdDbObjectId::openObject(OdDb::OpenMode mode, bool openErased) const
{
    OdDbDatabase* db = database();
    if (!db || isNull())
        return OdDbObjectPtr();
    const auto it = db->m_objects.find(m_handle);
    OdDbObjectPtr obj =
        it == db->m_objects.end() || (it->second->isErased() && !openErased) ? OdDbObjectPtr() : it->second;
    if (obj)
        obj->m_openMode = mode;
    return obj;
}

OdResult OdDbAnnotationScale::getScale(double& scale) const
{
    // Written as negations so that NaN counts as not positive.
    if (!(m_drawingUnits > 0.0) || !(m_paperUnits > 0.0))
        return eInvalidInput;
    scale = m_paperUnits / m_drawingUnits;
    return eOk;
}

OdDbDatabase::OdDbDatabase() : m_cannoscale(odrxCreateObject<OdDbAnnotationScale>())
{
    std::lock_guard lock(s_liveMutex);
    liveDatabases().insert(this);
}

OdDbDatabase::~OdDbDatabase()
{
    {
        std::lock_guard lock(s_liveMutex);
        liveDatabases().erase(this);
    }
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

OdDbKeptLayout& OdDbDatabase::keptLayout(const std::string& blockName)
{
    const auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
    const auto same = [&](const OdDbKeptLayout& layout)
    { return std::ranges::equal(layout.blockName, blockName, {}, lower, lower); };
    if (const auto it = std::ranges::find_if(m_keptLayouts, same); it != m_keptLayouts.end())
        return *it;
    return m_keptLayouts.emplace_back(OdDbKeptLayout{blockName, 0, 0, 0, {}, {}});
}

OdDbObjectId OdDbDatabase::addOdDbObject(OdDbObject* obj)
{
    return addOdDbObject(obj, OdDbHandle());
}

OdDbObjectId OdDbDatabase::addOdDbObject(OdDbObject* obj, OdDbHandle preferred)
{
    if (!obj)
        throw OdError(eNullPtr, "OdDbDatabase::addOdDbObject: no object given");
    if (obj->m_database == this)
        return obj->m_id;
    if (obj->m_database)
        throw OdError(eInvalidInput, "OdDbDatabase::addOdDbObject: the object belongs to another database");
    const bool keep = !preferred.isNull() && !m_objects.contains(preferred);
    const OdDbObjectId id(keep ? std::uint64_t(preferred) : m_nextHandle, this);
    m_nextHandle = std::max(m_nextHandle, id.getHandle() + 1);
    m_objects.emplace(id.getHandle(), OdDbObjectPtr(obj));
    obj->m_id = id;
    obj->m_database = this;
    obj->m_openMode = OdDb::kForWrite;
    return id;
}

OdDbObjectPtr OdDbDatabase::getObject(const OdDbObjectId& id) const
{
    const auto it = m_objects.find(id.getHandle());
    return it == m_objects.end() || it->second->isErased() ? OdDbObjectPtr() : it->second;
}

bool OdDbDatabase::eraseObject(const OdDbObjectId& id)
{
    const auto it = m_objects.find(id.getHandle());
    if (it == m_objects.end())
        return false;
    // Keep the object alive until it is detached: the map may hold its last reference.
    const OdDbObjectPtr obj = it->second;
    m_objects.erase(it);
    ++m_erasures;
    obj->m_database = nullptr;
    obj->m_id.setNull();
    return true;
}
