#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

/// How far to trust the maxima of an analysis: the same analysis on finer and finer meshes until
/// its largest stress and displacement settle, and the value they tend to.
namespace cae_app
{
class Analysis2d;
struct AnalysisFile;
struct Drawing;

/// One mesh of a convergence study and the maxima found on it.
struct ConvergenceStep
{
    double meshSize = 0.0;
    std::uint64_t elements = 0;
    /// Degrees of freedom before the supports take any away.
    std::uint64_t unknowns = 0;
    double maxVonMises = 0.0;
    double maxDisplacement = 0.0;
    /// Relative changes from the step before; empty on the first step.
    std::optional<double> vonMisesChange;
    std::optional<double> displacementChange;
};

/// The value a sequence of refined results tends to, and how fast it gets there: the error
/// falls like h^order, h the element size.
struct Extrapolation
{
    double value = 0.0;
    double order = 0.0;
};

/// Why a study stopped.
enum class EConvergenceEnd
{
    eConverged, ///< both maxima changed by less than the tolerance
    eSingular,  ///< the stress grows with every refinement and will not settle
    eBudget,    ///< the next mesh would exceed the element budget
    eSteps      ///< the sizes asked for are all solved, and the maxima still change
};

/// The word summary.json writes for an end: "converged", "singular", "budget" or "steps".
const char* convergenceEndName(EConvergenceEnd end);

struct ConvergenceStudy
{
    /// The largest relative change accepted, as a fraction.
    double tolerance = 0.01;
    /// Space dimension of the meshes: element size goes like unknowns^(-1/dimension).
    int dimension = 2;
    /// The most elements a mesh of the study may have.
    std::uint64_t maxElements = 0;
    std::vector<ConvergenceStep> steps;
    EConvergenceEnd end = EConvergenceEnd::eBudget;
    /// From the last three steps; empty when they do not converge monotonically or the stress is
    /// singular.
    std::optional<Extrapolation> vonMises;
    std::optional<Extrapolation> displacement;

    bool converged() const { return end == EConvergenceEnd::eConverged; }
};

/// The limit of `values` computed on meshes of `unknowns` degrees of freedom (three, finest last),
/// assuming error ~ C h^p: empty when the changes do not shrink in one direction, as for a
/// singularity or noise.
std::optional<Extrapolation> richardson(const std::array<double, 3>& unknowns,
                                        const std::array<double, 3>& values, int dimension);

/// Whether the last three values grow with each refinement by steps that do not shrink as a
/// converging sequence's do: the stress at a re-entrant corner or the edge of a fixed face.
bool growsWithoutBound(const std::array<double, 3>& unknowns, const std::array<double, 3>& values,
                       int dimension);

/// Adds `step` to `study` (filling in its changes) and decides whether the study ends there:
/// converged, singular, or none yet (empty). Extrapolates from the last three steps.
std::optional<EConvergenceEnd> addStep(ConvergenceStudy& study, ConvergenceStep step);

/// Runs a 2D convergence study of `file`: `first` is the analysis already solved on the file's own
/// mesh; each further step halves the mesh size (the refinement regions keep their ratios, and
/// adaptive refinement runs on every step when the file asks for it) until both maxima change by
/// less than `tolerance`, the stress proves singular, or the next mesh would need more than
/// `maxElements` triangles (the mesher's budget) or the study more than `maxSteps` steps.
/// `progress` hears of every step solved. Stops as the analysis does when a step fails.
ConvergenceStudy convergeAnalysis2d(const AnalysisFile& file, const Drawing& drawing,
                                    const std::string& sourceName, const Analysis2d& first, double tolerance,
                                    bool consistentEdgeLoads, std::uint64_t maxElements, int maxSteps,
                                    const std::function<void(const ConvergenceStep&)>& progress = {});

/// Runs a study over fixed element sizes: `first` is solved already; `solve(scale)` solves with
/// elements `scale` times the first's size and gives the step, or empty when it could not (a mesh
/// past the budget). The study ends at the first converged or singular step.
ConvergenceStudy convergeSizes(const ConvergenceStep& first, const std::vector<double>& scales,
                               double tolerance, int dimension, std::uint64_t maxElements,
                               const std::function<std::optional<ConvergenceStep>(double scale)>& solve);

/// The study as the report prints it: the table of steps, and the extrapolated values with their
/// orders or why there are none.
std::string formatConvergence(const ConvergenceStudy& study, const std::string& lengthUnit,
                              const std::string& stressUnit);
} // namespace cae_app
