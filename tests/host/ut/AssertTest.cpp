#include "host/ut/Assert.h"

#include <gtest/gtest.h>

namespace
{

TEST(CallAssert, ReturnsToTheCallerAndOnlyTheInnermostRecorderKeepsTheReport)
{
    ut::AssertRecorder outer;
    {
        ut::AssertRecorder inner;
        ut::callAssert("!s_pTheModule", "module created twice", "cae_core/cae_core_module", 135);
        const auto reports = inner.reports();
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0].expression, "!s_pTheModule");
        EXPECT_EQ(reports[0].message, "module created twice");
        EXPECT_EQ(reports[0].source, "cae_core/cae_core_module");
        EXPECT_EQ(reports[0].line, 135);
        EXPECT_TRUE(inner.fired("!s_pTheModule"));
        EXPECT_TRUE(inner.fired("!s_pTheModule", "cae_core/cae_core_module", 135));
        EXPECT_FALSE(inner.fired("!s_pTheModule", "cae_core/cae_core_module", 136));
        EXPECT_FALSE(inner.fired("0"));
        EXPECT_EQ(outer.count(), 0u);
    }
    ut::callAssert("outer", "", "s", 2);
    EXPECT_TRUE(outer.fired("outer")) << "the outer recorder resumes once the inner one is gone";
    outer.clear();
    EXPECT_EQ(outer.count(), 0u);
}

TEST(CallAssert, WithoutALiveRecorderWritesOneLineToStandardError)
{
    {
        ut::AssertRecorder destroyed;
    }
    testing::internal::CaptureStderr();
    ut::callAssert("0", "no output", "cae_core/cae_api_visualization_report", 72);
    ut::callAssert("x > 0", nullptr, "a/b", 3);
    ut::callAssert(nullptr, nullptr, nullptr, 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Assertion failed: 0 (no output) at cae_core/cae_api_visualization_report:72\n"
              "Assertion failed: x > 0 at a/b:3\n"
              "Assertion failed:  at :0\n");
}

TEST(UtAssertMacro, FiresOnlyWhenTheConditionIsFalseAndReportsTheGivenSourceWithItsLine)
{
    ut::AssertRecorder recorder;
    const int n = 3;
    UT_ASSERT(n == 3, "holds", "cae_core/cae_api_test");
    EXPECT_EQ(recorder.count(), 0u);
    const int line = __LINE__ + 1;
    UT_ASSERT(n == 4, "does not hold", "cae_core/cae_api_test");
    const auto reports = recorder.reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].expression, "n == 4");
    EXPECT_EQ(reports[0].message, "does not hold");
    EXPECT_EQ(reports[0].line, line);
    EXPECT_EQ(reports[0].source, "cae_core/cae_api_test");
}

} // namespace
