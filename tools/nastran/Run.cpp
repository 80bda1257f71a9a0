#include "tools/nastran/Run.h"

#include "tools/nastran/Analysis.h"
#include "tools/nastran/Deck.h"
#ifdef NASTRAN_DISTRIBUTED
#include "tools/nastran/Distributed.h"
#endif
#include "tools/nastran/F06.h"
#include "tools/nastran/Threads.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

namespace nastran
{
namespace
{

/// Keywords of the solver's option table; any of them may appear on the command line.
constexpr std::array<const char*, 71> kKeywords = {"append",        "casi",       "cpumax",
                                                   "currdir",       "delete",     "delivery",
                                                   "diag",          "diaga",      "diagb",
                                                   "dml",           "dmpmem",     "executable",
                                                   "expjid",        "extdefault", "f04",
                                                   "f06",           "gmconn",     "ishellext",
                                                   "ishellpath",    "jid",        "jidpath",
                                                   "jidtype",       "locbulk",    "lsymbol",
                                                   "matrix",        "maxelapsed", "maximumcpu",
                                                   "maxlines",      "memory",     "memorydefault",
                                                   "memorymaximum", "metime",     "mnfwriteoptions",
                                                   "ncmd",          "news",       "nice",
                                                   "nlines",        "notify",     "old",
                                                   "oldtypes",      "out",        "parallel",
                                                   "post",          "pre",        "processor",
                                                   "punch",         "radlst",     "rcf",
                                                   "rcurrdir",      "rdelivery",  "rdml",
                                                   "repinfo",       "repsym",     "repwidth",
                                                   "rexecutable",   "rgmconn",    "rsdl",
                                                   "scr300",        "scr300del",  "sdl",
                                                   "smp",           "solve",      "symbol",
                                                   "system",        "t3skew",     "tetraar",
                                                   "trans",         "uds",        "udssave",
                                                   "version",       "xdbold"};

/// Size of the output file buffer: large writes keep the f06 of a big model cheap.
constexpr std::size_t kOutputBuffer = 1 << 20;
constexpr double kWordBytes = 8.0;

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

class Log
{
public:
    /// Writes to `path`, or nowhere when it is empty (the processes that only share the solution).
    explicit Log(const std::string& path) : m_start(clock::now())
    {
        if (!path.empty())
            m_file.open(path, std::ios::out | std::ios::trunc);
    }
    bool good() const { return m_file.good(); }
    void write(const std::string& text)
    {
        if (!m_file.is_open())
            return;
        const std::time_t now = std::time(nullptr);
        std::tm tm{};
        localtime_r(&now, &tm);
        const double elapsed = std::chrono::duration<double>(clock::now() - m_start).count();
        std::size_t start = 0;
        while (start <= text.size())
        {
            std::size_t nl = text.find('\n', start);
            if (nl == std::string::npos)
                nl = text.size();
            char prefix[64];
            std::snprintf(prefix, sizeof prefix, " %02d:%02d:%02d %9.2f  ", tm.tm_hour, tm.tm_min, tm.tm_sec,
                          elapsed);
            m_file << prefix << text.substr(start, nl - start) << '\n';
            start = nl + 1;
        }
        // The caller reads the log while the program runs: every line must reach the file at once.
        m_file.flush();
    }

private:
    using clock = std::chrono::steady_clock;
    std::ofstream m_file;
    clock::time_point m_start;
};

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw FatalError(eFatalFile, "the deck " + path + " cannot be opened");
    std::ostringstream s;
    s << in.rdbuf();
    if (in.bad())
        throw FatalError(eFatalFile, "the deck " + path + " cannot be read");
    return s.str();
}

/// Writes the f06 under a temporary name and renames it, so that no half-written file is left with
/// the final name.
template <class Fill> void writeF06(const std::string& path, const CaseControl& cc, Fill fill)
{
    const std::string temporary = path + ".part";
    {
        std::vector<char> buffer(kOutputBuffer);
        std::ofstream out;
        out.rdbuf()->pubsetbuf(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        out.open(temporary, std::ios::out | std::ios::trunc | std::ios::binary);
        if (!out)
            throw FatalError(eFatalFile, "the results file " + path + " cannot be created");
        F06Writer w(out, cc, todayStamp() + "  CAE NASTRAN  1.0");
        fill(w);
        out.flush();
        if (!out)
            throw FatalError(eFatalFile, "the results file " + path + " cannot be written");
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec)
        throw FatalError(eFatalFile, "the results file " + path + " cannot be written: " + ec.message());
}

} // namespace

double parseMemory(const std::string& text)
{
    std::size_t used = 0;
    double v = 0.0;
    try
    {
        v = std::stod(text, &used);
    }
    catch (const std::exception&)
    {
        return -1.0;
    }
    const std::string unit = lower(text.substr(used));
    const double scale = unit == ""     ? kWordBytes
                         : unit == "b"  ? 1.0
                         : unit == "kb" ? 1024.0
                         : unit == "mb" ? 1048576.0
                         : unit == "gb" ? 1073741824.0
                         : unit == "kw" ? 1024.0 * kWordBytes
                         : unit == "mw" ? 1048576.0 * kWordBytes
                         : unit == "gw" ? 1073741824.0 * kWordBytes
                                        : -1.0;
    if (scale < 0.0 || !(v > 0.0))
        return -1.0;
    return v * scale;
}

int parseThreads(const std::string& text)
{
    int count = -1;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        return -1;
    return count;
}

CommandLine parseCommandLine(const std::vector<std::string>& args)
{
    CommandLine cl;
    std::size_t i = 0;
    if (i < args.size())
    {
        std::string deck = args[i++];
        // A quoted path that reached us split at its blanks is joined back.
        if (!deck.empty() && deck.front() == '"')
        {
            while ((deck.size() < 2 || deck.back() != '"') && i < args.size())
                deck += " " + args[i++];
            deck = deck.substr(1, deck.size() >= 2 && deck.back() == '"' ? deck.size() - 2 : deck.size() - 1);
        }
        cl.deck = deck;
    }
    for (; i < args.size(); ++i)
    {
        const std::string& a = args[i];
        const std::size_t eq = a.find('=');
        const std::string key = lower(a.substr(0, eq));
        const std::string value = eq == std::string::npos ? std::string() : a.substr(eq + 1);
        auto readCount = [&](int& count, const char* what)
        {
            const int n = parseThreads(value);
            if (n < 0)
                cl.errors.push_back("the command line keyword " + a + " is not a number of " + what);
            else
                count = n;
        };
        if (key == "dmp")
            readCount(cl.processes, "processes (a whole number)");
        else if (key == "hosts")
            cl.hosts = value;
        else if (key == "sdirectory")
            cl.scratch = value;
        else if (std::find(kKeywords.begin(), kKeywords.end(), key) == kKeywords.end())
            cl.notes.push_back("UNKNOWN KEYWORD " + a + " IGNORED");
        else if (key == "memorymaximum")
        {
            const double bytes = parseMemory(value);
            if (bytes < 0.0)
                cl.errors.push_back("the command line keyword memorymaximum=" + value +
                                    " is not an amount of memory (such as 16GB, 512MB or 100MW)");
            else
            {
                cl.memoryLimit = bytes;
                cl.notes.push_back("MEMORY LIMIT OF THE FACTOR: " + value);
            }
        }
        else if (key == "matrix" && !value.empty())
            cl.matrixFile = value;
        else if (key == "smp" || key == "parallel")
            readCount(cl.threads, "threads (a whole number, 0 for one per processor)");
        else
            cl.notes.push_back("KEYWORD " + a + " HAS NO EFFECT ON THIS PROGRAM");
    }
    return cl;
}

namespace
{

/// The f06 of a completed run.
void writeResults(const std::string& f06Path, const Model& model, const std::vector<Note>& notes,
                  const Results& results)
{
    writeF06(f06Path, model.caseControl,
             [&](F06Writer& w)
             {
                 w.caseControlEcho();
                 if (model.caseControl.echo == "UNSORT" || model.caseControl.echo == "SORT" ||
                     model.caseControl.echo == "BOTH")
                     w.bulkDataEcho(model.bulkLines);
                 w.modelSummary(model);
                 w.messages(notes);
                 if (model.caseControl.printDisplacements)
                     w.displacements(results);
                 if (model.caseControl.printStresses)
                 {
                     w.tetraStresses(results);
                     w.triaStresses(results);
                 }
                 // After the stresses: a reader that takes every grid row after the displacement
                 // title for a displacement, up to the stress table, is not misled by them.
                 w.constraintForces(results, false);
                 w.constraintForces(results, true);
                 w.summaryTable(true);
                 w.endOfJob();
             });
}

/// The messages of a failed reading, a line each, as one fatal error's text.
std::string joinLines(const std::vector<std::string>& lines)
{
    std::string all;
    for (std::size_t k = 0; k < lines.size(); ++k)
        all += (k ? "\n" : "") + lines[k];
    return all;
}

/// The run's keywords as it takes them, at the head of the log.
void logSettings(Log& log, const CommandLine& cl, const Sharing* sharing)
{
    log.write("CAE NASTRAN 1.0: LINEAR STATICS OF " + cl.deck);
    for (const auto& n : cl.notes)
        log.write(n);
    if (sharing)
        for (const auto& n : sharing->notes)
            log.write(n);
    if (cl.errors.empty())
        log.write("THREADS: " + std::to_string(useThreads(sharing ? sharing->threads : cl.threads)));
}

/// Reads, solves and prints the deck, keeping its case control in `caseControl`. 0, also for a rank
/// whose share of a distributed run is done.
int solveDeck(const CommandLine& cl, const Sharing* sharing, Log& log, const std::string& f06Path,
              CaseControl& caseControl)
{
    if (!cl.errors.empty())
        throw FatalError(eFatalInput, joinLines(cl.errors));
    log.write("READING DECK");
    DeckReadResult read = readDeck(readFile(cl.deck));
    caseControl = read.model.caseControl;
    if (!read.errors.empty())
    {
        std::vector<std::string> texts;
        for (const auto& error : read.errors)
            texts.push_back(error.text);
        throw FatalError(eFatalInput, joinLines(texts));
    }
    log.write("READ " + std::to_string(read.model.grids.size()) + " GRIDS, " +
              std::to_string(read.model.elements.size()) + " ELEMENTS");
    // Moved, not copied: a large model's arrays are a fair share of the run's peak memory.
    const Analysis::Progress progress = [&](const std::string& s) { log.write(s); };
    Analysis analysis(std::move(read.model), progress);
    Results results;
    if (sharing)
    {
        std::optional<Results> shared = analysis.runShared(sharing->solver(progress));
        if (!shared)
            return 0;
        results = std::move(*shared);
    }
    else
        results = analysis.run(cl.memoryLimit, cl.matrixFile);
    for (const Note& n : analysis.notes())
        log.write((n.warning ? "WARNING: " : "NOTE: ") + n.text);
    char residual[64];
    std::snprintf(residual, sizeof residual, "%.3E", results.relativeResidual);
    log.write(std::string("RELATIVE RESIDUAL OF THE SOLUTION ") + residual);
    log.write("WRITING RESULTS " + f06Path);
    writeResults(f06Path, analysis.model(), analysis.notes(), results);
    log.write("Analysis complete 0");
    return 0;
}

/// A fatal error in the log and, when the printout can still be written, in the f06; its exit code.
int reportFatal(const FatalError& e, Log& log, const std::string& f06Path, const CaseControl& caseControl)
{
    const int code = e.code;
    const std::string text = e.what();
    log.write("FATAL ERROR:\n" + text);
    try
    {
        writeF06(f06Path, caseControl,
                 [&](F06Writer& w)
                 {
                     w.caseControlEcho();
                     w.fatal(text);
                     w.summaryTable(false);
                     w.endOfJob();
                 });
    }
    catch (const FatalError& f)
    {
        log.write(std::string("FATAL ERROR:\n") + f.what());
    }
    log.write("Analysis complete " + std::to_string(code));
    return code;
}

} // namespace

int runProgram(const std::vector<std::string>& args)
{
    CommandLine cl = parseCommandLine(args);
    if (cl.deck.empty())
    {
        std::cerr << "usage: nastran <deck> [keyword=value ...]\n";
        return eFatalInput;
    }
#ifdef NASTRAN_DISTRIBUTED
    if (cl.errors.empty() && (cl.processes > 1 || startedByMpirun()))
        return runDistributed(cl, args);
#else
    if (cl.processes > 1)
        cl.notes.push_back("KEYWORD dmp=" + std::to_string(cl.processes) +
                           " HAS NO EFFECT: THIS PROGRAM IS BUILT WITHOUT MPI");
#endif
    return runDeck(cl, nullptr);
}

int runDeck(const CommandLine& cl, const Sharing* sharing)
{
    const bool root = !sharing || sharing->root;
    const std::filesystem::path deck(cl.deck);
    std::filesystem::path base = deck;
    base.replace_extension();
    const std::string logPath = base.string() + ".log";
    const std::string f06Path = base.string() + ".f06";
    Log log(root ? logPath : std::string());
    if (!log.good())
    {
        std::cerr << "cannot write the log " << logPath << "\n";
        return eFatalFile;
    }
    logSettings(log, cl, sharing);

    // The case control outlives the model, which the analysis takes over: a fatal error's printout
    // echoes it.
    CaseControl caseControl;
    try
    {
        return solveDeck(cl, sharing, log, f06Path, caseControl);
    }
    catch (const FatalError& e)
    {
        return root ? reportFatal(e, log, f06Path, caseControl) : e.code;
    }
    catch (const std::bad_alloc&)
    {
        log.write("FATAL ERROR:\nnot enough memory");
        log.write("Analysis complete " + std::to_string(eFatalMemory));
        return eFatalMemory;
    }
    catch (const std::exception& e)
    {
        log.write(std::string("FATAL ERROR:\n") + e.what());
        log.write("Analysis complete " + std::to_string(eFatalInternal));
        return eFatalInternal;
    }
}

} // namespace nastran
