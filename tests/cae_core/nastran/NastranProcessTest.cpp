#include "cae_core/nastran/NastranProcess.h"

#include "cae_core/core/ReporterMessages.h"
#include "cae_core/nastran/NastranSearcher.h"
#include "host/ca/CommandLine.h"
#include "host/ca/EventLoop.h"
#include "host/oa/SysVars.h"
#include "host/ut/Registry.h"
#include "host/ut/Reporter.h"
#include "tests/host/HostTestSupport.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>

namespace
{
namespace fs = std::filesystem;
using cae_core::NastranProcess;

TEST(NastranLog, TheCompletionLineIsTheWholeLineRuleAndItsNumberIsReadAfterTheFirstMarker)
{
    struct Case
    {
        const char* line;
        bool matches;
        int code;
    };
    const Case cases[] = {
        {" *** USER INFORMATION MESSAGE 9.1 Analysis complete   0", true, 0},
        {"Analysis complete 1", true, 1},
        {"Analysis complete-13", true, -13},
        {"Analysis complete 0-5", true, 0},
        {"xx Analysis complete", false, 0},
        {"Analysis complete   ", false, 0},
        {"Analysis complete 0 at 12:00", false, 0},
        {"Analysis complete 0, Analysis complete 2", true, 0},
        {"analysis complete 0", false, 0},
    };
    const std::regex rule(".*Analysis complete *[\\-0-9]+");
    for (const Case& c : cases)
    {
        std::int32_t code = 42;
        ASSERT_EQ(std::regex_match(c.line, rule), c.matches) << c.line;
        EXPECT_EQ(cae_core::parseCompletionLine(c.line, code), c.matches) << c.line;
        if (c.matches)
        {
            EXPECT_EQ(code, c.code) << c.line;
        }
    }
    std::int32_t code = 0;
    EXPECT_THROW(cae_core::parseCompletionLine("Analysis complete -", code), std::invalid_argument);
    EXPECT_THROW(cae_core::parseCompletionLine("Analysis complete x Analysis complete 1", code),
                 std::invalid_argument);
    EXPECT_THROW(cae_core::parseCompletionLine("Analysis complete 99999999999", code), std::out_of_range);
    for (const std::string text : {"-", "99999999999"})
        try
        {
            cae_core::parseCompletionLine("Analysis complete " + text, code);
        }
        catch (const std::logic_error& error)
        {
            EXPECT_EQ(std::string(error.what()).find("stoi"), std::string::npos) << error.what();
            EXPECT_NE(std::string(error.what()).find("completion code \"" + text + "\""), std::string::npos)
                << error.what();
        }
    EXPECT_FALSE(cae_core::parseCompletionLine(std::string(1'000'000, 'x') + "Analysis complete", code));
}

TEST(NastranCommandLine, QuotesTheDeckAndAppendsTheOptionsAsKeywordEqualsValue)
{
    EXPECT_EQ(NastranProcess::keyword(NastranProcess::eAppend), OdString(L"append"));
    EXPECT_EQ(NastranProcess::keyword(NastranProcess::eMemorymaximum), OdString(L"memorymaximum"));
    EXPECT_EQ(NastranProcess::keyword(NastranProcess::eXdbold), OdString(L"xdbold"));
    EXPECT_EQ(NastranProcess::keyword(static_cast<NastranProcess::EOption>(68)), OdString());

    NastranProcess process;
    process.impl().m_inputFile = L"C:\\work dir\\task.dat";
    EXPECT_EQ(process.impl().commandLine(L"nastran"), OdString(L"nastran \"C:\\work dir\\task.dat\""));
    process.impl().m_options[NastranProcess::eMemorymaximum] = OdString().format(L"%dGB", 16);
    process.impl().m_options[NastranProcess::eAppend] = L"yes";
    EXPECT_EQ(
        process.impl().commandLine(L"\"C:\\MSC\\bin\\nastran.exe\""),
        OdString(L"\"C:\\MSC\\bin\\nastran.exe\" \"C:\\work dir\\task.dat\" append=yes memorymaximum=16GB"));
}

TEST(NastranCommandLine, AppendsExtraKeywordsAfterTheOptionsInTheirOrder)
{
    NastranProcess process;
    process.impl().m_inputFile = L"task.dat";
    process.impl().m_options[NastranProcess::eMemorymaximum] = L"16GB";
    process.impl().m_extraKeywords = {L"dmp=2", L"memorymaximum=1GB"};
    EXPECT_EQ(process.impl().commandLine(L"nastran"),
              OdString(L"nastran \"task.dat\" memorymaximum=16GB dmp=2 memorymaximum=1GB"));
}

TEST(NastranProgress, ClimbsLikeOneMinusAnExponentialAndStopsTheMeterWhenDone)
{
    std::ostringstream sink;
    cma::ProgressMeter meter(sink, false);
    {
        cae_core::ProgressEmulator progress(meter);
        EXPECT_TRUE(meter.isRunning());
        EXPECT_EQ(meter.total(), 100);
        for (int i = 0; i < 1000; ++i)
            progress.advance();
        EXPECT_EQ(meter.position(), 39);
        for (int i = 1000; i < 4600; ++i)
            progress.advance();
        EXPECT_EQ(meter.position(), 89);
        progress.finish();
        EXPECT_EQ(meter.position(), 100);
    }
    EXPECT_FALSE(meter.isRunning());
}

TEST(NastranWorkingFolder, IsANewFolderNamedAfterTheTimeUnderTheTemporaryPrefix)
{
    host_test::TempDir temp;
    host_test::ScopedEnv tmpdir("TMPDIR", temp.path().string());
    const OdString folder = cae_core::createWorkingFolder();
    const std::string path = OdAnsiString(folder).str();
    ASSERT_EQ(path.rfind(OdAnsiString(oa::SysVars::getTEMPPREFIX()).str(), 0), 0u) << path;
    EXPECT_TRUE(std::regex_match(fs::path(path).filename().string(), std::regex("CAE_[0-9]{13}"))) << path;
    EXPECT_TRUE(fs::is_directory(path));
}

TEST(NastranWorkingFolder, UniqueNamingNeverSharesAFolderEvenWithinOneMillisecond)
{
    host_test::TempDir temp;
    host_test::ScopedEnv tmpdir("TMPDIR", (temp.path() / "not yet there").string());
    cae_core::setWorkingFolderNaming(cae_core::eWorkingFolderUnique);
    std::set<std::string> folders;
    for (int i = 0; i < 50; ++i)
    {
        const std::string path = OdAnsiString(cae_core::createWorkingFolder()).str();
        EXPECT_TRUE(
            std::regex_match(fs::path(path).filename().string(), std::regex("CAE_[0-9]{13}_[A-Za-z0-9]{6}")))
            << path;
        EXPECT_TRUE(fs::is_directory(path)) << path;
        folders.insert(path);
    }
    cae_core::setWorkingFolderNaming(cae_core::eWorkingFolderTimeStamp);
    EXPECT_EQ(folders.size(), 50u);
}

/// A scratch folder with a deck in it, the module's messages registered, and the command line captured.
class NastranRunTest : public testing::Test
{
protected:
    NastranRunTest()
    {
        cae_core::registerReporterMessages();
        std::ofstream(deck) << "SOL 101\n";
        process.impl().m_inputFile = OdString(deck.string().c_str());
        process.impl().m_workingDirectory = OdString(dir.path().string().c_str());
    }
    ~NastranRunTest() override { cae_core::unregisterReporterMessages(); }

