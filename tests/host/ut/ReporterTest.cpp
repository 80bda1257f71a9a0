#include "host/ut/Reporter.h"

#include "host/ut/Assert.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace
{

// Keys far from any module's, so tests do not meet real registrations in the process-wide registry.
enum ETestMessage : std::uint32_t
{
    eRpt_TestFailedToRun = 70001,
    eRpt_TestWholeText = 70002,
    eRpt_TestNotice = 70003,
    eRpt_TestNumbers = 70004,
    eRpt_TestNeverRegistered = 70005,
};

enum class EScopedTestMessage
{
    eLong = 70010
};

// Registers on construction and unregisters on destruction, as a module's initApp/uninitApp pair does.
class ReporterTest : public testing::Test
{
protected:
    void SetUp() override
    {
        auto& registry = ut::ReporterMessageRegistry::instance();
        registry.registerMessage(eRpt_TestFailedToRun, ut::IReporterMessage::eError,
                                 ut::IReporterMessage::eShortHighlight, "Failed to run MSC Nastran (%ls)");
        registry.registerMessage(eRpt_TestWholeText, ut::IReporterMessage::eError,
                                 ut::IReporterMessage::eShortHighlight, L"%ls");
        registry.registerMessage(eRpt_TestNotice, ut::IReporterMessage::ESeverity(1),
                                 ut::IReporterMessage::EHighlightDuration(1),
                                 "Entity doesn't have CAE loads. The CAE task may not be solved");
        registry.registerMessage(eRpt_TestNumbers, ut::IReporterMessage::eInfo,
                                 ut::IReporterMessage::eNoHighlight, "%d of %d, %.2f");
    }
    void TearDown() override
    {
        auto& registry = ut::ReporterMessageRegistry::instance();
        for (auto key : {eRpt_TestFailedToRun, eRpt_TestWholeText, eRpt_TestNotice, eRpt_TestNumbers})
            registry.unregisterMessage(key);
        registry.unregisterMessage(EScopedTestMessage::eLong);
    }

    std::ostringstream sink;
    ut::StreamReporter reporter{sink};
};

TEST_F(ReporterTest, AReportFillsTheRegisteredTextWithAWideArgument)
{
    reporter.report(eRpt_TestFailedToRun, L"running error");
    EXPECT_EQ(sink.str(), "Error: Failed to run MSC Nastran (running error)\n");
    ASSERT_EQ(reporter.messages().size(), 1u);
    const ut::ReportedMessage& m = reporter.messages()[0];
    EXPECT_EQ(m.key, static_cast<ut::MessageKey>(eRpt_TestFailedToRun));
    EXPECT_EQ(m.severity, ut::IReporterMessage::eError);
    EXPECT_EQ(m.highlight, ut::IReporterMessage::eShortHighlight);
    EXPECT_EQ(m.text, OdString(L"Failed to run MSC Nastran (running error)"));
}

TEST_F(ReporterTest, OdStringArgumentsFillPercentLsAndNonAsciiTextIsWrittenAsUtf8)
{
    const OdString message(L"MSC Nastran wurde nicht gefunden: \u00dcberpr\u00fcfen Sie die Installation.");
    reporter.report(eRpt_TestWholeText, message);
    EXPECT_EQ(reporter.messages().at(0).text, message);
    EXPECT_EQ(sink.str(), "Error: " + OdAnsiString(message).str() + "\n");
}

TEST_F(ReporterTest, AnIntegralKeyWithCVariableArgumentsReportsTheSameMessage)
{
    const OdString argument(L"wait error");
    reporter.report(static_cast<ut::MessageKey>(eRpt_TestFailedToRun), argument.c_str());
    EXPECT_EQ(reporter.messages().at(0).text, OdString(L"Failed to run MSC Nastran (wait error)"));
}

TEST_F(ReporterTest, NoticesAreWrittenAsWarningsAndNumbersAreFormatted)
{
    reporter.report(eRpt_TestNotice);
    reporter.report(eRpt_TestNumbers, 3, 7, 0.5f);
    EXPECT_EQ(sink.str(), "Warning: Entity doesn't have CAE loads. The CAE task may not be solved\n"
                          "Info: 3 of 7, 0.50\n");
}

TEST_F(ReporterTest, ATextLongerThanTheFirstBufferIsFormattedWhole)
{
    const OdString longArgument(std::wstring(5000, L'x'));
    reporter.report(eRpt_TestWholeText, longArgument);
    EXPECT_EQ(reporter.messages().at(0).text, longArgument);
}

TEST_F(ReporterTest, ScopedEnumerationKeysAreAccepted)
{
    auto& registry = ut::ReporterMessageRegistry::instance();
    registry.registerMessage(EScopedTestMessage::eLong, ut::IReporterMessage::eError,
                             ut::IReporterMessage::eLongHighlight, "scoped %ls");
    EXPECT_TRUE(registry.isRegistered(EScopedTestMessage::eLong));
    reporter.report(EScopedTestMessage::eLong, OdString(L"key"));
    EXPECT_EQ(reporter.messages().at(0).text, OdString(L"scoped key"));
    EXPECT_TRUE(registry.unregisterMessage(EScopedTestMessage::eLong));
}

TEST_F(ReporterTest, AfterUnregisteringAReportFindsNoTextAndSaysSoThroughAnAssertion)
{
    auto& registry = ut::ReporterMessageRegistry::instance();
    EXPECT_TRUE(registry.unregisterMessage(eRpt_TestFailedToRun));
    EXPECT_FALSE(registry.isRegistered(eRpt_TestFailedToRun));
    EXPECT_EQ(registry.find(eRpt_TestFailedToRun), nullptr);

    ut::AssertRecorder asserts;
    reporter.report(eRpt_TestFailedToRun, L"x");
    EXPECT_TRUE(reporter.messages().empty());
    EXPECT_TRUE(sink.str().empty());
    ASSERT_EQ(asserts.count(), 1u);
    EXPECT_NE(asserts.reports()[0].message.find("70001"), std::string::npos) << "the message names the key";
}

TEST_F(ReporterTest, UnregisteringAnUnknownKeyReturnsFalse)
{
    EXPECT_FALSE(ut::ReporterMessageRegistry::instance().unregisterMessage(eRpt_TestNeverRegistered));
}

TEST_F(ReporterTest, AMessageLookedUpBeforeUnregisteringStaysUsable)
{
    auto& registry = ut::ReporterMessageRegistry::instance();
    const auto message = registry.find(eRpt_TestNotice);
    ASSERT_NE(message, nullptr);
    registry.unregisterMessage(eRpt_TestNotice);
    EXPECT_EQ(message->text(), OdString(L"Entity doesn't have CAE loads. The CAE task may not be solved"));
    EXPECT_EQ(message->severity(), ut::IReporterMessage::eWarning);
}

TEST_F(ReporterTest, RegisteringAKeyTwiceReplacesTheTextAndAsserts)
{
    ut::AssertRecorder asserts;
    ut::ReporterMessageRegistry::instance().registerMessage(eRpt_TestNotice, ut::IReporterMessage::eError,
                                                            ut::IReporterMessage::eNoHighlight, "replaced");
    EXPECT_EQ(asserts.count(), 1u);
    reporter.report(eRpt_TestNotice);
    EXPECT_EQ(sink.str(), "Error: replaced\n");
}

TEST_F(ReporterTest, TheNullReporterDiscardsRegisteredAndUnregisteredKeys)
{
    ut::AssertRecorder asserts;
    ut::IReporter& null = ut::IReporter::nullReporter();
    EXPECT_EQ(&null, &ut::IReporter::nullReporter());
    testing::internal::CaptureStderr();
    null.report(eRpt_TestFailedToRun, OdString(L"x"));
    null.report(eRpt_TestNeverRegistered);
    EXPECT_TRUE(testing::internal::GetCapturedStderr().empty());
    EXPECT_EQ(asserts.count(), 0u);
}

TEST_F(ReporterTest, TheDefaultSinkIsStandardError)
{
    ut::StreamReporter toStderr;
    testing::internal::CaptureStderr();
    toStderr.report(eRpt_TestFailedToRun, OdString(L"wait_for error"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: Failed to run MSC Nastran (wait_for error)\n");
    toStderr.clear();
    EXPECT_TRUE(toStderr.messages().empty());
}

} // namespace
