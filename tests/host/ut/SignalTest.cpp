#include "host/ut/Signal.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace
{

TEST(Signal, CallsCallbacksInOrderOfConnectionWithTheArguments)
{
    ut::Signal<int, const std::string&> signal;
    std::vector<std::string> calls;
    auto a =
        signal.connect([&](int n, const std::string& s) { calls.push_back("a" + std::to_string(n) + s); });
    auto b =
        signal.connect([&](int n, const std::string& s) { calls.push_back("b" + std::to_string(n) + s); });
    auto c =
        signal.connect([&](int n, const std::string& s) { calls.push_back("c" + std::to_string(n) + s); });
    signal.raise(1, "x");
    signal(2, "y");
    EXPECT_EQ(calls, (std::vector<std::string>{"a1x", "b1x", "c1x", "a2y", "b2y", "c2y"}));
}

TEST(Signal, ReleasingTheLastHandleDisconnects)
{
    ut::Signal<> signal;
    int calls = 0;
    auto handle = signal.connect([&] { ++calls; });
    auto copy = handle;
    EXPECT_EQ(signal.connectionCount(), 1u);
    handle.reset();
    signal.raise();
    EXPECT_EQ(calls, 1) << "a second strong reference keeps the connection";
    copy.reset();
    signal.raise();
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(signal.empty());
}

TEST(Signal, ACallbackMayReleaseItsOwnHandleWhileRunning)
{
    ut::Signal<> signal;
    std::shared_ptr<ut::Connection> self;
    std::string seen;
    const std::string text = "captured text that must outlive the release";
    self = signal.connect(
        [&self, &seen, text]
        {
            self.reset();
            seen = text; // the callback's own state is still alive after releasing the handle
        });
    int later = 0;
    auto other = signal.connect([&] { ++later; });
    signal.raise();
    EXPECT_EQ(seen, text);
    EXPECT_EQ(later, 1);
    seen.clear();
    signal.raise();
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(later, 2);
    EXPECT_EQ(signal.connectionCount(), 1u);
}

TEST(Signal, ACallbackReleasedByAnEarlierOneDuringARaiseIsNotCalled)
{
    ut::Signal<> signal;
    std::shared_ptr<ut::Connection> second;
    std::vector<int> calls;
    auto first = signal.connect(
        [&]
        {
            calls.push_back(1);
            second.reset();
        });
    second = signal.connect([&] { calls.push_back(2); });
    auto third = signal.connect([&] { calls.push_back(3); });
    signal.raise();
    EXPECT_EQ(calls, (std::vector<int>{1, 3}));
}

TEST(Signal, ACallbackConnectedDuringARaiseIsCalledFromTheNextRaiseOn)
{
    ut::Signal<> signal;
    std::vector<std::shared_ptr<ut::Connection>> added;
    int addedCalls = 0;
    auto adder = signal.connect([&] { added.push_back(signal.connect([&] { ++addedCalls; })); });
    signal.raise();
    EXPECT_EQ(addedCalls, 0);
    signal.raise();
    EXPECT_EQ(addedCalls, 1);
    EXPECT_EQ(signal.connectionCount(), 3u);
}

TEST(Signal, ACallbackMayDestroyTheSignalThatCalledIt)
{
    auto signal = std::make_unique<ut::Signal<>>();
    int after = 0;
    auto killer = signal->connect([&] { signal.reset(); });
    auto next = signal->connect([&] { ++after; });
    signal->raise();
    EXPECT_EQ(signal, nullptr);
    EXPECT_EQ(after, 1) << "the snapshot still holds the later connection";
}

TEST(Signal, HandlesOutliveTheSignal)
{
    std::shared_ptr<ut::Connection> handle;
    {
        ut::Signal<> signal;
        handle = signal.connect([] {});
    }
    handle.reset();
    SUCCEED();
}

TEST(Signal, AnEmptyCallbackIsConnectedButNeverCalled)
{
    ut::Signal<int> signal;
    auto handle = signal.connect(nullptr);
    signal.raise(1);
    EXPECT_EQ(signal.connectionCount(), 1u);
}

} // namespace
