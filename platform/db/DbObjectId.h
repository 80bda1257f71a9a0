#pragma once

#include <compare>
#include <cstdint>
#include <functional>

class OdDbObject;

/// Identifies an object of a drawing database. The stand-in keeps the database-wide handle
/// value; 0 is the null id. Ids compare by handle.
class OdDbObjectId
{
public:
    static const OdDbObjectId kNull;

    OdDbObjectId() = default;
    explicit OdDbObjectId(std::uint64_t handle) : m_handle(handle) {}

    bool isNull() const { return m_handle == 0; }
    void setNull() { m_handle = 0; }
    std::uint64_t getHandle() const { return m_handle; }

    friend bool operator==(const OdDbObjectId&, const OdDbObjectId&) = default;
    friend auto operator<=>(const OdDbObjectId&, const OdDbObjectId&) = default;

private:
    std::uint64_t m_handle = 0;
};

inline const OdDbObjectId OdDbObjectId::kNull{};

template <> struct std::hash<OdDbObjectId>
{
    std::size_t operator()(const OdDbObjectId& id) const noexcept
    {
        return std::hash<std::uint64_t>{}(id.getHandle());
    }
};
