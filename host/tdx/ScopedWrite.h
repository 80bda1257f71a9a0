#pragma once

#include "platform/db/DbObject.h"

namespace tdx
{

/// Keeps a database object open for write while the guard lives and gives it back in the open mode
/// it had, so that a function may change an object its caller opened for read.
class ScopedWrite
{
public:
    explicit ScopedWrite(OdDbObject& object) : m_object(object), m_wasWritable(object.isWriteEnabled())
    {
        m_object.upgradeOpen();
    }
    ~ScopedWrite()
    {
        if (!m_wasWritable)
            m_object.downgradeOpen();
    }
    ScopedWrite(const ScopedWrite&) = delete;
    ScopedWrite& operator=(const ScopedWrite&) = delete;

    OdDbObject& object() const { return m_object; }
    OdDbObject* operator->() const { return &m_object; }

private:
    OdDbObject& m_object;
    bool m_wasWritable;
};

} // namespace tdx
