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

// Registers on set-up and unregisters on tear-down, as a module's initApp/uninitApp pair does.
class ReporterTest : public testing::Test
{
protected:
    void SetUp() override
    {
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
        for (auto key : {eRpt_TestFailedToRun, eRpt_TestWholeText, eRpt_TestNotice, eRpt_TestNumbers})
            registry.unregisterMessage(key);
        registry.unregisterMessage(EScopedTestMessage::eLong);
    }

    ut::ReporterMessageRegistry& registry = ut::ReporterMessageRegistry::instance();
    std::ostringstream sink;
    ut::StreamReporter reporter{sink};
};

TEST_F(ReporterTest, AReportFillsTheRegisteredTextAndWritesItUnderItsSeverity)
{
    registry.registerMessage(EScopedTestMessage::eLong, ut::IReporterMessage::eError,
                             ut::IReporterMessage::eLongHighlight, "scoped %ls");
    reporter.report(eRpt_TestFailedToRun, L"running error");
    reporter.report(eRpt_TestNotice);
    reporter.report(eRpt_TestNumbers, 3, 7, 0.5f);
    reporter.report(EScopedTestMessage::eLong, OdString(L"key"));
    EXPECT_EQ(sink.str(), "Error: Failed to run MSC Nastran (running error)\n"
                          "Warning: Entity doesn't have CAE loads. The CAE task may not be solved\n"
                          "Info: 3 of 7, 0.50\n"
                          "Error: scoped key\n");
    ASSERT_EQ(reporter.messages().size(), 4u);
    const ut::ReportedMessage& m = reporter.messages()[0];
    EXPECT_EQ(m.key, static_cast<ut::MessageKey>(eRpt_TestFailedToRun));
    EXPECT_EQ(m.severity, ut::IReporterMessage::eError);
    EXPECT_EQ(m.highlight, ut::IReporterMessage::eShortHighlight);
    EXPECT_EQ(m.text, OdString(L"Failed to run MSC Nastran (running error)"));
    EXPECT_EQ(reporter.messages()[3].highlight, ut::IReporterMessage::eLongHighlight);
}

TEST_F(ReporterTest, PercentLsTakesOdStringsAndWideTextsOfAnyLengthAndWritesThemAsUtf8)
{
    const OdString german(L"MSC Nastran wurde nicht gefunden: \u00dcberpr\u00fcfen Sie die Installation.");
    const OdString longText(std::wstring(5000, L'x'));
    const OdString argument(L"wait error");
    reporter.report(eRpt_TestWholeText, german);
    reporter.report(eRpt_TestWholeText, longText);
    reporter.report(static_cast<ut::MessageKey>(eRpt_TestFailedToRun), argument.c_str());
    ASSERT_EQ(reporter.messages().size(), 3u);
    EXPECT_EQ(reporter.messages()[0].text, german);
    EXPECT_EQ(reporter.messages()[1].text, longText);
    EXPECT_EQ(reporter.messages()[2].text, OdString(L"Failed to run MSC Nastran (wait error)"));
    EXPECT_EQ(sink.str().substr(0, sink.str().find('\n') + 1), "Error: " + OdAnsiString(german).str() + "\n");
}

TEST_F(ReporterTest, ReRegisteringReplacesAndUnregisteringForgetsATextWithAnAssertionEach)
{
    ut::AssertRecorder asserts;
    registry.registerMessage(eRpt_TestFailedToRun, ut::IReporterMessage::eError,
                             ut::IReporterMessage::eNoHighlight, "replaced");
    EXPECT_EQ(asserts.count(), 1u);
    reporter.report(eRpt_TestFailedToRun);
    EXPECT_EQ(sink.str(), "Error: replaced\n");

    const auto notice = registry.find(eRpt_TestNotice);
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(registry.unregisterMessage(eRpt_TestNotice));
    EXPECT_EQ(notice->text(), OdString(L"Entity doesn't have CAE loads. The CAE task may not be solved"))
        << "a message found before it was unregistered stays usable";
    EXPECT_EQ(notice->severity(), ut::IReporterMessage::eWarning);
    EXPECT_FALSE(registry.isRegistered(eRpt_TestNotice));
    EXPECT_EQ(registry.find(eRpt_TestNotice), nullptr);
    EXPECT_FALSE(registry.unregisterMessage(eRpt_TestNeverRegistered));

    asserts.clear();
    reporter.report(eRpt_TestNotice);
    EXPECT_EQ(reporter.messages().size(), 1u) << "nothing reported";
    EXPECT_EQ(sink.str(), "Error: replaced\n");
    ASSERT_EQ(asserts.count(), 1u);
    EXPECT_NE(asserts.reports()[0].message.find("70003"), std::string::npos) << "the message names the key";
}

TEST_F(ReporterTest, TheNullReporterDiscardsEverythingAndTheDefaultSinkIsStandardError)
{
    ut::AssertRecorder asserts;
    ut::IReporter& null = ut::IReporter::nullReporter();
    EXPECT_EQ(&null, &ut::IReporter::nullReporter());
    ut::StreamReporter toStderr;
    testing::internal::CaptureStderr();
    null.report(eRpt_TestFailedToRun, OdString(L"x"));
    null.report(eRpt_TestNeverRegistered);
    EXPECT_EQ(asserts.count(), 0u) << "not even an unregistered key is noticed";
    toStderr.report(eRpt_TestFailedToRun, OdString(L"wait_for error"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: Failed to run MSC Nastran (wait_for error)\n");
    toStderr.clear();
    EXPECT_TRUE(toStderr.messages().empty());
}

} // namespace
