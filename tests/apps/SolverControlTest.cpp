// `cae task3d` around its solver program: a stuck solver under a time limit, a signal to `cae` during
// the run, what becomes of the working folder, and report lines that reach a pipe while the run goes on.
#include "TestSupport.h"

#include <rapidjson/document.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using cae_app_test::slurp;
using cae_app_test::spit;
using cae_app_test::TempDir;

namespace
{
/// Long enough for any meshing and solving these small tasks need on a loaded machine; only a runaway
/// takes longer.
constexpr auto kGenerous = std::chrono::seconds(120);

/// A bar of 10 x 2 x 2 mm, fixed at one end and pushed at the other, that meshes in a moment.
constexpr const char* kBoxTask =
    R"({"drawing": {"insunits": "millimeters", "modelling": "si"},
        "solid": {"box": {"corner": [0, 0, 0], "size": [10, 2, 2]}},
        "material": {"name": "steel", "youngsModulus": 2.1e11, "poissonRatio": 0.3},
        "meshing": {"fineness": 20},
        "features": [{"fix": {"faces": [{"point": [0, 1, 1]}]}},
                     {"pressure": {"magnitude": 1000000, "units": "Pa", "faces": [{"point": [10, 1, 1]}]}}]})";

/// A solver that never ends: it writes its process id into the log, which the module echoes, and sleeps.
constexpr const char* kStuckSolver = "#!/bin/sh\n"
                                     "log=\"${1%.dat}.log\"\n"
                                     "echo \"pid $$\" > \"$log\"\n"
                                     "exec sleep 600\n";

