#include "cae_core/nastran/NastranProcess.h"

#include "cae_core/core/ReporterMessages.h"
#include "cae_core/core/Translation.h"
#include "cae_core/nastran/NastranSearcher.h"
#include "host/ca/CommandLine.h"
#include "host/ca/EventLoop.h"
#include "host/oa/SysVars.h"
#include "host/ut/Environment.h"
#include "host/ut/File.h"
#include "host/ut/Reporter.h"

#include <boost/process/child.hpp>
#include <boost/process/env.hpp>
#include <boost/process/environment.hpp>
#include <boost/process/io.hpp>
#include <boost/process/start_dir.hpp>

#include <chrono>
#include <cmath>
#include <csignal>
#include <exception>
#include <fstream>
#include <stdexcept>
#include <string>
#include <unordered_map>

#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>

namespace cae_core
{

namespace
{
EWorkingFolderNaming s_workingFolderNaming = eWorkingFolderTimeStamp;

std::function<bool()>& hostCancelForNewProcesses()
{
    static std::function<bool()> s_cancelRequested;
    return s_cancelRequested;
}
} // namespace

void setWorkingFolderNaming(EWorkingFolderNaming naming)
{
    s_workingFolderNaming = naming;
}

EWorkingFolderNaming workingFolderNaming()
{
    return s_workingFolderNaming;
}

OdString createWorkingFolder()
{
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const long long milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
    OdString name;
    name.format(L"CAE_%lld", milliseconds);
    // The temporary-files prefix already ends with a separator.
    const OdString prefix = oa::SysVars::getTEMPPREFIX();
    OdString folder = prefix + name;
    if (s_workingFolderNaming == eWorkingFolderTimeStamp)
        return ut::File::create(ut::FileName(folder), ut::File::eFolder, false) ? folder : OdString();

    // mkdtemp picks the suffix and creates the folder in one step, so no other run can take the same name
    // between the choice and the creation.
    if (!ut::File::create(ut::FileName(prefix), ut::File::eFolder, false))
        return OdString();
    std::string path = ut::convFileNameToMB(folder + L"_XXXXXX");
    if (::mkdtemp(path.data()) == nullptr)
        return OdString();
    return OdString(path.c_str());
}

ProgressEmulator::ProgressEmulator(cma::ProgressMeter& meter) : m_meter(meter)
{
    m_meter.start(OdString(), 100);
}

ProgressEmulator::~ProgressEmulator()
{
    try
    {
        m_meter.stop();
    }
    catch (...)
    {
    }
}

void ProgressEmulator::advance()
{
    m_t -= kStep;
    m_meter.progress(static_cast<int>(100.0 - 100.0 * std::exp(m_t)));
}

void ProgressEmulator::finish()
{
    m_meter.progress(100);
}

OdString NastranProcess::keyword(EOption option)
{
    static const std::unordered_map<std::int32_t, const wchar_t*> kKeywords = []
    {
        const wchar_t* const names[] = {L"append",        L"casi",          L"cpumax",     L"currdir",
                                        L"delete",        L"delivery",      L"diag",       L"diaga",
                                        L"diagb",         L"dml",           L"dmpmem",     L"executable",
                                        L"expjid",        L"extdefault",    L"f04",        L"f06",
                                        L"gmconn",        L"ishellext",     L"ishellpath", L"jid",
                                        L"jidpath",       L"jidtype",       L"locbulk",    L"lsymbol",
                                        L"maxelapsed",    L"maximumcpu",    L"maxlines",   L"memory",
                                        L"memorydefault", L"memorymaximum", L"metime",     L"mnfwriteoptions",
                                        L"ncmd",          L"news",          L"nice",       L"nlines",
                                        L"notify",        L"old",           L"oldtypes",   L"out",
                                        L"post",          L"pre",           L"processor",  L"punch",
                                        L"radlst",        L"rcf",           L"rcurrdir",   L"rdelivery",
                                        L"rdml",          L"repinfo",       L"repsym",     L"repwidth",
                                        L"rexecutable",   L"rgmconn",       L"rsdl",       L"scr300",
                                        L"scr300del",     L"sdl",           L"solve",      L"symbol",
                                        L"system",        L"t3skew",        L"tetraar",    L"trans",
                                        L"uds",           L"udssave",       L"version",    L"xdbold"};
        std::unordered_map<std::int32_t, const wchar_t*> table;
        std::int32_t number = 0;
        for (const wchar_t* name : names)
            table.emplace(number++, name);
        return table;
    }();
    const auto it = kKeywords.find(option);
    return it == kKeywords.end() ? OdString() : OdString(it->second);
}

bool parseCompletionLine(std::string_view line, std::int32_t& code)
{
    // Equivalent to matching ".*Analysis complete *[\-0-9]+" against the whole line: the tail after the
    // marker cannot hold the marker again, so only its last occurrence can start a match. Checked by hand
    // because the standard engine recurses once per character of ".*" and a solver log line has no bound.
    static constexpr std::string_view kMarker = "Analysis complete";
    const std::size_t last = line.rfind(kMarker);
    if (last == std::string_view::npos)
        return false;
    std::size_t i = last + kMarker.size();
    while (i < line.size() && line[i] == ' ')
        ++i;
    if (i == line.size())
        return false;
    for (; i < line.size(); ++i)
    {
        if (line[i] != '-' && (line[i] < '0' || line[i] > '9'))
            return false;
    }
    // The number is read after the first occurrence, as the line handler always did, as stoi reads it;
    // its failures are told in the log's terms, naming the text that would not convert.
    const std::string text(line.substr(line.find(kMarker) + kMarker.size()));
    constexpr std::size_t kQuoted = 40;
    const std::string quoted = "\"" + text.substr(text.find_first_not_of(' '), kQuoted) + "\"";
    try
    {
        code = std::stoi(text);
    }
    catch (const std::out_of_range&)
    {
        throw std::out_of_range("the completion code " + quoted + " does not fit 32 bits");
    }
    catch (const std::invalid_argument&)
    {
        throw std::invalid_argument("the completion code " + quoted + " is not a number");
    }
    return true;
}

namespace
{
/// The solver's log: the deck's path with the extension replaced by "log".
std::string logPath(const OdString& inputFile)
{
    return ut::convFileNameToMB(ut::FileName(inputFile).withExtension(L"log").path());
}

/// Longest part of a log line quoted in a message; a solver's line has no bound.
constexpr std::size_t kQuotedLineLength = 120;

/// The text of an error in the log's line `number`: the log, the line number, what is wrong and the
/// line itself (its end, where the code stands, when it is long).
std::string logLineError(const OdString& inputFile, std::size_t number, const std::string& line,
                         const char* what)
{
    const std::string quoted =
        line.size() <= kQuotedLineLength ? line : "..." + line.substr(line.size() - kQuotedLineLength);
    return logPath(inputFile) + ", line " + std::to_string(number) + ": " + what + ": \"" + quoted + "\"";
}
} // namespace

void NastranProcess::Impl::initLogFilter()
{
    m_lineFilter = [](const std::string&) { return true; };
    m_lineHandler = [this, number = std::size_t{0}](const std::string& line) mutable
    {
        ++number;
        std::int32_t code = 0;
        try
        {
            if (!parseCompletionLine(line, code))
                return;
        }
        catch (const std::out_of_range&)
        {
            throw std::out_of_range(
                logLineError(m_inputFile, number, line, "the completion code does not fit 32 bits"));
        }
        catch (const std::invalid_argument&)
        {
            throw std::invalid_argument(
                logLineError(m_inputFile, number, line, "the completion line holds no code"));
        }
        m_analysisComplete = true;
        m_completionCode = code;
        m_completionCodeRead = true;
    };
}

OdString NastranProcess::Impl::commandLine(const OdString& executable) const
{
    OdString command = executable;
    command += L" \"";
    command += m_inputFile;
    command += L"\"";
    for (const auto& [option, value] : m_options)
    {
        command += L" ";
        command += keyword(option);
        command += L"=";
        command += value;
    }
    for (const OdString& extra : m_extraKeywords)
    {
        command += L" ";
        command += extra;
    }
    return command;
}

namespace
{
/// Follows a growing text file: each read delivers the lines completed since the previous read.
class LogFollower
{
public:
    explicit LogFollower(std::string path) : m_path(std::move(path)) {}

