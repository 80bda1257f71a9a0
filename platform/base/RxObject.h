#pragma once

#include <atomic>

/// Root of the SDK's reference-counted objects. Objects are created with a count of zero
/// and live while an OdSmartPtr holds them; the last release deletes the object.
class OdRxObject
{
public:
    OdRxObject() = default;
    OdRxObject(const OdRxObject&) : m_nRefs(0) {}
    OdRxObject& operator=(const OdRxObject&) { return *this; }
    virtual ~OdRxObject() = default;

    void addRef() const { m_nRefs.fetch_add(1, std::memory_order_relaxed); }
    void release() const
    {
        if (m_nRefs.fetch_sub(1, std::memory_order_acq_rel) == 1)
            delete this;
    }
    long numRefs() const { return m_nRefs.load(std::memory_order_relaxed); }

    /// True when this object is of class T or derives from it.
    template <class T> bool isKindOf() const { return dynamic_cast<const T*>(this) != nullptr; }

private:
    mutable std::atomic<long> m_nRefs{0};
};
