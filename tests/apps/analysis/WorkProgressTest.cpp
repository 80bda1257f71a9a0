#include "apps/analysis/WorkProgress.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <thread>

namespace
{
using namespace std::chrono_literals;

TEST(WorkProgress, TheMeterMovesWhileWorkRunsAndEndsFullOrStoppedWhenItThrows)
{
    std::ostringstream sink;
    cma::ProgressMeter meter(sink, true);
    const int answer = cae_app::runShowingProgress(&meter, L"Solving", 0.2,
                                                   []
                                                   {
                                                       std::this_thread::sleep_for(1000ms);
                                                       return 42;
                                                   });
    EXPECT_EQ(answer, 42);
    EXPECT_FALSE(meter.isRunning());
    EXPECT_EQ(meter.position(), 100);
    // Drawn at 0, at least once on the way, and at 100.
    const std::string drawn = sink.str();
    std::size_t between = 0;
    for (int percent = 1; percent < 100; ++percent)
        between += drawn.find(" " + std::to_string(percent) + "%") != std::string::npos;
    EXPECT_GE(between, 1u) << drawn;

    EXPECT_THROW(
        cae_app::runShowingProgress(&meter, L"Solving", 1.0, []() -> int { throw std::runtime_error("x"); }),
        std::runtime_error);
    EXPECT_FALSE(meter.isRunning());
    EXPECT_EQ(cae_app::runShowingProgress(nullptr, L"Solving", 1.0, [] { return 7; }), 7)
        << "no meter: run here";
}
} // namespace