    /// Calls `onLine` for every new complete line (without its line end). `final` also delivers a last
    /// line that has no line end, since the writer has finished.
    template <class OnLine> void read(bool final, const OnLine& onLine)
    {
        std::ifstream file(m_path, std::ios::binary);
        if (!file)
            return;
        file.seekg(static_cast<std::streamoff>(m_offset));
        if (!file)
            return;
        std::string chunk((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        std::size_t start = 0;
        for (std::size_t end = chunk.find('\n'); end != std::string::npos; end = chunk.find('\n', start))
        {
            deliver(std::string_view(chunk).substr(start, end - start), onLine);
            start = end + 1;
        }
        if (final && start < chunk.size())
        {
            deliver(std::string_view(chunk).substr(start), onLine);
            start = chunk.size();
        }
        m_offset += start;
    }

private:
    template <class OnLine> static void deliver(std::string_view line, const OnLine& onLine)
    {
        // A log written on the solver's home platform ends its lines with CR LF.
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        onLine(std::string(line));
    }

    std::string m_path;
    std::size_t m_offset = 0;
};

/// How long one polling cycle waits for the child before the host gets its events again.
constexpr std::chrono::milliseconds kPollInterval{10};

/// Asks the solver to end, so that it can close its files, and kills it when it has not ended within
/// the grace period.
void endCancelledChild(boost::process::child& child)
{
    ::kill(child.id(), SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + NastranProcess::kTerminateGrace;
    while (child.running() && std::chrono::steady_clock::now() < deadline)
        child.wait_for(kPollInterval);
    if (!child.running())
        return;
    child.terminate();
    // The process library only collects a killed child that has already gone; a zombie would outlive
    // the run.
    ::waitpid(child.id(), nullptr, 0);
}
} // namespace

void NastranProcess::setHostCancel(std::function<bool()> cancelRequested)
{
    hostCancelForNewProcesses() = std::move(cancelRequested);
}

NastranProcess::NastranProcess() : m_pImpl(std::make_unique<Impl>())
{
    m_pImpl->m_cancelRequested = hostCancelForNewProcesses();
}

NastranProcess::~NastranProcess() = default;

EResult NastranProcess::run(ut::IReporter& reporter)
{
    Impl& impl = *m_pImpl;
    try
    {
        impl.initLogFilter();
        cma::ProgressMeter meter;
        ProgressEmulator progress(meter);

        OdString executable;
        if (!ut::getEnvironment(OdString(kPathVariable), executable) || executable.isEmpty())
        {
            const NastranSearcher searcher;
            if (!searcher.found())
            {
                reporter.report(eRpt_NastranNotFoundCustom, searcher.errorMessage());
                return eSolverNotFound;
            }
            executable = searcher.executable();
        }

        const auto cancelRequested = [&impl] { return impl.m_cancelRequested && impl.m_cancelRequested(); };
        if (cancelRequested())
        {
            impl.m_cancelled = true;
            ca::prompt(translate(L"Nastran run cancelled before it started"));
            return eSolverFailed;
        }

        const OdString command = impl.commandLine(executable);
        ca::prompt(OdString().format(translate(L"Running Nastran: %ls").c_str(), command.c_str()));
        ca::prompt(
            OdString().format(translate(L"Working directory: %ls").c_str(), impl.m_workingDirectory.c_str()));

        const auto echo = [&impl](const std::string& line)
        {
            if (impl.m_lineFilter(line))
                ca::prompt(OdString(line.c_str()));
            impl.m_lineHandler(line);
        };
        LogFollower log(logPath(impl.m_inputFile));

        namespace bp = boost::process;
        // The solver has a window of its own on the host's home platform; here its console output is
        // dropped, so that only the echoed log reaches the host's command line.
        const bp::environment environment = boost::this_process::environment();
        bp::child child(OdAnsiString(command).str(),
                        bp::start_dir = ut::convFileNameToMB(impl.m_workingDirectory), environment,
                        bp::std_in<bp::null, bp::std_out> bp::null, bp::std_err > bp::null);
        while (child.running())
        {
            ca::yieldToEventLoop();
            log.read(false, echo);
            if (cancelRequested())
            {
                impl.m_cancelled = true;
                endCancelledChild(child);
                break;
            }
            child.wait_for(kPollInterval);
            progress.advance();
        }
        if (!impl.m_cancelled)
            progress.finish();
        log.read(true, echo);
        if (impl.m_cancelled)
            ca::prompt(translate(L"Nastran run cancelled"));
        ca::print(L"\n");
        child.wait();
        impl.m_exitCode = child.exit_code();
    }
    catch (const std::exception& error)
    {
        const OdString text(error.what());
        reporter.report(eRpt_NastranNotFoundCustom, text);
        ca::prompt(text);
        return eSolverFailed;
    }
    catch (...)
    {
        const OdString text(L"unknown error");
        reporter.report(eRpt_NastranNotFoundCustom, text);
        ca::prompt(text);
        return eSolverFailed;
    }
    return !impl.m_cancelled && impl.m_analysisComplete && impl.m_completionCodeRead &&
                   impl.m_completionCode == 0
               ? eOk
               : eSolverFailed;
}

} // namespace cae_core
