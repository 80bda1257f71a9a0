#include "host/ca/Cancel.h"

#include <atomic>

namespace ca
{
namespace
{
// A signal handler may only touch lock-free atomics.
std::atomic<bool> s_cancelRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);
} // namespace

void requestCancel() noexcept
{
    s_cancelRequested.store(true);
}

bool isCancelRequested() noexcept
{
    return s_cancelRequested.load();
}

void clearCancelRequest() noexcept
{
    s_cancelRequested.store(false);
}

} // namespace ca