/// `cae` started with its own environment additions, its standard output into a pipe (or a file) and its
/// standard error into a file, in a process group of its own, which is killed at the end with whatever
/// `cae` left behind.
class CaeProcess
{
public:
    CaeProcess(const std::vector<std::string>& args, const std::vector<std::string>& environment,
               const fs::path& errFile, std::optional<fs::path> outFile = std::nullopt)
    {
        int pipeFds[2] = {-1, -1};
        if (!outFile)
        {
            EXPECT_EQ(::pipe(pipeFds), 0);
        }
        m_pid = ::fork();
        if (m_pid == 0)
        {
            ::setpgid(0, 0);
            const int out =
                outFile ? ::open(outFile->c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644) : pipeFds[1];
            const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(out, STDOUT_FILENO);
            ::dup2(err, STDERR_FILENO);
            if (!outFile)
                ::close(pipeFds[0]);
            for (const auto& e : environment)
                ::putenv(const_cast<char*>(e.c_str()));
            std::vector<char*> argv{const_cast<char*>(CAE_PROGRAM), const_cast<char*>("task3d")};
            for (const auto& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(CAE_PROGRAM, argv.data());
            ::_exit(127);
        }
        if (!outFile)
        {
            ::close(pipeFds[1]);
            m_out = pipeFds[0];
        }
    }
    ~CaeProcess()
    {
        if (m_pid > 0)
        {
            ::kill(-m_pid, SIGKILL);
            if (!m_status)
                ::waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0)
            ::close(m_out);
    }
    CaeProcess(const CaeProcess&) = delete;
    CaeProcess& operator=(const CaeProcess&) = delete;

    pid_t pid() const { return m_pid; }
    bool running()
    {
        if (m_status)
            return false;
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) != m_pid)
            return true;
        m_status = status;
        return false;
    }
    /// Reads the pipe until `text` has come or the program has ended; true when it came.
    bool readUntil(const std::string& text)
    {
        const auto deadline = std::chrono::steady_clock::now() + kGenerous;
        while (m_text.find(text) == std::string::npos && std::chrono::steady_clock::now() < deadline)
        {
            pollfd p{m_out, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            char buffer[4096];
            const ssize_t n = ::read(m_out, buffer, sizeof buffer);
            if (n <= 0)
                return false;
            m_text.append(buffer, static_cast<std::size_t>(n));
        }
        return m_text.find(text) != std::string::npos;
    }
    const std::string& text() const { return m_text; }
    /// The exit status, or -1 when the program did not exit by itself in time (it is killed then).
    int wait()
    {
        const auto deadline = std::chrono::steady_clock::now() + kGenerous;
        while (running() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (running())
            return -1;
        return WIFEXITED(*m_status) ? WEXITSTATUS(*m_status) : -1;
    }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    std::optional<int> m_status;
    std::string m_text;
};

/// Whether a process of that id exists (a zombie counts: nobody has collected it).
bool alive(pid_t pid)
{
    return ::kill(pid, 0) == 0;
}

/// The process id that the stuck solver wrote into the log of the run's working folder.
pid_t solverPid(const fs::path& workingFolder)
{
    const std::string log = slurp(workingFolder / "task.log");
    return log.rfind("pid ", 0) == 0 ? static_cast<pid_t>(std::stol(log.substr(4))) : 0;
}

rapidjson::Document summary(const fs::path& dir)
{
    rapidjson::Document d;
    d.Parse(slurp(dir / "summary.json").c_str());
    return d;
}

std::vector<fs::path> workingFolders(const fs::path& temp)
{
    std::vector<fs::path> found;
    for (const auto& e : fs::directory_iterator(temp))
        if (e.path().filename().string().rfind("CAE_", 0) == 0)
            found.push_back(e.path());
    return found;
}

/// A scratch folder with the box task, a temporary folder of its own for the working folders, and the
/// stuck solver.
class SolverControl : public testing::Test
{
protected:
    SolverControl()
    {
        fs::create_directories(temp);
        spit(task, kBoxTask);
        spit(stuck, kStuckSolver);
        fs::permissions(stuck, fs::perms::owner_all);
    }

    std::vector<std::string> environment(const fs::path& solver) const
    {
        return {"TMPDIR=" + temp.string(), "CAE_NASTRAN_PATH=" + solver.string()};
    }

    TempDir dir;
    fs::path temp = dir.path() / "tmp";
    fs::path task = dir.path() / "box.json";
    fs::path stuck = dir.path() / "stuck.sh";
    fs::path out = dir.path() / "out";
    fs::path err = dir.path() / "stderr.txt";
};

// The keywords reach the solver program after the module's own, the task file's before the command
// line's.
TEST_F(SolverControl, SolverKeywordsFollowTheModulesOptions)
{
    std::string text = kBoxTask;
    text.insert(text.rfind('}'), R"(, "solver": {"options": {"smp": 1}})");
    spit(task, text);
    spit(stuck, "#!/bin/sh\necho \"$@\" > \"${1%.dat}.args\"\nexec sleep 600\n");
    CaeProcess cae(
        {task.string(), "--out", out.string(), "--solver-timeout", "0.5", "--solver-option", "dmp=2"},
        environment(stuck), err, dir.path() / "stdout.txt");
    ASSERT_EQ(cae.wait(), 3) << slurp(err);
    const fs::path folder = summary(out)["workingFolder"].GetString();
    const std::string args = slurp(folder / "task.args");
    EXPECT_NE(args.find("task.dat memorymaximum=16GB smp=1 dmp=2"), std::string::npos) << args;
}

TEST_F(SolverControl, ATimeLimitEndsAStuckSolverAndTheRunFailsKeepingItsFolder)
{
    CaeProcess cae({task.string(), "--out", out.string(), "--solver-timeout", "0.5"}, environment(stuck), err,
                   dir.path() / "stdout.txt");
    ASSERT_EQ(cae.wait(), 3) << slurp(err);
    const std::string messages = slurp(err);
    EXPECT_NE(messages.find("the solver did not finish within 0.5 s (--solver-timeout) and was stopped"),
              std::string::npos)
        << messages;
    const auto d = summary(out);
    EXPECT_STREQ(d["status"].GetString(), "failed");
    const fs::path folder = d["workingFolder"].GetString();
    EXPECT_NE(messages.find("working folder: " + folder.string()), std::string::npos) << messages;
    const pid_t solver = solverPid(folder);
    ASSERT_GT(solver, 0);
    EXPECT_FALSE(alive(solver)) << "the solver " << solver << " still runs";
}

TEST_F(SolverControl, ASignalToCaeStopsTheSolverAndEndsTheRunAsInterrupted)
{
    const struct
    {
        int signal;
        const char* name;
        int exitStatus;
    } cases[] = {{SIGTERM, "SIGTERM", 143}, {SIGINT, "SIGINT", 130}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        CaeProcess cae({task.string(), "--out", out.string()}, environment(stuck), err);
        ASSERT_TRUE(cae.readUntil("\npid ")) << "the solver runs and its log is echoed: " << cae.text();
        ::kill(cae.pid(), c.signal);
        EXPECT_EQ(cae.wait(), c.exitStatus) << slurp(err);
        const std::string messages = slurp(err);
        EXPECT_NE(messages.find("interrupted by " + std::string(c.name) + "; the solver was stopped"),
                  std::string::npos)
            << messages;
        const auto d = summary(out);
        EXPECT_STREQ(d["status"].GetString(), "interrupted");
        const pid_t solver = solverPid(d["workingFolder"].GetString());
        ASSERT_GT(solver, 0);
        EXPECT_FALSE(alive(solver)) << "the solver " << solver << " still runs";
    }
}

TEST_F(SolverControl, ASolvedRunRemovesItsWorkingFolderUnlessAskedToKeepIt)
{
    const fs::path solver = fs::path(CAE_PROGRAM).parent_path() / "nastran";
    for (const bool keep : {false, true})
    {
        SCOPED_TRACE(keep ? "--keep-work" : "by default");
        std::vector<std::string> args{task.string(), "--out", out.string()};
        if (keep)
            args.push_back("--keep-work");
        CaeProcess cae(args, environment(solver), err, dir.path() / "stdout.txt");
        ASSERT_EQ(cae.wait(), 0) << slurp(err);
        const std::string report = slurp(dir.path() / "stdout.txt");
        const auto folders = workingFolders(temp);
        const auto d = summary(out);
        if (keep)
        {
            ASSERT_EQ(folders.size(), 1u);
            EXPECT_TRUE(fs::exists(folders[0] / "task.f06"));
            EXPECT_NE(report.find("Working folder    " + folders[0].string() + "\n"), std::string::npos)
                << report;
            EXPECT_EQ(d["workingFolder"].GetString(), folders[0].string());
        }
        else
        {
            EXPECT_TRUE(folders.empty());
            EXPECT_EQ(report.find("Working folder"), std::string::npos) << report;
            EXPECT_TRUE(d["workingFolder"].IsNull());
        }
    }
}

TEST_F(SolverControl, ReportLinesReachAPipeWhileTheRunIsStillBusy)
{
    // The solid comes from a FIFO, so `cae` waits on it right after printing the units; the line can
    // only reach the pipe then if each report line is flushed.
    const fs::path step = dir.path() / "part.step";
    ASSERT_EQ(::mkfifo(step.c_str(), 0600), 0);
    std::string text = slurp(task);
    const std::string box = R"({"box": {"corner": [0, 0, 0], "size": [10, 2, 2]}})";
    text.replace(text.find(box), box.size(), R"({"step": "part.step"})");
    spit(task, text);
    CaeProcess cae({task.string()}, environment(stuck), err);
    EXPECT_TRUE(cae.readUntil("Units        drawing in millimeters")) << cae.text();
    EXPECT_TRUE(cae.running()) << slurp(err);
}
} // namespace
