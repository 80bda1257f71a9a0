#pragma once

// Timing hooks of the in-house solver for the benchmarks; no Eigen type crosses this header.

#include "cae_core/core/Result.h"
#include "cae_core/solver2d/Solver2d.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace cae_core::solver2d::detail
{

/// Sizes and phase times (milliseconds) of one solver run.
struct VelmorProfile
{
    /// The clock the phases are timed with, in milliseconds; null for the steady (wall) clock. A benchmark
    /// on a shared machine passes a CPU-time clock.
    double (*clock)() = nullptr;
    std::uint64_t unknowns = 0;
    std::uint64_t matrixNonZeros = 0;
    /// Non-zeros of the factor L (strictly below the diagonal).
    std::uint64_t factorNonZeros = 0;
    double modelMs = 0.0;
    double assemblyMs = 0.0;
    double supportsMs = 0.0;
    double factoriseMs = 0.0;
    double solveMs = 0.0;
    double internalForcesMs = 0.0;
    double resultsMs = 0.0;
    double evaluatorMs = 0.0;
};

/// The solver run of VelmorSolver2d::executeImpl, filling `profile` when it is not null.
EResult executeVelmor(const Solver2dInput& input, Solver2dOutput& output, VelmorProfile* profile);

/// The constrained system the solver would factorise for an input, held so that its factorisation alone can
/// be timed against the whole run.
class ConstrainedSystem
{
public:
    explicit ConstrainedSystem(const Solver2dInput& input);
    ~ConstrainedSystem();
    ConstrainedSystem(const ConstrainedSystem&) = delete;
    ConstrainedSystem& operator=(const ConstrainedSystem&) = delete;

    /// AMD ordering and numeric LDL^T of the system, exactly as the solver does them; false on a zero pivot.
    bool factorise();
    std::uint64_t unknowns() const;
    /// Of the last factorisation.
    std::uint64_t factorNonZeros() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace cae_core::solver2d::detail
