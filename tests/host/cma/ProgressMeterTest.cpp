#include "host/cma/ProgressMeter.h"

#include "host/ut/StopWatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <thread>

namespace
{

std::size_t redraws(const std::string& s)
{
    return static_cast<std::size_t>(std::count(s.begin(), s.end(), '\r'));
}

TEST(ProgressMeter, DrawsTheBarAtStartAndTheFinalStateAtStop)
{
    std::ostringstream sink;
    cma::ProgressMeter meter(sink, true);
    meter.start(L"Meshing", 4);
    EXPECT_EQ(sink.str(), "\rMeshing [..............................]   0%");
    meter.progress(3);
    meter.stop();
    EXPECT_FALSE(meter.isRunning());
    const std::string out = sink.str();
    EXPECT_EQ(out.substr(out.rfind('\r')), "\rMeshing [######################........]  75%\n");
}

TEST(ProgressMeter, AnEmptyLabelDrawsOnlyTheBar)
{
    std::ostringstream sink;
    cma::ProgressMeter meter(sink, true);
    meter.start(OdString(), 100);
    meter.progress(100);
    meter.stop();
    const std::string out = sink.str();
    EXPECT_EQ(out.substr(out.rfind('\r')), "\r[##############################] 100%\n");
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

TEST(ProgressMeter, RedrawsAfterTheIntervalWhenThePercentageChanged)
{
    std::ostringstream sink;
    cma::ProgressMeter meter(sink, true);
    meter.start(L"wait", 100);
    std::this_thread::sleep_for(cma::ProgressMeter::kRedrawInterval + std::chrono::milliseconds(10));
    meter.progress(0);
    EXPECT_EQ(redraws(sink.str()), 1u) << "an unchanged percentage is not drawn again";
    meter.progress(39);
    EXPECT_EQ(redraws(sink.str()), 2u);
    EXPECT_NE(sink.str().find(" 39%"), std::string::npos);
}

TEST(ProgressMeter, ClampsThePositionAndIgnoresProgressWhenStopped)
{
    std::ostringstream sink;
    cma::ProgressMeter meter(sink, true);
    meter.progress(5);
    EXPECT_TRUE(sink.str().empty());
    meter.start(L"x", 10);
    meter.progress(50);
    EXPECT_EQ(meter.position(), 10);
    meter.progress(-3);
    EXPECT_EQ(meter.position(), 0);
    meter.start(L"y", 0);
    EXPECT_EQ(meter.total(), 1);
}

TEST(ProgressMeter, StaysSilentWhenTheSinkIsNotATerminal)
{
    std::ostringstream sink;
    {
        cma::ProgressMeter meter(sink, false);
        meter.start(L"quiet", 10);
        meter.progress(5);
        meter.stop();
        meter.start(L"left running", 10);
    }
    EXPECT_TRUE(sink.str().empty());
}

TEST(ProgressMeter, DestroyingARunningMeterEndsItsLine)
{
    std::ostringstream sink;
    {
        cma::ProgressMeter meter(sink, true);
        meter.start(L"abandoned", 10);
    }
    EXPECT_EQ(sink.str().back(), '\n');
}

} // namespace
