#pragma once

#include <chrono>

namespace ut
{

/// Measures elapsed wall time on a monotonic clock. Starts running when constructed.
class StopWatch
{
public:
    StopWatch() : m_start(Clock::now()) {}

    /// Milliseconds since construction or the last restart(); never decreases between restarts.
    double time() const { return std::chrono::duration<double, std::milli>(Clock::now() - m_start).count(); }

    /// Starts timing again from now.
    void restart() { m_start = Clock::now(); }

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point m_start;
};

} // namespace ut
