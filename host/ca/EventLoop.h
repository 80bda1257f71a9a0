#pragma once

#include <functional>

namespace ca
{

/// Queues `event` on the host's event loop of the calling thread; it runs at the next yieldToEventLoop()
/// (or the host's own idle processing), not inside this call.
void postEvent(std::function<void()> event);

/// Lets the host process its pending user-interface events, as a long-running command must do between
/// steps to keep the host responsive. Runs the events queued on this thread so far, oldest first; events
/// they queue in turn wait for the next yield. Returns the number of events run.
int yieldToEventLoop();

} // namespace ca
