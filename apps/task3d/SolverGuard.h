#pragma once

#include <memory>
#include <optional>

/// The solver step of `cae task3d` as the user can stop it.
namespace cae_app
{
/// Sets up the module for the program: working folders that concurrent runs never share, and solver runs
/// that the host's cancel stops. Call once at start-up.
void installSolverControls();

/// While a guard lives, SIGINT and SIGTERM and the end of an optional time limit stop the solver through
/// the host's cancel, instead of ending the program at once and leaving the solver running; afterwards
/// the guard tells what stopped the step. The previous signal handlers come back when it ends.
class SolverGuard
{
public:
    /// `timeLimit`: seconds from now that the step may take; empty for no limit.
    explicit SolverGuard(std::optional<double> timeLimit);
    ~SolverGuard();
    SolverGuard(const SolverGuard&) = delete;
    SolverGuard& operator=(const SolverGuard&) = delete;

    /// The signal that interrupted the step (SIGINT or SIGTERM); 0 when none did.
    int signal() const;
    /// Whether the time limit ran out while the step ran.
    bool timedOut() const;

private:
    struct Timer;
    std::shared_ptr<Timer> m_timer;
};

/// The signal's name: "SIGINT", "SIGTERM", else "a signal".
const char* signalName(int signal);
} // namespace cae_app
