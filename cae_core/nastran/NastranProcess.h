#pragma once

#include "cae_core/core/Result.h"
#include "host/cma/ProgressMeter.h"
#include "platform/base/OdString.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ut
{
class IReporter;
}

namespace cae_core
{

/// How createWorkingFolder names the folders it makes.
enum EWorkingFolderNaming
{
    /// "CAE_" and the time stamp; a folder of that name that already exists is reused (the default).
    eWorkingFolderTimeStamp,
    /// "CAE_", the time stamp, "_" and six characters chosen the way mkdtemp does, so that runs that start
    /// in the same millisecond, in one process or several, never share a folder.
    eWorkingFolderUnique
};

/// Chooses the naming of the working folders made from now on, for the whole process; the host sets it
/// once at start-up.
void setWorkingFolderNaming(EWorkingFolderNaming naming);
EWorkingFolderNaming workingFolderNaming();

/// Creates a fresh working folder for one solver run: "CAE_" and the current time in whole milliseconds
/// since 1970 ("CAE_%lld"), under the host's temporary folder. A folder of that name that already exists
/// is reused unless the naming is eWorkingFolderUnique; the module never removes it. Returns the folder's
/// full path, empty when it cannot be created.
OdString createWorkingFolder();

/// Shows a progress bar for a run whose length is unknown: the bar climbs quickly at first and approaches
/// 100 without reaching it, 100 - 100 e^t with t lowered by kStep at each step (about 39 after 1000
/// steps, 90 after 4600).
class ProgressEmulator
{
public:
    static constexpr double kStep = 0.0005;

    /// Starts `meter` (which must outlive the emulator) with 100 steps and an empty title.
    explicit ProgressEmulator(cma::ProgressMeter& meter);
    /// Stops the meter; a failure to stop is swallowed, since this also runs while unwinding.
    virtual ~ProgressEmulator();
    ProgressEmulator(const ProgressEmulator&) = delete;
    ProgressEmulator& operator=(const ProgressEmulator&) = delete;

    /// One step of the emulation.
    void advance();
    /// Shows the end of the run: 100.
    void finish();

private:
    cma::ProgressMeter& m_meter;
    double m_t = 0.0;
};

/// Runs the external solver on a deck as a child process: echoes the solver's log to the host's command
/// line while it grows, keeps the host responsive, shows an emulated progress bar, and judges the run by
/// the completion line of the log ("... Analysis complete <code>"), not by the child's exit code.
///
/// Configure through impl() (input file, working directory, options), then run() once.
///
/// A run can be stopped from outside through the host's cancel (m_cancelRequested); a host that never
/// sets one gets runs that always go to the solver's end.
class NastranProcess
{
public:
    /// How long a cancelled solver may take to end after it was asked to terminate, before it is killed.
    static constexpr std::chrono::milliseconds kTerminateGrace{2000};

    /// The solver keywords that may be passed on the command line as keyword=value; the numbers are fixed.
    enum EOption : std::int32_t
    {
        eAppend = 0,
        eCasi,
        eCpumax,
        eCurrdir,
        eDelete,
        eDelivery,
        eDiag,
        eDiaga,
        eDiagb,
        eDml,
        eDmpmem,
        eExecutable,
        eExpjid,
        eExtdefault,
        eF04,
        eF06,
        eGmconn,
        eIshellext,
        eIshellpath,
        eJid,
        eJidpath,
        eJidtype,
        eLocbulk,
        eLsymbol,
        eMaxelapsed,
        eMaximumcpu,
        eMaxlines,
        eMemory,
        eMemorydefault,
        eMemorymaximum,
        eMetime,
        eMnfwriteoptions,
        eNcmd,
        eNews,
        eNice,
        eNlines,
        eNotify,
        eOld,
        eOldtypes,
        eOut,
        ePost,
        ePre,
        eProcessor,
        ePunch,
        eRadlst,
        eRcf,
        eRcurrdir,
        eRdelivery,
        eRdml,
        eRepinfo,
        eRepsym,
        eRepwidth,
        eRexecutable,
        eRgmconn,
        eRsdl,
        eScr300,
        eScr300del,
        eSdl,
        eSolve,
        eSymbol,
        eSystem,
        eT3skew,
        eTetraar,
        eTrans,
        eUds,
        eUdssave,
        eVersion,
        eXdbold
    };

    /// The keyword of an option ("memorymaximum" for eMemorymaximum); empty for a number outside the table.
    static OdString keyword(EOption option);

    /// Environment variable that, when set and not empty, is the executable command, used verbatim.
    static constexpr const char* kPathVariable = "CAE_NASTRAN_PATH";

    struct Impl
    {
        /// Full path of the deck; the solver's log is this path with the extension "log".
        OdString m_inputFile;
        /// The folder the solver runs in.
        OdString m_workingDirectory;
        std::map<EOption, OdString> m_options;
        /// "keyword=value" texts appended after the options, in order.
        std::vector<OdString> m_extraKeywords;
        /// Decides which log lines are echoed (UTF-8 text without the line end).
        std::function<bool(const std::string&)> m_lineFilter;
        /// Sees every log line. The one initLogFilter installs throws std::invalid_argument or
        /// std::out_of_range, with a text naming the log and the line, for a completion line whose code
        /// is no 32-bit number.
        std::function<void(const std::string&)> m_lineHandler;
        /// Asked before the solver starts and once per polling cycle whether the host wants the run
        /// stopped; when it answers true the solver is not started or is ended (asked to terminate, and
        /// killed after kTerminateGrace), and run() gives eSolverFailed. Empty: the run is never stopped.
        /// The constructor takes the one set by setHostCancel.
        std::function<bool()> m_cancelRequested;
        /// Whether run() ended the solver because of the host's cancel.
        bool m_cancelled = false;
        bool m_analysisComplete = false;
        bool m_completionCodeRead = false;
        std::int32_t m_completionCode = 0;
        std::int32_t m_exitCode = std::numeric_limits<std::int32_t>::min();

        /// Installs the filter (every line is echoed) and the handler that looks for the completion line.
        void initLogFilter();
        /// The executable, the quoted input file, then " keyword=value" per option in option order, then
        /// the extra keywords.
        OdString commandLine(const OdString& executable) const;
    };

    /// The host's cancel for the processes created from now on (empty, the default: none), for the whole
    /// process; the host sets it once at start-up.
    static void setHostCancel(std::function<bool()> cancelRequested);

    NastranProcess();
    virtual ~NastranProcess();
    NastranProcess(const NastranProcess&) = delete;
    NastranProcess& operator=(const NastranProcess&) = delete;

    Impl& impl() { return *m_pImpl; }
    const Impl& impl() const { return *m_pImpl; }

    /// Runs the solver and waits for it. eOk when the log reported completion code 0; eSolverNotFound
    /// (reported as eRpt_NastranNotFoundCustom on `reporter`) when no executable is known; eSolverFailed
    /// when the run did not report a clean completion, was cancelled, or the process could not be started
    /// or waited for.
    EResult run(ut::IReporter& reporter);

private:
    std::unique_ptr<Impl> m_pImpl;
};

/// The completion code of a log line that reports the end of the analysis: a line matching
/// ".*Analysis complete *[\-0-9]+" as a whole. False for any other line. A number that does not convert
/// (a lone "-", too many digits) throws std::invalid_argument or std::out_of_range, as std::stoi does,
/// with a message naming the text that would not convert.
bool parseCompletionLine(std::string_view line, std::int32_t& code);

} // namespace cae_core
