#include "tools/nastran/Distributed.h"

#include "tools/nastran/Assembly.h"
#include "tools/nastran/Dofs.h"
#include "tools/nastran/Factor.h"
#include "tools/nastran/Threads.h"

#include <dmumps_c.h>
#include <mpi.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>

extern char** environ;

namespace nastran
{
namespace
{

int processRank()
{
    int rank = 0;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    return rank;
}

int processCount()
{
    int size = 1;
    MPI_Comm_size(MPI_COMM_WORLD, &size);
    return size;
}

/// Ends every process with the same fatal error when any of them met one: the largest code, and the
/// texts of the processes that failed, the first process's first, each text once.
void agree(const std::optional<FatalError>& mine)
{
    const int code = mine ? mine->code : 0;
    int worst = 0;
    MPI_Allreduce(&code, &worst, 1, MPI_INT, MPI_MAX, MPI_COMM_WORLD);
    if (worst == 0)
        return;
    const std::string text = mine ? mine->what() : "";
    const int length = static_cast<int>(text.size());
    std::vector<int> lengths(static_cast<std::size_t>(processCount())), starts(lengths.size(), 0);
    MPI_Allgather(&length, 1, MPI_INT, lengths.data(), 1, MPI_INT, MPI_COMM_WORLD);
    for (std::size_t r = 1; r < lengths.size(); ++r)
        starts[r] = starts[r - 1] + lengths[r - 1];
    std::string all(static_cast<std::size_t>(starts.back() + lengths.back()), ' ');
    MPI_Allgatherv(text.data(), length, MPI_CHAR, all.data(), lengths.data(), starts.data(), MPI_CHAR,
                   MPI_COMM_WORLD);
    std::vector<std::string> texts;
    for (std::size_t r = 0; r < lengths.size(); ++r)
    {
        std::string t = all.substr(static_cast<std::size_t>(starts[r]), static_cast<std::size_t>(lengths[r]));
        if (!t.empty() && std::find(texts.begin(), texts.end(), t) == texts.end())
            texts.push_back(std::move(t));
    }
    std::string joined;
    for (const auto& t : texts)
        joined += (joined.empty() ? "" : "\n") + t;
    throw FatalError(worst, joined);
}

/// Runs one step that any process may fail, then lets all of them agree on the outcome: a process that
/// failed alone must not leave the others waiting for it in the next collective call.
template <class Step> void together(Step step)
{
    std::optional<FatalError> failure;
    try
    {
        step();
    }
    catch (const FatalError& e)
    {
        failure = e;
    }
    catch (const std::bad_alloc&)
    {
        failure =
            FatalError(eFatalMemory, "not enough memory on process " + std::to_string(processRank() + 1));
    }
    catch (const std::exception& e)
    {
        failure = FatalError(eFatalInternal, e.what());
    }
    agree(failure);
}

/// MUMPS's sizes of real entries: negative ones count millions.
double mumpsEntries(MUMPS_INT value)
{
    return value >= 0 ? static_cast<double>(value) : -1e6 * static_cast<double>(value);
}

std::string count(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.0f", v);
    return text;
}

std::string flops(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3E", v);
    return text;
}

/// One MUMPS instance on every process, ended (collectively) with them.
class Mumps
{
public:
    /// `sym` 1: symmetric positive definite; 2: general symmetric.
    explicit Mumps(MUMPS_INT sym)
    {
        m_id.comm_fortran = static_cast<MUMPS_INT>(MPI_Comm_c2f(MPI_COMM_WORLD));
        m_id.par = 1; // the first process works too
        m_id.sym = sym;
        call(-1, "initialisation");
        // Messages go to the log through the program, not to the terminal.
        icntl(1) = -1;
        icntl(2) = -1;
        icntl(3) = -1;
        icntl(4) = 0;
        icntl(18) = 3; // every process gives its own entries
    }
    ~Mumps()
    {
        m_id.job = -2;
        dmumps_c(&m_id);
    }
    Mumps(const Mumps&) = delete;
    Mumps& operator=(const Mumps&) = delete;

