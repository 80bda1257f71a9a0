#include "host/cma/ProgressMeter.h"

#include "host/ca/CommandLine.h"
#include "host/ut/StopWatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <sstream>
#include <thread>

namespace
{

std::size_t redraws(const std::string& s)
{
    return static_cast<std::size_t>(std::count(s.begin(), s.end(), '\r'));
}

std::string lastDrawing(const std::string& s)
{
    return s.substr(s.rfind('\r'));
}

TEST(ProgressMeter, DrawsTheBarAtStartAndTheClampedFinalStateAtStopButNothingWhenStopped)
{
    std::ostringstream sink;
    cma::ProgressMeter meter(sink, true);
    meter.progress(5);
    EXPECT_TRUE(sink.str().empty());
    meter.start(L"Meshing", 4);
    EXPECT_EQ(sink.str(), "\rMeshing [..............................]   0%");
    meter.progress(-3);
    EXPECT_EQ(meter.position(), 0);
    meter.progress(3);
    meter.stop();
    EXPECT_FALSE(meter.isRunning());
    EXPECT_EQ(lastDrawing(sink.str()), "\rMeshing [######################........]  75%\n");

    meter.start(OdString(), 100);
    meter.progress(500);
    EXPECT_EQ(meter.position(), 100);
    meter.stop();
    EXPECT_EQ(lastDrawing(sink.str()), "\r[##############################] 100%\n")
        << "no label, only the bar";
    meter.start(L"y", 0);
    EXPECT_EQ(meter.total(), 1);
}

TEST(ProgressMeter, AHotLoopRedrawsAtMostOncePerInterval)
{
    std::ostringstream sink;
    cma::ProgressMeter meter(sink, true);
    constexpr int kSteps = 2'000'000;
    ut::StopWatch watch;
    meter.start(L"loop", kSteps);
    for (int i = 0; i < kSteps; ++i)
        meter.meterProgress();
    const double elapsed = watch.time();
    meter.stop();
    EXPECT_EQ(meter.position(), kSteps);
    const auto limit =
        2 + static_cast<std::size_t>(elapsed / cma::ProgressMeter::kRedrawInterval.count()) + 1;
    EXPECT_LE(redraws(sink.str()), limit) << "elapsed " << elapsed << " ms";
}

TEST(ProgressMeter, RedrawsAfterTheIntervalOnlyWhenThePercentageChanged)
{
    std::ostringstream sink;
    cma::ProgressMeter meter(sink, true);
    meter.start(L"wait", 100);
    std::this_thread::sleep_for(cma::ProgressMeter::kRedrawInterval + std::chrono::milliseconds(10));
    meter.progress(0);
    EXPECT_EQ(redraws(sink.str()), 1u);
    meter.progress(39);
    EXPECT_EQ(redraws(sink.str()), 2u);
    EXPECT_NE(sink.str().find(" 39%"), std::string::npos);
}

TEST(ProgressMeter, OnTheCommandLinesTerminalTheBarMakesRoomForEachPrintedLine)
{
    // The meter draws into standard output here, so that the bar and the command line's text land in one
    // stream in the order a terminal shows them.
    const std::string bar = "\rsolve [..............................]   0%";
    const std::string erase = "\r\x1b[K";
    for (const bool shares : {true, false})
    {
        SCOPED_TRACE(shares ? "sharing the terminal" : "standard output elsewhere");
        testing::internal::CaptureStdout();
        {
            cma::ProgressMeter meter(std::cout, true, shares);
            meter.start(L"solve", 100);
            ca::prompt(L"line 1");
            ca::prompt(L"line 2");
            meter.stop();
            ca::prompt(L"after the bar");
            ca::print(L"\n");
        }
        const std::string out = testing::internal::GetCapturedStdout();
        if (shares)
        {
            EXPECT_EQ(out, bar + erase + "line 1\n" + bar + erase + "line 2\n" + bar + bar + "\n" +
                               "after the bar\n");
        }
        else
        {
            EXPECT_EQ(out, bar + "line 1\nline 2" + bar + "\n\nafter the bar\n")
                << "the bar overwrites the open line as before";
        }
    }
}

TEST(ProgressMeter, TextPrintedByAnotherThreadPassesTheBarBy)
{
    // Only the meter's own thread draws it: another thread's text must not race its drawing.
    testing::internal::CaptureStdout();
    {
        cma::ProgressMeter meter(std::cout, true, true);
        meter.start(L"solve", 100);
        std::thread([] { ca::prompt(L"from elsewhere"); }).join();
        meter.stop();
    }
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string bar = "\rsolve [..............................]   0%";
    EXPECT_EQ(out, bar + "from elsewhere\n" + bar + "\n");
}

TEST(ProgressMeter, StaysSilentOffATerminalAndEndsItsLineWhenDestroyedRunning)
{
    std::ostringstream quiet, abandoned;
    {
        cma::ProgressMeter off(quiet, false);
        off.start(L"quiet", 10);
        off.progress(5);
        off.stop();
        off.start(L"left running", 10);
        cma::ProgressMeter on(abandoned, true);
        on.start(L"abandoned", 10);
    }
    EXPECT_TRUE(quiet.str().empty());
    EXPECT_EQ(abandoned.str().back(), '\n');
}

} // namespace
