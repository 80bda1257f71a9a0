#include "apps/task3d/SolverGuard.h"

#include "cae_core/nastran/NastranProcess.h"
#include "host/ca/Cancel.h"
#include "host/ca/EventLoop.h"

#include <chrono>
#include <csignal>
#include <iterator>

#include <signal.h>

namespace cae_app
{
namespace
{
// Written by the signal handler, so only a lock-free flag; the cancel it requests is one too.
volatile std::sig_atomic_t g_signal = 0;

void onSignal(int signal)
{
    g_signal = signal;
    ca::requestCancel();
}

constexpr int kGuardedSignals[] = {SIGINT, SIGTERM};
struct sigaction g_previous[std::size(kGuardedSignals)];
} // namespace

/// The time limit, checked on the host's event loop, which the solver run yields to between its waits.
struct SolverGuard::Timer
{
    std::chrono::steady_clock::time_point deadline;
    bool active = true;
    bool expired = false;

    static void check(const std::shared_ptr<Timer>& timer)
    {
        if (!timer->active)
            return;
        if (std::chrono::steady_clock::now() >= timer->deadline)
        {
            timer->expired = true;
            ca::requestCancel();
            return;
        }
        ca::postEvent([timer] { check(timer); });
    }
};

void installSolverControls()
{
    cae_core::setWorkingFolderNaming(cae_core::eWorkingFolderUnique);
    cae_core::NastranProcess::setHostCancel(&ca::isCancelRequested);
}

SolverGuard::SolverGuard(std::optional<double> timeLimit)
{
    ca::clearCancelRequest();
    g_signal = 0;
    struct sigaction action = {};
    action.sa_handler = onSignal;
    // Waits for the solver go on after the handler; the run sees the cancel at its next polling cycle.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(kGuardedSignals); ++i)
        ::sigaction(kGuardedSignals[i], &action, &g_previous[i]);
    if (timeLimit)
    {
        m_timer = std::make_shared<Timer>();
        m_timer->deadline = std::chrono::steady_clock::now() +
                            std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                std::chrono::duration<double>(*timeLimit));
        Timer::check(m_timer);
    }
}

SolverGuard::~SolverGuard()
{
    if (m_timer)
        m_timer->active = false;
    for (std::size_t i = 0; i < std::size(kGuardedSignals); ++i)
        ::sigaction(kGuardedSignals[i], &g_previous[i], nullptr);
    ca::clearCancelRequest();
}

int SolverGuard::signal() const
{
    return g_signal;
}

bool SolverGuard::timedOut() const
{
    return m_timer && m_timer->expired && g_signal == 0;
}

const char* signalName(int signal)
{
    switch (signal)
    {
    case SIGINT:
        return "SIGINT";
    case SIGTERM:
        return "SIGTERM";
    default:
        return "a signal";
    }
}
} // namespace cae_app
