#pragma once

#include "platform/base/OdError.h"

#include <cstddef>
#include <utility>

/// Intrusive smart pointer over OdRxObject-derived classes (addRef/release).
template <class T> class OdSmartPtr
{
public:
    OdSmartPtr() = default;
    OdSmartPtr(std::nullptr_t) {}
    OdSmartPtr(T* p) : m_p(p) { addRef(); }
    OdSmartPtr(const OdSmartPtr& o) : m_p(o.m_p) { addRef(); }
    OdSmartPtr(OdSmartPtr&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    template <class U> OdSmartPtr(const OdSmartPtr<U>& o) : m_p(o.get()) { addRef(); }
    ~OdSmartPtr() { release(); }

    OdSmartPtr& operator=(const OdSmartPtr& o)
    {
        OdSmartPtr(o).swap(*this);
        return *this;
    }
    OdSmartPtr& operator=(OdSmartPtr&& o) noexcept
    {
        OdSmartPtr(std::move(o)).swap(*this);
        return *this;
    }
    OdSmartPtr& operator=(T* p)
    {
        OdSmartPtr(p).swap(*this);
        return *this;
    }

    /// Casts another smart pointer; the result is null when the object is not a T.
    template <class U> static OdSmartPtr cast(const OdSmartPtr<U>& o)
    {
        return OdSmartPtr(dynamic_cast<T*>(o.get()));
    }

    T* get() const { return m_p; }
    T* operator->() const
    {
        if (!m_p)
            throw OdError(eNullPtr);
        return m_p;
    }
    T& operator*() const { return *operator->(); }
    bool isNull() const { return m_p == nullptr; }
    explicit operator bool() const { return m_p != nullptr; }
    void release()
    {
        if (m_p)
            std::exchange(m_p, nullptr)->release();
    }
    void swap(OdSmartPtr& o) noexcept { std::swap(m_p, o.m_p); }

    friend bool operator==(const OdSmartPtr& a, const OdSmartPtr& b) { return a.m_p == b.m_p; }
    friend bool operator==(const OdSmartPtr& a, std::nullptr_t) { return a.m_p == nullptr; }

private:
    void addRef()
    {
        if (m_p)
            m_p->addRef();
    }

    T* m_p = nullptr;
};

/// The SDK's createObject idiom: a new object of class T held by a smart pointer.
template <class T, class... Args> OdSmartPtr<T> odrxCreateObject(Args&&... args)
{
    return OdSmartPtr<T>(new T(std::forward<Args>(args)...));
}