    /// The test solver with `arguments` as the executable command.
    static std::string testSolver(const std::string& arguments)
    {
        return "\"" + std::string(CAE_TEST_SOLVER) + "\" " + arguments;
    }

    host_test::TempDir dir;
    fs::path deck = dir.path() / "task.dat";
    host_test::ScopedEnv noRegistry{"CAE_HOST_REGISTRY", std::nullopt};
    NastranProcess process;
    std::ostringstream reports;
    ut::StreamReporter reporter{reports};
    ca::CommandLineCapture commandLine;
};

TEST_F(NastranRunTest, TheResultFollowsTheCompletionLineAndNotTheExitCode)
{
    struct Case
    {
        const char* arguments;
        cae_core::EResult result;
        int exitCode;
    };
    const Case cases[] = {
        {"--completion=0", cae_core::eOk, 0},           {"--completion=0 --exit=3", cae_core::eOk, 3},
        {"--completion=1", cae_core::eSolverFailed, 0}, {"--completion=none", cae_core::eSolverFailed, 0},
        {"--no-log", cae_core::eSolverFailed, 0},
    };
    for (const Case& c : cases)
    {
        host_test::ScopedEnv path(NastranProcess::kPathVariable, testSolver(c.arguments));
        NastranProcess run;
        run.impl() = process.impl();
        EXPECT_EQ(run.run(reporter), c.result) << c.arguments;
        EXPECT_EQ(run.impl().m_exitCode, c.exitCode) << c.arguments;
        fs::remove(dir.path() / "task.log");
    }
    EXPECT_TRUE(reporter.messages().empty());
}

TEST_F(NastranRunTest, PrintsTheCommandAndFolderThenEchoesTheLogAndPassesOptionsAndFolderToTheSolver)
{
    const std::string solver = testSolver("--lines=2");
    host_test::ScopedEnv path(NastranProcess::kPathVariable, solver);
    process.impl().m_options[NastranProcess::eMemorymaximum] = L"16GB";
    ASSERT_EQ(process.run(reporter), cae_core::eOk);
    const std::string folder = dir.path().string();
    EXPECT_EQ(commandLine.text(), "Running Nastran: " + solver + " \"" + deck.string() +
                                      "\" memorymaximum=16GB\n"
                                      "Working directory: " +
                                      folder +
                                      "\n"
                                      "working directory: " +
                                      fs::canonical(folder).string() +
                                      "\n"
                                      "option memorymaximum=16GB\n"
                                      "line 1\n"
                                      "line 2\n"
                                      " *** USER INFORMATION MESSAGE 9.1 Analysis complete   0\n");
}

TEST_F(NastranRunTest, EachLogLineIsEchoedWhileTheSolverStillRuns)
{
    // The solver waits for an answer to each line before writing the next, so it only finishes when every
    // line reached the command line during the run; the answer is given from the host's event loop.
    host_test::ScopedEnv path(NastranProcess::kPathVariable, testSolver("--lines=3 --handshake"));
    int answered = 0;
    bool running = true;
    std::function<void()> watch = [&]
    {
        while (answered < 3 &&
               commandLine.text().find("\nline " + std::to_string(answered + 1)) != std::string::npos)
        {
            ++answered;
            std::ofstream(dir.path() / ("task.log.ack" + std::to_string(answered)));
        }
        if (running)
            ca::postEvent(watch);
    };
    ca::postEvent(watch);
    EXPECT_EQ(process.run(reporter), cae_core::eOk) << commandLine.text();
    running = false;
    ca::yieldToEventLoop();
    EXPECT_EQ(answered, 3);
}

TEST_F(NastranRunTest, ACompletionCodeThatIsNoNumberFailsTheRunNamingTheLogLine)
{
    struct Case
    {
        const char* code;
        const char* reason;
    };
    const Case cases[] = {
        {"99999999999999999999", "the completion code does not fit 32 bits"},
        {"-", "the completion line holds no code"},
    };
    for (const Case& c : cases)
    {
        host_test::ScopedEnv path(NastranProcess::kPathVariable,
                                  testSolver(std::string("--completion=") + c.code));
        NastranProcess run;
        run.impl() = process.impl();
        reporter.clear();
        EXPECT_EQ(run.run(reporter), cae_core::eSolverFailed) << c.code;
        ASSERT_EQ(reporter.messages().size(), 1u) << c.code;
        const std::string expected = (dir.path() / "task.log").string() + ", line 2: " + c.reason +
                                     ": \" *** USER INFORMATION MESSAGE 9.1 Analysis complete   " + c.code +
                                     "\"";
        EXPECT_EQ(OdAnsiString(reporter.messages()[0].text).str(), expected);
        EXPECT_NE(commandLine.text().find(expected), std::string::npos) << commandLine.text();
        fs::remove(dir.path() / "task.log");
    }
}

TEST_F(NastranRunTest, TheHostsCancelEndsAStuckSolverAndLeavesNoProcess)
{
    EXPECT_FALSE(process.impl().m_cancelRequested) << "without a host cancel a run is never stopped";
    struct Case
    {
        const char* arguments;
        const char* why;
    };
    const Case cases[] = {
        {"--lines=1 --hang", "ends when asked to"},
        {"--lines=1 --hang --ignore-term", "ignores the request and is killed after the grace period"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.why);
        host_test::ScopedEnv path(NastranProcess::kPathVariable, testSolver(c.arguments));
        commandLine.clear();
        NastranProcess::setHostCancel([this]
                                      { return commandLine.text().find("\npid ") != std::string::npos; });
        NastranProcess run;
        NastranProcess::setHostCancel({});
        run.impl().m_inputFile = process.impl().m_inputFile;
        run.impl().m_workingDirectory = process.impl().m_workingDirectory;
        EXPECT_EQ(run.run(reporter), cae_core::eSolverFailed);
        EXPECT_TRUE(run.impl().m_cancelled);
        const std::string text = commandLine.text();
        const auto at = text.find("\npid ");
        ASSERT_NE(at, std::string::npos) << text;
        const pid_t solver = static_cast<pid_t>(std::stol(text.substr(at + 5)));
        EXPECT_EQ(::kill(solver, 0), -1) << "the solver " << solver << " still runs";
        EXPECT_NE(text.find("\nNastran run cancelled"), std::string::npos) << text;
        fs::remove(dir.path() / "task.log");
    }

    commandLine.clear();
    process.impl().m_cancelRequested = [] { return true; };
    host_test::ScopedEnv path(NastranProcess::kPathVariable, testSolver("--lines=1"));
    EXPECT_EQ(process.run(reporter), cae_core::eSolverFailed);
    EXPECT_FALSE(fs::exists(dir.path() / "task.log")) << "a run cancelled before its start starts no solver";
    EXPECT_EQ(commandLine.text().find("Running Nastran"), std::string::npos) << commandLine.text();
    EXPECT_TRUE(reporter.messages().empty());
}

TEST_F(NastranRunTest, WithoutAnyExecutableTheRunReportsTheSearcherAndGives14)
{
    host_test::ScopedEnv path(NastranProcess::kPathVariable, std::nullopt);
    EXPECT_EQ(process.run(reporter), cae_core::eSolverNotFound);
    ASSERT_EQ(reporter.messages().size(), 1u);
    EXPECT_EQ(reporter.messages()[0].key, cae_core::eRpt_NastranNotFoundCustom);
    EXPECT_EQ(reporter.messages()[0].text,
              OdString(L"MSC Nastran not installed or not registered in Windows registry."));
    EXPECT_EQ(commandLine.text(), "");
}

TEST_F(NastranRunTest, AnExecutableThatCannotStartIsReportedPrintedAndGives13)
{
    host_test::ScopedEnv path(NastranProcess::kPathVariable, (dir.path() / "no-such-solver").string());
    EXPECT_EQ(process.run(reporter), cae_core::eSolverFailed);
    ASSERT_EQ(reporter.messages().size(), 1u);
    EXPECT_EQ(reporter.messages()[0].key, cae_core::eRpt_NastranNotFoundCustom);
    const std::string error = OdAnsiString(reporter.messages()[0].text).str();
    EXPECT_FALSE(error.empty());
    EXPECT_NE(commandLine.text().find("\n" + error), std::string::npos) << commandLine.text();
}

/// A registry file with the vendor's key and what a test adds to it.
class NastranSearcherTest : public testing::Test
{
protected:
    void write(const std::string& text) { std::ofstream(file) << text; }

