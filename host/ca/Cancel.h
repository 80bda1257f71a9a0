#pragma once

namespace ca
{

/// The host's cancel: the user's break key, or a host that must stop the command that runs (a signal, a
/// time limit). A request stays pending until it is cleared; long-running operations that honour it poll
/// isCancelRequested() between their steps and wind down.
///
/// Safe to call from a signal handler: the request is one lock-free atomic flag, shared by all threads.
void requestCancel() noexcept;

/// Whether a cancel is pending.
bool isCancelRequested() noexcept;

/// Forgets a pending request, as the host does before it starts the next command.
void clearCancelRequest() noexcept;

} // namespace ca
