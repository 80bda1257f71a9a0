#pragma once

#include <cstddef>
#include <utility>

/// Shared owner with a plain (non-atomic) reference count, as the SDK's OdSharedPtr:
/// cheap to copy, not to be shared across threads.
template <class T> class OdSharedPtr
{
public:
    OdSharedPtr() = default;
    OdSharedPtr(std::nullptr_t) {}
    explicit OdSharedPtr(T* p) : m_p(p), m_refs(p ? new long(1) : nullptr) {}
    OdSharedPtr(const OdSharedPtr& o) : m_p(o.m_p), m_refs(o.m_refs)
    {
        if (m_refs)
            ++*m_refs;
    }
    OdSharedPtr(OdSharedPtr&& o) noexcept
        : m_p(std::exchange(o.m_p, nullptr)), m_refs(std::exchange(o.m_refs, nullptr))
    {
    }
    ~OdSharedPtr() { reset(); }

    OdSharedPtr& operator=(OdSharedPtr o) noexcept
    {
        swap(o);
        return *this;
    }

    void reset()
    {
        if (m_refs && --*m_refs == 0)
        {
            delete m_p;
            delete m_refs;
        }
        m_p = nullptr;
        m_refs = nullptr;
    }
    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    T& operator*() const { return *m_p; }
    bool isNull() const { return m_p == nullptr; }
    explicit operator bool() const { return m_p != nullptr; }
    long refCount() const { return m_refs ? *m_refs : 0; }
    void swap(OdSharedPtr& o) noexcept
    {
        std::swap(m_p, o.m_p);
        std::swap(m_refs, o.m_refs);
    }

    friend bool operator==(const OdSharedPtr& a, const OdSharedPtr& b) { return a.m_p == b.m_p; }

private:
    T* m_p = nullptr;
    long* m_refs = nullptr;
};