    host_test::TempDir dir;
    fs::path file = dir.path() / "registry.ini";
    host_test::ScopedEnv env{ut::Registry::kFileVariable, file.string()};
};

TEST_F(NastranSearcherTest, TakesTheGreatestProductKeyAndItsLatestVersionAndRunsItsProgram)
{
    const fs::path install = dir.path() / "MSC 2023";
    fs::create_directories(install / "bin");
    fs::create_symlink(CAE_TEST_SOLVER, install / "bin" / "nastran.exe");
    write("[HKLM\\SOFTWARE\\WOW6432Node\\MSC.Software Corporation\\MSC Nastran 2021\\2021.4]\n"
          "Path = /nowhere\n"
          "[HKLM\\SOFTWARE\\WOW6432Node\\MSC.Software Corporation\\MSC Nastran 2023]\n"
          "Latest = 2023.1\n"
          "[HKLM\\SOFTWARE\\WOW6432Node\\MSC.Software Corporation\\MSC Nastran 2023\\2023.1]\n"
          "ProductTitle = MSC Nastran 2023.1\n"
          "Path = " +
          install.string() +
          "\n"
          "[HKLM\\SOFTWARE\\WOW6432Node\\MSC.Software Corporation\\Patran 2023]\n"
          "[HKLM\\SOFTWARE\\WOW6432Node\\MSC.Software Corporation\\MSC Nastran 2023a]\n");
    const cae_core::NastranSearcher searcher;
    ASSERT_TRUE(searcher.found()) << OdAnsiString(searcher.errorMessage()).c_str();
    EXPECT_EQ(searcher.errorMessage(), OdString());
    EXPECT_EQ(searcher.productTitle(), OdString(L"MSC Nastran 2023.1"));
    EXPECT_EQ(searcher.version(), OdString(L"2023.1"));
    const std::string executable = "\"" + (install / "bin" / "nastran.exe").string() + "\"";
    EXPECT_EQ(OdAnsiString(searcher.executable()).str(), executable);

    cae_core::registerReporterMessages();
    host_test::ScopedEnv path(NastranProcess::kPathVariable, "");
    ca::CommandLineCapture commandLine;
    NastranProcess process;
    process.impl().m_inputFile = OdString((dir.path() / "task.dat").string().c_str());
    process.impl().m_workingDirectory = OdString(dir.path().string().c_str());
    EXPECT_EQ(process.run(ut::IReporter::nullReporter()), cae_core::eOk);
    EXPECT_EQ(commandLine.text().rfind("Running Nastran: " + executable + " \"", 0), 0u)
        << commandLine.text();
    cae_core::unregisterReporterMessages();
}

TEST_F(NastranSearcherTest, EachMissingStepHasItsOwnMessage)
{
    const std::string vendor = "[HKLM\\SOFTWARE\\WOW6432Node\\MSC.Software Corporation";
    struct Case
    {
        std::string registry;
        const wchar_t* message;
    };
    const Case cases[] = {
        {"[HKLM\\SOFTWARE\\Other]\n", L"MSC Nastran not installed or not registered in Windows registry."},
        {vendor + "\\Patran 2023]\n" + vendor + "\\MSC Nastran]\n",
         L"Installed version of MSC Nastran was not found."},
        {vendor + "\\MSC Nastran 2023]\nTitle = x\n",
         L"Failed to read latest version of MSC Nastran from Windows registry."},
        {vendor + "\\MSC Nastran 2023]\nLatest = 2023.1\n",
         L"Failed to read latest MSC Nastran version info from Windows registry."},
        {vendor + "\\MSC Nastran 2023]\nLatest = 2023.1\n" + vendor +
             "\\MSC Nastran 2023\\2023.1]\nPath = \"\"\n",
         L"MSC Nastran installation path cannot be found."},
    };
    for (const Case& c : cases)
    {
        write(c.registry);
        const cae_core::NastranSearcher searcher;
        EXPECT_FALSE(searcher.found()) << c.registry;
        EXPECT_EQ(searcher.errorMessage(), OdString(c.message)) << c.registry;
        EXPECT_EQ(searcher.executable(), OdString()) << c.registry;
    }
}

} // namespace
