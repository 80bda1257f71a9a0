#include "host/ca/CommandLine.h"

#include "host/ut/Assert.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <limits>
#include <regex>

namespace
{

TEST(CommandLine, PrintWritesTheTextAsItIsAndPromptStartsALineOfItsOwn)
{
    ca::CommandLineCapture capture;
    ca::prompt(L"Running Nastran: \"nastran\" \"task.dat\"");
    ca::prompt(L"log line");
    ca::print(L"\n");
    ca::prompt(L"after a finished line no empty one");
    ca::print(L"");
    ca::prompt(L"");
    ca::print(L"Spannung \u03c3 = 5 N/mm\u00b2");
    EXPECT_EQ(capture.text(), "Running Nastran: \"nastran\" \"task.dat\"\n"
                              "log line\n"
                              "after a finished line no empty one\n"
                              "Spannung \xCF\x83 = 5 N/mm\xC2\xB2");
}

TEST(CommandLine, CapturesNestAndWithoutOneTextGoesToStandardOutput)
{
    testing::internal::CaptureStdout();
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
        EXPECT_EQ(outer.text(), "first") << "a cleared capture starts a fresh line";
    }
    ca::print(L"to stdout\n");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "to stdout\n");
}

/// A status line that marks its erasing and drawing in standard output, where the command line writes.
class MarkedStatusLine : public ca::StatusLine
{
public:
    void erase() override { std::fputs("<erase>", stdout); }
    void redraw() override { std::fputs("<bar>", stdout); }
};

TEST(CommandLine, AStatusLineIsErasedBeforeAndRedrawnBelowEachWriteAndTheTextStaysTheSame)
{
    MarkedStatusLine bar;
    testing::internal::CaptureStdout();
    ca::print(L"open");
    ca::setStatusLine(&bar);
    ca::prompt(L"line 1");
    ca::prompt(L"line 2");
    {
        ca::CommandLineCapture capture;
        ca::prompt(L"captured");
        EXPECT_EQ(capture.text(), "captured") << "a capture is no terminal";
    }
    ca::print(L"\n");
    EXPECT_EQ(ca::setStatusLine(nullptr), &bar);
    ca::prompt(L"after");
    ca::print(L"\n");
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "open\n<erase>line 1\n<bar><erase>line 2\n<bar><erase><bar>after\n");
    const std::regex marks("<erase>|<bar>");
    EXPECT_EQ(std::regex_replace(out, marks, ""), "open\nline 1\nline 2\nafter\n")
        << "the same text as without the status line";
}

TEST(Rtos, FormatsDecimalAndScientificWithPrecisionAndZeroSuppression)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    constexpr int kDefault = -1;
    const struct
    {
        double value;
        int mode, precision, zeros;
        const wchar_t* expected;
    } cases[] = {
        // Four places by default, trailing zeros trimmed, no minus sign on a rounded zero.
        {12.5, kDefault, kDefault, kDefault, L"12.5"},
        {12.0, kDefault, kDefault, kDefault, L"12"},
        {0.123456, kDefault, kDefault, kDefault, L"0.1235"},
        {-3.14159265, kDefault, kDefault, kDefault, L"-3.1416"},
        {1234567.0, kDefault, kDefault, kDefault, L"1234567"},
        {-0.00001, kDefault, kDefault, kDefault, L"0"},
        {-0.00001, ca::eRtosDecimal, 4, ca::eRtosKeepZeros, L"0.0000"},
        {12.5, ca::eRtosDecimal, 2, ca::eRtosKeepZeros, L"12.50"},
        {12.5, ca::eRtosDecimal, 0, ca::eRtosKeepZeros, L"12"},
        {0.5, ca::eRtosDecimal, 3, ca::eRtosSuppressLeadingZero, L".500"},
        {-0.5, ca::eRtosDecimal, 3, ca::eRtosSuppressLeadingZero | ca::eRtosSuppressTrailingZeros, L"-.5"},
        {1.0 / 3.0, ca::eRtosDecimal, 20, kDefault, L"0.33333333"}, // clamped to 8 places
        {2.0, ca::eRtosDecimal, -5, ca::eRtosKeepZeros, L"2"},
        {12.5, ca::eRtosScientific, 4, ca::eRtosKeepZeros, L"1.2500E+01"},
        {-0.00025, ca::eRtosScientific, 2, kDefault, L"-2.5E-04"},
        {2.0e200, ca::eRtosScientific, 2, kDefault, L"2E+200"},
        {nan, kDefault, kDefault, kDefault, L"NaN"},
        {-inf, kDefault, kDefault, kDefault, L"-Inf"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ca::rtos(c.value, c.mode, c.precision, c.zeros), OdString(c.expected))
            << c.value << " mode " << c.mode << " precision " << c.precision << " zeros " << c.zeros;
    EXPECT_EQ(
        ca::rtos(std::numeric_limits<double>::max(), ca::eRtosDecimal, 8, ca::eRtosKeepZeros).getLength(),
        309 + 1 + 8);

    const char* changed = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    EXPECT_EQ(ca::rtos(12.5), OdString(L"12.5")) << "the decimal point is a point in any locale";
    if (changed)
        std::setlocale(LC_NUMERIC, "C");

    ut::AssertRecorder asserts;
    EXPECT_EQ(ca::rtos(12.5, 4), OdString(L"12.5")) << "other unit modes fall back to decimal";
    EXPECT_EQ(asserts.count(), 1u);
}

} // namespace
