#include "host/ut/StopWatch.h"

#include <gtest/gtest.h>

#include <thread>

namespace
{

TEST(StopWatch, CountsMillisecondsFromConstructionOrRestartAndNeverGoesBack)
{
    ut::StopWatch watch;
    EXPECT_GE(watch.time(), 0.0);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const double slept = watch.time();
    EXPECT_GE(slept, 20.0) << "a sleep of 20 ms lasts at least 20 ms";
    double previous = slept;
    for (int i = 0; i < 1000; ++i)
    {
        const double t = watch.time();
        ASSERT_GE(t, previous);
        previous = t;
    }
    watch.restart();
    EXPECT_LT(watch.time(), slept);
}

} // namespace
