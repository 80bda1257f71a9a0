#pragma once

#include <compare>
#include <cstdint>
#include <functional>

class OdDbObject;
class OdDbDatabase;
template <class T> class OdSmartPtr;

namespace OdDb
{
/// How an object is opened: for reading or for changing it.
enum OpenMode
{
    kNotOpen = -1,
    kForRead = 0,
    kForWrite = 1,
    kForNotify = 2
};
} // namespace OdDb

/// Identifies an object of a drawing database. The stand-in keeps the database-wide handle
/// value (0 is the null id) and, for ids handed out by a database, that database. Ids compare by
/// handle.
class OdDbObjectId
{
public:
    static const OdDbObjectId kNull;

    OdDbObjectId() = default;
    explicit OdDbObjectId(std::uint64_t handle) : m_handle(handle) {}
    OdDbObjectId(std::uint64_t handle, OdDbDatabase* database) : m_handle(handle), m_database(database) {}

    bool isNull() const { return m_handle == 0; }
    void setNull() { m_handle = 0; }
    std::uint64_t getHandle() const { return m_handle; }
    /// The database that handed out the id; null for ids made from a bare handle, and once that
    /// database is gone.
    OdDbDatabase* database() const;
    /// Opens the object in `mode`: null when the id has no live database, or the object was erased and
    /// `openErased` is false.
    OdSmartPtr<OdDbObject> openObject(OdDb::OpenMode mode = OdDb::kForRead, bool openErased = false) const;

    friend bool operator==(const OdDbObjectId& a, const OdDbObjectId& b) { return a.m_handle == b.m_handle; }
    friend auto operator<=>(const OdDbObjectId& a, const OdDbObjectId& b)
    {
        return a.m_handle <=> b.m_handle;
    }

private:
    std::uint64_t m_handle = 0;
    OdDbDatabase* m_database = nullptr;
};

inline const OdDbObjectId OdDbObjectId::kNull{};

template <> struct std::hash<OdDbObjectId>
{
    std::size_t operator()(const OdDbObjectId& id) const noexcept
    {
        return std::hash<std::uint64_t>{}(id.getHandle());
    }
};
