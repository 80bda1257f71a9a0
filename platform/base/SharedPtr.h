#pragma once

#include <cstddef>
#include <utility>

// GCC 12 cannot follow the count across copies and, once inlined, takes any read of the
// count after some owner's reset() for a use after free. The count is only freed by the last
// owner, so the warning is silenced for this class alone.
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ >= 12
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuse-after-free"
#define OD_SHAREDPTR_DIAGNOSTIC_PUSHED
#endif

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
        T* p = std::exchange(m_p, nullptr);
        long* refs = std::exchange(m_refs, nullptr);
        if (refs && --*refs == 0)
        {
            delete p;
            delete refs;
        }
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

#ifdef OD_SHAREDPTR_DIAGNOSTIC_PUSHED
#pragma GCC diagnostic pop
#undef OD_SHAREDPTR_DIAGNOSTIC_PUSHED
#endif
