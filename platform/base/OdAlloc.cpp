#include "platform/base/OdAlloc.h"

#include <cstdlib>

void* odrxAlloc(std::size_t nBytes)
{
    for (;;)
    {
        if (void* p = std::malloc(nBytes == 0 ? 1 : nBytes))
            return p;
        std::new_handler handler = std::get_new_handler();
        if (!handler)
            throw std::bad_alloc();
        handler();
    }
}

void odrxFree(void* p) noexcept
{
    std::free(p);
}
