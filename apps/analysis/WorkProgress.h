#pragma once

#include "host/cma/ProgressMeter.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <future>
#include <type_traits>
#include <utility>

namespace cae_app
{
/// How often the meter moves while work runs: fine enough for the meter's own redraw interval.
inline constexpr std::chrono::milliseconds kProgressTick{50};

/// Runs `work` on a worker thread while this thread moves `meter` along, from 0 towards 100 of 100 as
/// 100 (1 - e^(-t / expectedSeconds)) after t seconds, so that work of unknown length shows that it
/// goes on; the meter reaches 100 when the work ends. The work must not need this thread: it only
/// draws the meter meanwhile. Without a meter the work runs here. Returns what the work returns and
/// passes on what it throws (the meter is stopped either way).
template <class Work>
std::invoke_result_t<Work&> runShowingProgress(cma::ProgressMeter* meter, const OdString& label,
                                               double expectedSeconds, Work work)
{
    if (!meter)
        return work();
    meter->start(label, 100);
    struct Stopper
    {
        cma::ProgressMeter& meter;
        ~Stopper() { meter.stop(); }
    } stopper{*meter};
    const auto start = std::chrono::steady_clock::now();
    auto done = std::async(std::launch::async, std::move(work));
    while (done.wait_for(kProgressTick) != std::future_status::ready)
    {
        const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        // Never 100 before the end: the work is not done until it says so.
        meter->progress(static_cast<int>(99.0 * (1.0 - std::exp(-t / std::max(expectedSeconds, 1e-3)))));
    }
    if constexpr (std::is_void_v<std::invoke_result_t<Work&>>)
    {
        done.get();
        meter->progress(100);
    }
    else
    {
        auto result = done.get();
        meter->progress(100);
        return result;
    }
}
} // namespace cae_app