    MUMPS_INT& icntl(int i) { return m_id.icntl[i - 1]; }
    MUMPS_INT info(int i) const { return m_id.info[i - 1]; }
    MUMPS_INT infog(int i) const { return m_id.infog[i - 1]; }
    double rinfo(int i) const { return m_id.rinfo[i - 1]; }
    double rinfog(int i) const { return m_id.rinfog[i - 1]; }
    DMUMPS_STRUC_C& id() { return m_id; }

    /// Runs a phase; every process gets the same INFOG(1), so all of them throw alike.
    void call(int job, const char* phase)
    {
        m_id.job = job;
        dmumps_c(&m_id);
        const MUMPS_INT status = m_id.infog[0];
        if (status >= 0)
            return;
        const std::string detail = " (MUMPS " + std::string(phase) +
                                   ": INFOG(1) = " + std::to_string(status) +
                                   ", INFOG(2) = " + std::to_string(m_id.infog[1]) + ")";
        if (status == -10)
            throw FatalError(eFatalModel,
                             "the model is singular (a mechanism): the factorisation met a pivot "
                             "that is not positive" +
                                 detail);
        if (status == -8 || status == -9 || status == -13 || status == -14 || status == -15 ||
            status == -17 || status == -19 || status == -20)
            throw FatalError(eFatalMemory, "not enough memory for the factor" + detail);
        if (status <= -90)
            throw FatalError(eFatalFile,
                             "the factor cannot be kept on disk in " + std::string(m_id.ooc_tmpdir) + detail);
        throw FatalError(eFatalInternal, "the factorisation failed" + detail);
    }

private:
    DMUMPS_STRUC_C m_id{};
};

/// Lines "PROCESS r: ..." on the first process, one per process, from each one's values.
void logPerProcess(const Analysis::Progress& progress, const std::vector<double>& mine,
                   const std::function<std::string(const std::vector<double>&)>& describe)
{
    const int n = static_cast<int>(mine.size());
    std::vector<double> all(mine.size() * static_cast<std::size_t>(processCount()));
    MPI_Gather(mine.data(), n, MPI_DOUBLE, all.data(), n, MPI_DOUBLE, 0, MPI_COMM_WORLD);
    if (processRank() != 0)
        return;
    for (int r = 0; r < processCount(); ++r)
        progress("PROCESS " + std::to_string(r + 1) + ": " +
                 describe(std::vector<double>(all.begin() + r * n, all.begin() + (r + 1) * n)));
}

// What the analysis predicts and the factorisation spent, per process and in all, so that the cost of
// a run on more processes can be estimated from one on a few: elimination flops, factor entries, fronts
// and memory. MUMPS gives memory in MB (10^6 bytes).
void logAnalysisStatistics(const Analysis::Progress& progress, const Mumps& mumps)
{
    logPerProcess(progress,
                  {mumps.rinfo(1), static_cast<double>(mumps.info(15)), static_cast<double>(mumps.info(17))},
                  [](const std::vector<double>& v)
                  {
                      return "PREDICTED ELIMINATION " + flops(v[0]) + " FLOPS, " + count(v[1]) +
                             " MB WITH THE FACTOR IN MEMORY, " + count(v[2]) + " MB WITH IT ON DISK";
                  });
    if (processRank() == 0)
        progress("ALL PROCESSES: PREDICTED ELIMINATION " + flops(mumps.rinfog(1)) + " FLOPS, FACTOR " +
                 count(mumpsEntries(mumps.infog(3))) + " REAL AND " + count(mumpsEntries(mumps.infog(4))) +
                 " INTEGER ENTRIES, LARGEST FRONT " + count(mumps.infog(5)) + ", FACTOR IN MEMORY " +
                 count(mumps.infog(17)) + " MB (LARGEST PROCESS " + count(mumps.infog(16)) +
                 " MB), ON DISK " + count(mumps.infog(27)) + " MB (LARGEST PROCESS " +
                 count(mumps.infog(26)) + " MB)");
}

void logFactorStatistics(const Analysis::Progress& progress, const Mumps& mumps)
{
    logPerProcess(progress, {mumps.rinfo(3), mumps.rinfo(2), static_cast<double>(mumps.info(16))},
                  [](const std::vector<double>& v)
                  {
                      return "ELIMINATION " + flops(v[0]) + " FLOPS, ASSEMBLY " + flops(v[1]) + " FLOPS, " +
                             count(v[2]) + " MB ALLOCATED";
                  });
    if (processRank() == 0)
        progress("ALL PROCESSES: ELIMINATION " + flops(mumps.rinfog(3)) + " FLOPS, FACTOR " +
                 count(mumpsEntries(mumps.infog(9))) + " REAL AND " + count(mumpsEntries(mumps.infog(10))) +
                 " INTEGER ENTRIES, LARGEST FRONT " + count(mumps.infog(11)) + ", ALLOCATED " +
                 count(mumps.infog(19)) + " MB (LARGEST PROCESS " + count(mumps.infog(18)) + " MB), USED " +
                 count(mumps.infog(22)) + " MB (LARGEST PROCESS " + count(mumps.infog(21)) + " MB)");
}

/// MUMPS sizes its workspace from the analysis's estimate plus a margin (ICNTL(14), percent), which
/// the dynamic scheduling among several processes can outgrow on a large model (INFOG(1) -8 or -9, the
/// same on every process); factorising again with the margin doubled is MUMPS's own remedy.
void factorise(Mumps& mumps, const std::function<void(const std::string&)>& log)
{
    constexpr int kAttempts = 4;
    for (int attempt = 1;; ++attempt)
    {
        try
        {
            mumps.call(2, "factorisation");
            return;
        }
        catch (const FatalError&)
        {
            const MUMPS_INT status = mumps.infog(1);
            if ((status != -8 && status != -9) || attempt == kAttempts)
                throw;
        }
        mumps.icntl(14) = std::max<MUMPS_INT>(20, 2 * mumps.icntl(14));
        log("FACTORISING AGAIN: THE WORKSPACE WAS TOO SMALL, NOW " + std::to_string(mumps.icntl(14)) +
            "% ABOVE THE ESTIMATE");
    }
}

struct Setup
{
    double memoryLimit = 0.0;
    std::string scratch;
};

/// The matrix the processes share: each one's entries, numbered from 1 as MUMPS reads them.
struct SharedMatrix
{
    std::size_t n = 0;
    std::vector<MUMPS_INT> rows, cols;
    std::vector<double>* values = nullptr;
    double largestDiagonal = 0.0;
};

/// Factorises the shared matrix and solves, `solution` (the load on entry) becoming the solution on the
/// first process. To look for a mechanism instead, it factorises without assuming the matrix positive
/// definite, setting aside pivots that lost ten decimal digits against the largest diagonal term, and
/// throws naming the first one's degree of freedom; it returns when there is none.
void factoriseAndSolve(const Setup& setup, const Analysis::Progress& progress, SharedMatrix& a,
                       std::vector<double>& solution, Results& results, const EquationName* mechanism)
{
    Mumps mumps(mechanism ? 2 : 1);
    DMUMPS_STRUC_C& id = mumps.id();
    id.n = static_cast<MUMPS_INT>(a.n);
    id.nnz_loc = static_cast<MUMPS_INT8>(a.rows.size());
    id.irn_loc = a.rows.data();
    id.jcn_loc = a.cols.data();
    id.a_loc = a.values->data();
    // On several processes the default margin of the workspace (ICNTL(14), 20%) was outgrown by the
    // 201,600-tetrahedron box, costing a whole factorisation before the retry; twice that sufficed.
    if (processCount() > 1)
        mumps.icntl(14) = std::max<MUMPS_INT>(mumps.icntl(14), 40);
    if (mechanism)
    {
        mumps.icntl(24) = 1;
        id.cntl[2] = -1e-10 * a.largestDiagonal;
    }
    const auto log = [&](const std::string& s)
    {
        if (!mechanism)
            progress(s);
    };
    log("ORDERING AND ANALYSIS (MUMPS)");
    mumps.call(1, "analysis");
    if (!mechanism)
    {
        logPerProcess(
            progress, {mumpsEntries(mumps.info(3)), static_cast<double>(mumps.info(15))},
            [](const std::vector<double>& v)
            { return "PREDICTED FACTOR " + count(v[0]) + " ENTRIES, " + count(v[1]) + " MB IN MEMORY"; });
        logAnalysisStatistics(progress, mumps);
    }
    const double factorBytes = 8.0 * mumpsEntries(mumps.infog(3));
    if (setup.memoryLimit > 0.0 && factorBytes > setup.memoryLimit)
    {
        if (setup.scratch.size() >= sizeof id.ooc_tmpdir)
            throw FatalError(eFatalInput, "the scratch directory " + setup.scratch +
                                              " has a name longer than " +
                                              std::to_string(sizeof id.ooc_tmpdir - 1) + " characters");
        std::strncpy(id.ooc_tmpdir, setup.scratch.c_str(), sizeof id.ooc_tmpdir - 1);
        mumps.icntl(22) = 1;
        char size[32];
        std::snprintf(size, sizeof size, "%.1f MB", factorBytes / 1048576.0);
        log(std::string("OUT OF CORE: THE PREDICTED FACTOR OF ") + size +
            " EXCEEDS THE MEMORY LIMIT; IT IS KEPT IN " + setup.scratch);
    }
    log("FACTORISING (MUMPS)");
    factorise(mumps, log);
    if (mechanism)
    {
        if (mumps.infog(28) <= 0)
            return;
        // Only the first process has the list: it tells the others which equation to name.
        int first = processRank() == 0 ? id.pivnul_list[0] - 1 : 0;
        MPI_Bcast(&first, 1, MPI_INT, 0, MPI_COMM_WORLD);
        throw FatalError(eFatalModel, "the model is singular (a mechanism): " +
                                          (*mechanism)(static_cast<std::size_t>(first)) + " is not held");
    }
    logPerProcess(progress, {mumpsEntries(mumps.info(9)), static_cast<double>(mumps.info(22))},
                  [](const std::vector<double>& v)
                  { return "FACTOR " + count(v[0]) + " ENTRIES, " + count(v[1]) + " MB USED"; });
    logFactorStatistics(progress, mumps);
    results.factorNonzeros = mumpsEntries(mumps.infog(9));
    progress("SOLVING");
    id.rhs = solution.data();
    id.nrhs = 1;
    id.lrhs = static_cast<MUMPS_INT>(a.n);
    mumps.call(3, "solution");
}

/// |K u - f| / |f| from every process's share of K (0 without load), on every process; throws
/// FatalError when it is not finite or above kResidualLimit.
double sharedResidual(const MatrixEntries& k, const std::vector<double>& rhs, const std::vector<double>& u)
{
    std::vector<double> r(rhs.size(), 0.0);
    for (std::size_t p = 0; p < k.values.size(); ++p)
    {
        const auto i = static_cast<std::size_t>(k.rows[p]), j = static_cast<std::size_t>(k.cols[p]);
        r[i] += k.values[p] * u[j];
        if (i != j)
            r[j] += k.values[p] * u[i];
    }
    MPI_Allreduce(MPI_IN_PLACE, r.data(), static_cast<int>(r.size()), MPI_DOUBLE, MPI_SUM, MPI_COMM_WORLD);
    double rn = 0.0, fn = 0.0;
    for (std::size_t q = 0; q < r.size(); ++q)
    {
        rn += (r[q] - rhs[q]) * (r[q] - rhs[q]);
        fn += rhs[q] * rhs[q];
    }
    return checkedResidual(rn, fn);
}

bool solveShared(const Setup& setup, const Analysis::Progress& progress, const Model& model,
                 const ModelIndex& index, const DofMap& dofs, std::vector<double>& rhs, Results& results)
{
    const int rank = processRank(), size = processCount();
    const bool root = rank == 0;
    const std::size_t eq = dofs.equations;
    const std::size_t elements = model.elements.size();
    const std::size_t begin = elements * static_cast<std::size_t>(rank) / static_cast<std::size_t>(size);
    const std::size_t end = elements * static_cast<std::size_t>(rank + 1) / static_cast<std::size_t>(size);
    progress("ASSEMBLING " + std::to_string(elements) + " ELEMENTS, " + std::to_string(eq) +
             " EQUATIONS ON " + std::to_string(size) + " PROCESSES");
    MatrixEntries k;
    std::vector<double> held(eq, 0.0);
    together(
        [&]
        {
            Problems problems;
            for (auto& p : assembleShare(model, index, dofs, begin, end, k, held))
                problems.add(std::move(p));
            problems.throwIfAny(eFatalInput);
        });
    // The held values' share of the right-hand side and the diagonal are the sums of every process's.
    std::vector<double> diagonal(eq, 0.0);
    for (std::size_t p = 0; p < k.values.size(); ++p)
        if (k.rows[p] == k.cols[p])
            diagonal[static_cast<std::size_t>(k.rows[p])] += k.values[p];
    const int n = static_cast<int>(eq);
    MPI_Allreduce(MPI_IN_PLACE, diagonal.data(), n, MPI_DOUBLE, MPI_SUM, MPI_COMM_WORLD);
    MPI_Allreduce(MPI_IN_PLACE, held.data(), n, MPI_DOUBLE, MPI_SUM, MPI_COMM_WORLD);
    for (std::size_t q = 0; q < eq; ++q)
        rhs[q] += held[q];
    checkDiagonal(index, dofs, diagonal); // the same on every process
    logPerProcess(
        progress,
        {static_cast<double>(begin), static_cast<double>(end), static_cast<double>(k.values.size())},
        [](const std::vector<double>& v) {
            return "ELEMENTS " + count(v[0] + 1) + " TO " + count(v[1]) + ", " + count(v[2]) +
                   " MATRIX ENTRIES";
        });
    double entries = static_cast<double>(k.values.size());
    MPI_Allreduce(MPI_IN_PLACE, &entries, 1, MPI_DOUBLE, MPI_SUM, MPI_COMM_WORLD);
    results.matrixNonzeros = static_cast<std::size_t>(entries);
    if (eq == 0)
        return root;

    SharedMatrix a;
    a.n = eq;
    a.rows.resize(k.rows.size());
    a.cols.resize(k.cols.size());
    for (std::size_t p = 0; p < a.rows.size(); ++p)
    {
        a.rows[p] = static_cast<MUMPS_INT>(k.rows[p] + 1);
        a.cols[p] = static_cast<MUMPS_INT>(k.cols[p] + 1);
    }
    a.values = &k.values;
    a.largestDiagonal = *std::max_element(diagonal.begin(), diagonal.end());
    std::vector<double> solution(rhs);
    try
    {
        factoriseAndSolve(setup, progress, a, solution, results, nullptr);
        MPI_Bcast(solution.data(), n, MPI_DOUBLE, 0, MPI_COMM_WORLD);
        results.relativeResidual = sharedResidual(k, rhs, solution);
    }
    catch (const FatalError& e)
    {
        if (e.code != eFatalModel && e.code != eFatalNumerical)
            throw;
        // Cholesky factorisation of a mechanism may end without an error, with a solution far from
        // satisfying its equations; it cannot name the degree of freedom either. A factorisation that
        // sets null pivots aside finds it.
        progress("LOOKING FOR A MECHANISM");
        const EquationName name = [&](std::size_t q) { return index.dofName(dofs.dofOfEquation[q]); };
        std::vector<double> unused(rhs);
        factoriseAndSolve(setup, progress, a, unused, results, &name);
        throw;
    }
    rhs.swap(solution);
    return root;
}

/// Threads of each process: the machine's processors shared among the processes on it.
int threadsPerProcess(int asked)
{
    if (asked > 0)
        return asked;
    const char* local = std::getenv("OMPI_COMM_WORLD_LOCAL_SIZE");
    const int here = local ? std::max(1, std::atoi(local)) : 1;
    return std::max(1, availableProcessors() / here);
}

} // namespace

bool startedByMpirun()
{
    return std::getenv("OMPI_COMM_WORLD_SIZE") != nullptr;
}

std::vector<std::string> mpirunCommand(const std::string& program, int processes, const std::string& hosts,
                                       const std::vector<std::string>& args)
{
    std::vector<std::string> command{"mpirun", "-np", std::to_string(processes)};
    if (!hosts.empty())
    {
        std::string list = hosts;
        std::replace(list.begin(), list.end(), ':', ',');
        command.insert(command.end(), {"--host", list});
    }
    command.push_back(program);
    command.insert(command.end(), args.begin(), args.end());
    return command;
}

int runDistributed(const CommandLine& cl, const std::vector<std::string>& args)
{
    if (!startedByMpirun())
    {
        std::error_code ec;
        const std::string self = std::filesystem::read_symlink("/proc/self/exe", ec).string();
        const std::vector<std::string> command = mpirunCommand(self, cl.processes, cl.hosts, args);
        std::vector<char*> argv;
        for (const auto& a : command)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        pid_t pid = 0;
        int status = 0;
        if (ec || posix_spawnp(&pid, "mpirun", nullptr, nullptr, argv.data(), environ) != 0 ||
            waitpid(pid, &status, 0) != pid)
        {
            // No process would write the log: this one tells why.
            CommandLine failed = cl;
            failed.errors.push_back("dmp=" + std::to_string(cl.processes) +
                                    " needs mpirun, which cannot be started");
            return runDeck(failed, nullptr);
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : eFatalInternal;
    }

    MPI_Init(nullptr, nullptr);
    Sharing sharing;
    sharing.root = processRank() == 0;
    sharing.threads = threadsPerProcess(cl.threads);
    if (cl.processes > 1 && cl.processes != processCount())
        sharing.notes.push_back("KEYWORD dmp=" + std::to_string(cl.processes) +
                                " OVERRIDDEN: MPIRUN STARTED " + std::to_string(processCount()) +
                                " PROCESSES");
    if (!cl.matrixFile.empty())
        sharing.notes.push_back("KEYWORD matrix=" + cl.matrixFile +
                                " HAS NO EFFECT ON A RUN OF SEVERAL PROCESSES");
    sharing.notes.push_back("PROCESSES: " + std::to_string(processCount()) + " (MUMPS)");
    Setup setup;
    setup.memoryLimit = cl.memoryLimit;
    setup.scratch = cl.scratch.empty() ? std::filesystem::path(cl.deck).parent_path().string() : cl.scratch;
    if (setup.scratch.empty())
        setup.scratch = ".";
    sharing.solver = [setup](const Analysis::Progress& progress) -> ShareSolver
    {
        return [setup, progress](const Model& model, const ModelIndex& index, const DofMap& dofs,
                                 std::vector<double>& rhs, Results& results)
        { return solveShared(setup, progress, model, index, dofs, rhs, results); };
    };
    const int code = runDeck(cl, &sharing);
    MPI_Finalize();
    return code;
}

} // namespace nastran
