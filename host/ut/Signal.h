#pragma once

#include "host/ut/Connection.h"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace ut
{

/// The host's change signal. Callbacks run synchronously on the raising thread, in order of connection.
///
/// The signal holds weak references only: a callback stays connected while the caller keeps the
/// std::shared_ptr<Connection> that connect() returned. A raise works on a snapshot of the list taken
/// when it starts, and checks each connection just before calling it, so a callback may release its own
/// or another handle (a released one is no longer called) or connect new callbacks (called from the next
/// raise on) without disturbing the raise in progress. A callback that is running is kept alive until it
/// returns, even when it releases its own handle.
///
/// Not synchronised: connect, raise and release on one thread, as the host's command thread does.
template <class... Args> class Signal
{
public:
    using Slot = std::function<void(Args...)>;

    Signal() = default;
    Signal(const Signal&) = delete;
    Signal& operator=(const Signal&) = delete;
    Signal(Signal&&) noexcept = default;
    Signal& operator=(Signal&&) noexcept = default;

    /// Connects `slot`; the caller receives the only strong reference to the connection.
    /// An empty slot gives a valid handle that is never called.
    [[nodiscard]] std::shared_ptr<Connection> connect(Slot slot)
    {
        dropDead();
        auto connection = std::make_shared<SlotConnection>(std::move(slot));
        m_connections.push_back(connection);
        return connection;
    }

    /// Drops the released connections, then calls every live callback of the snapshot in order.
    void raise(Args... args)
    {
        dropDead();
        const std::vector<std::weak_ptr<SlotConnection>> snapshot = m_connections;
        for (const auto& weak : snapshot)
        {
            // The strong reference keeps the callback alive while it runs, should it release its own handle.
            if (const std::shared_ptr<SlotConnection> connection = weak.lock())
            {
                if (connection->slot)
                    connection->slot(args...);
            }
        }
    }

    void operator()(Args... args) { raise(args...); }

    /// Number of connections whose handle is still held.
    std::size_t connectionCount() const
    {
        return static_cast<std::size_t>(std::count_if(m_connections.begin(), m_connections.end(),
                                                      [](const auto& weak) { return !weak.expired(); }));
    }
    bool empty() const { return connectionCount() == 0; }

private:
    struct SlotConnection final : Connection
    {
        explicit SlotConnection(Slot s) : slot(std::move(s)) {}
        Slot slot;
    };

    void dropDead()
    {
        std::erase_if(m_connections, [](const auto& weak) { return weak.expired(); });
    }

    std::vector<std::weak_ptr<SlotConnection>> m_connections;
};

} // namespace ut
