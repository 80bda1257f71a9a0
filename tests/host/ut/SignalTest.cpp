#include "host/ut/Signal.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace
{

TEST(Signal, CallsCallbacksInOrderOfConnectionWithTheArgumentsAndSkipsEmptyOnes)
{
    ut::Signal<int, const std::string&> signal;
    std::vector<std::string> calls;
    const auto record = [&](const char* name) {
        return [&calls, name](int n, const std::string& s) { calls.push_back(name + std::to_string(n) + s); };
    };
    auto a = signal.connect(record("a"));
    auto empty = signal.connect(nullptr);
    auto b = signal.connect(record("b"));
    signal.raise(1, "x");
    signal(2, "y");
    EXPECT_EQ(calls, (std::vector<std::string>{"a1x", "b1x", "a2y", "b2y"}));
    EXPECT_EQ(signal.connectionCount(), 3u) << "an empty callback is connected but never called";
}

TEST(Signal, AConnectionLastsAsLongAsAStrongReferenceToItsHandle)
{
    std::shared_ptr<ut::Connection> outliving;
    {
        ut::Signal<> signal;
        int calls = 0;
        auto handle = signal.connect([&] { ++calls; });
        auto copy = handle;
        handle.reset();
        signal.raise();
        EXPECT_EQ(calls, 1) << "a second strong reference keeps the connection";
        copy.reset();
        signal.raise();
        EXPECT_EQ(calls, 1);
        EXPECT_TRUE(signal.empty());
        outliving = signal.connect([] {});
    }
    outliving.reset(); // a handle may outlive its signal
}

TEST(Signal, ACallbackMayReleaseHandlesAndConnectNewOnesDuringARaise)
{
    ut::Signal<> signal;
    std::vector<std::string> calls;
    std::shared_ptr<ut::Connection> self, later, added;
    const std::string text = "captured text that must outlive the release";
    self = signal.connect(
        [&self, &later, &calls, text]
        {
            self.reset();
            later.reset();
            calls.push_back(text); // the running callback's own state is still alive
        });
    later = signal.connect([&] { calls.push_back("released by an earlier one"); });
    auto adder = signal.connect(
        [&]
        {
            calls.push_back("adder");
            if (!added)
                added = signal.connect([&] { calls.push_back("added"); });
        });
    signal.raise();
    EXPECT_EQ(calls, (std::vector<std::string>{text, "adder"}));
    calls.clear();
    signal.raise();
    EXPECT_EQ(calls, (std::vector<std::string>{"adder", "added"}))
        << "a new callback runs from the next raise";
    EXPECT_EQ(signal.connectionCount(), 2u);
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

} // namespace
