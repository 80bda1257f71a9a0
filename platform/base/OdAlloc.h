#pragma once

#include <cstddef>
#include <new>

/// The SDK's allocator. Allocation failure raises std::bad_alloc, never returns null.
void* odrxAlloc(std::size_t nBytes);
void odrxFree(void* p) noexcept;

/// Constructs a T in memory from odrxAlloc; pair with odrxDestroy.
template <class T, class... Args> T* odrxNew(Args&&... args)
{
    void* mem = odrxAlloc(sizeof(T));
    try
    {
        return new (mem) T(static_cast<Args&&>(args)...);
    }
    catch (...)
    {
        odrxFree(mem);
        throw;
    }
}

template <class T> void odrxDestroy(T* p) noexcept
{
    if (p)
    {
        p->~T();
        odrxFree(p);
    }
}
