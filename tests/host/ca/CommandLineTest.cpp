#include "host/ca/CommandLine.h"

#include "host/ut/Assert.h"

#include <gtest/gtest.h>

#include <clocale>
#include <limits>

namespace
{

TEST(CommandLine, PrintWritesTheTextAsItIsAndPromptStartsALineOfItsOwn)
{
    ca::CommandLineCapture capture;
    ca::prompt(L"Running Nastran: \"nastran\" \"task.dat\"");
    ca::prompt(L"Working directory: /tmp/CAE_1");
    ca::prompt(L"log line");
    ca::print(L"\n");
    ca::prompt(L"next");
    EXPECT_EQ(capture.text(), "Running Nastran: \"nastran\" \"task.dat\"\n"
                              "Working directory: /tmp/CAE_1\n"
                              "log line\n"
                              "next");
}

TEST(CommandLine, APromptAfterAFinishedLineAddsNoEmptyLine)
{
    ca::CommandLineCapture capture;
    ca::print(L"done\n");
    ca::prompt(L"again");
    ca::print(L"");
    ca::prompt(L"");
    EXPECT_EQ(capture.text(), "done\nagain\n");
}

TEST(CommandLine, TextIsWrittenAsUtf8)
{
    ca::CommandLineCapture capture;
    ca::print(L"Spannung \u03c3 = 5 N/mm\u00b2");
    EXPECT_EQ(capture.text(), "Spannung \xCF\x83 = 5 N/mm\xC2\xB2");
    EXPECT_EQ(capture.wideText(), OdString(L"Spannung \u03c3 = 5 N/mm\u00b2"));
}

TEST(CommandLine, WithoutACaptureTextGoesToStandardOutput)
{
    testing::internal::CaptureStdout();
    ca::print(L"to stdout");
    ca::print(L"\n");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "to stdout\n");
}

TEST(CommandLine, CapturesNestAndClearStartsAFreshLine)
{
    ca::CommandLineCapture outer;
    ca::print(L"outer ");
    {
        ca::CommandLineCapture inner;
        ca::prompt(L"inner");
        EXPECT_EQ(inner.text(), "inner");
    }
    ca::print(L"again");
    EXPECT_EQ(outer.text(), "outer again");
    outer.clear();
    ca::prompt(L"first");
    EXPECT_EQ(outer.text(), "first");
}

TEST(Rtos, DefaultsToFourDecimalPlacesWithTrailingZerosTrimmed)
{
    EXPECT_EQ(ca::rtos(12.5), OdString(L"12.5"));
    EXPECT_EQ(ca::rtos(12.5, -1, -1, -1), OdString(L"12.5"));
    EXPECT_EQ(ca::rtos(12.0), OdString(L"12"));
    EXPECT_EQ(ca::rtos(0.123456), OdString(L"0.1235"));
    EXPECT_EQ(ca::rtos(-3.14159265), OdString(L"-3.1416"));
    EXPECT_EQ(ca::rtos(1234567.0), OdString(L"1234567"));
    EXPECT_EQ(ca::rtos(0.00004), OdString(L"0"));
}

TEST(Rtos, AValueThatRoundsToZeroHasNoMinusSign)
{
    EXPECT_EQ(ca::rtos(-0.00001), OdString(L"0"));
    EXPECT_EQ(ca::rtos(-0.0), OdString(L"0"));
    EXPECT_EQ(ca::rtos(-0.00001, ca::eRtosDecimal, 4, ca::eRtosKeepZeros), OdString(L"0.0000"));
}

TEST(Rtos, HonoursPrecisionAndZeroSuppression)
{
    EXPECT_EQ(ca::rtos(12.5, ca::eRtosDecimal, 2, ca::eRtosKeepZeros), OdString(L"12.50"));
    EXPECT_EQ(ca::rtos(12.5, ca::eRtosDecimal, 0, ca::eRtosKeepZeros), OdString(L"12"));
    EXPECT_EQ(ca::rtos(0.5, ca::eRtosDecimal, 3, ca::eRtosSuppressLeadingZero), OdString(L".500"));
    EXPECT_EQ(
        ca::rtos(-0.5, ca::eRtosDecimal, 3, ca::eRtosSuppressLeadingZero | ca::eRtosSuppressTrailingZeros),
        OdString(L"-.5"));
    EXPECT_EQ(ca::rtos(1.0 / 3.0, ca::eRtosDecimal, 20), OdString(L"0.33333333")) << "clamped to 8 places";
    EXPECT_EQ(ca::rtos(2.0, ca::eRtosDecimal, -5, ca::eRtosKeepZeros), OdString(L"2"));
}

TEST(Rtos, ScientificModeShowsACapitalExponent)
{
    EXPECT_EQ(ca::rtos(12.5, ca::eRtosScientific, 4, ca::eRtosKeepZeros), OdString(L"1.2500E+01"));
    EXPECT_EQ(ca::rtos(12.5, ca::eRtosScientific), OdString(L"1.25E+01"));
    EXPECT_EQ(ca::rtos(-0.00025, ca::eRtosScientific, 2), OdString(L"-2.5E-04"));
    EXPECT_EQ(ca::rtos(2.0e200, ca::eRtosScientific, 2), OdString(L"2E+200"));
}

TEST(Rtos, OtherUnitModesFallBackToDecimalWithAnAssertion)
{
    ut::AssertRecorder asserts;
    EXPECT_EQ(ca::rtos(12.5, 4), OdString(L"12.5"));
    EXPECT_EQ(asserts.count(), 1u);
}

TEST(Rtos, NonFiniteValuesAndHugeValuesAreShown)
{
    EXPECT_EQ(ca::rtos(std::numeric_limits<double>::quiet_NaN()), OdString(L"NaN"));
    EXPECT_EQ(ca::rtos(std::numeric_limits<double>::infinity()), OdString(L"Inf"));
    EXPECT_EQ(ca::rtos(-std::numeric_limits<double>::infinity()), OdString(L"-Inf"));
    EXPECT_EQ(
        ca::rtos(std::numeric_limits<double>::max(), ca::eRtosDecimal, 8, ca::eRtosKeepZeros).getLength(),
        309 + 1 + 8);
}

TEST(Rtos, TheDecimalPointIsAPointInAnyLocale)
{
    const char* changed = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    EXPECT_EQ(ca::rtos(12.5), OdString(L"12.5"));
    if (changed)
        std::setlocale(LC_NUMERIC, "C");
}

} // namespace
