#include "host/ut/StopWatch.h"

#include <gtest/gtest.h>

#include <thread>

namespace
{

TEST(StopWatch, TimeIsInMillisecondsAndNeverDecreases)
{
    ut::StopWatch watch;
    const double t0 = watch.time();
    EXPECT_GE(t0, 0.0);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const double t1 = watch.time();
    EXPECT_GE(t1, 20.0) << "a sleep of 20 ms lasts at least 20 ms";
    double previous = t1;
    for (int i = 0; i < 1000; ++i)
    {
        const double t = watch.time();
        ASSERT_GE(t, previous);
        previous = t;
    }
}

TEST(StopWatch, RestartStartsTimingAgain)
{
    ut::StopWatch watch;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const double before = watch.time();
    watch.restart();
    EXPECT_LT(watch.time(), before);
}

} // namespace
