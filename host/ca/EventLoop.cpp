#include "host/ca/EventLoop.h"

#include <deque>
#include <utility>

namespace ca
{
namespace
{
// The host's user interface lives on one thread; each thread here gets a queue of its own so that a
// command running elsewhere cannot run another thread's events.
std::deque<std::function<void()>>& pendingEvents()
{
    thread_local std::deque<std::function<void()>> s_events;
    return s_events;
}
} // namespace

void postEvent(std::function<void()> event)
{
    if (event)
        pendingEvents().push_back(std::move(event));
}

int yieldToEventLoop()
{
    std::deque<std::function<void()>> batch;
    batch.swap(pendingEvents());
    int count = 0;
    for (auto& event : batch)
    {
        event();
        ++count;
    }
    return count;
}

} // namespace ca
