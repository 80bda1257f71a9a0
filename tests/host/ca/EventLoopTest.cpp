#include "host/ca/EventLoop.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace
{

TEST(EventLoop, AYieldRunsTheEventsPostedBeforeItInOrderAndDefersThoseTheyPost)
{
    std::string trace;
    ca::postEvent([&] { trace += 'a'; });
    ca::postEvent(
        [&]
        {
            trace += 'b';
            ca::postEvent([&] { trace += 'c'; });
        });
    ca::postEvent({});
    EXPECT_EQ(ca::yieldToEventLoop(), 2);
    EXPECT_EQ(trace, "ab");
    EXPECT_EQ(ca::yieldToEventLoop(), 1);
    EXPECT_EQ(trace, "abc");
    EXPECT_EQ(ca::yieldToEventLoop(), 0);
}

TEST(EventLoop, EventsStayOnTheThreadThatPostedThem)
{
    int ran = 0;
    ca::postEvent([&] { ++ran; });
    int otherThread = -1;
    std::thread([&] { otherThread = ca::yieldToEventLoop(); }).join();
    EXPECT_EQ(otherThread, 0);
    EXPECT_EQ(ca::yieldToEventLoop(), 1);
    EXPECT_EQ(ran, 1);
}

} // namespace
