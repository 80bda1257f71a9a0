#include "apps/analysis/Convergence.h"

#include "apps/analysis/Analysis2d.h"
#include "apps/analysis/Stop.h"
#include "apps/file/Format.h"

#include "cae_core/core/Result.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace cae_app
{
namespace
{
/// Orders the bisection searches between: below the lower one the changes shrink so slowly that
/// the limit lies far beyond the meshes and an extrapolation would be a guess; above the upper one
/// no element family converges and the estimate is noise.
constexpr double kLowestOrder = 0.3;
constexpr double kHighestOrder = 12.0;

/// A stress that grows by steps shrinking slower than this order of convergence is taken for
/// singular: a re-entrant corner of 270 degrees grows with order -0.46, a fixed edge's end about
/// -0.3 (the increments themselves grow), whereas a sound maximum on the coarsest meshes
/// still shows an order near one.
constexpr double kSingularOrder = 0.3;

/// The ratio of the two increments of a three-mesh sequence with error ~ h^p, the meshes' sizes
/// given relative to the finest (a > b > 1).
double incrementRatio(double a, double b, double p)
{
    return (std::pow(a, p) - std::pow(b, p)) / (std::pow(b, p) - 1.0);
}

/// Element sizes of the three meshes relative to the finest one.
std::array<double, 2> relativeSizes(const std::array<double, 3>& unknowns, int dimension)
{
    const double e = 1.0 / dimension;
    return {std::pow(unknowns[2] / unknowns[0], e), std::pow(unknowns[2] / unknowns[1], e)};
}

double relativeChange(double previous, double current)
{
    const double scale = std::max(std::abs(previous), std::abs(current));
    return scale > 0.0 ? std::abs(current - previous) / scale : 0.0;
}

std::string percent(double fraction)
{
    return formatNumber(100.0 * fraction, 3) + "%";
}
} // namespace

const char* convergenceEndName(EConvergenceEnd end)
{
    switch (end)
    {
    case EConvergenceEnd::eConverged:
        return "converged";
    case EConvergenceEnd::eSingular:
        return "singular";
    case EConvergenceEnd::eBudget:
        return "budget";
    case EConvergenceEnd::eSteps:
        return "steps";
    }
    return "budget";
}

std::optional<Extrapolation> richardson(const std::array<double, 3>& unknowns,
                                        const std::array<double, 3>& values, int dimension)
{
    if (!(unknowns[0] < unknowns[1] && unknowns[1] < unknowns[2]) || dimension < 1)
        return std::nullopt;
    const double d1 = values[1] - values[0], d2 = values[2] - values[1];
    if (d2 == 0.0)
        return Extrapolation{values[2], kHighestOrder};
    // Increments that change sign or do not shrink tell of no order at all.
    if (d1 * d2 < 0.0 || std::abs(d2) >= std::abs(d1))
        return std::nullopt;
    const auto [a, b] = relativeSizes(unknowns, dimension);
    const double ratio = d1 / d2;
    double lo = kLowestOrder, hi = kHighestOrder;
    if (ratio <= incrementRatio(a, b, lo))
        return std::nullopt;
    if (ratio >= incrementRatio(a, b, hi))
        lo = hi;
    // The increment ratio grows with the order; halve the bracket well past a double's precision.
    for (int i = 0; i < 100 && hi - lo > 1e-12; ++i)
    {
        const double mid = 0.5 * (lo + hi);
        (incrementRatio(a, b, mid) < ratio ? lo : hi) = mid;
    }
    const double p = 0.5 * (lo + hi);
    return Extrapolation{values[2] + d2 / (std::pow(b, p) - 1.0), p};
}

bool growsWithoutBound(const std::array<double, 3>& unknowns, const std::array<double, 3>& values,
                       int dimension)
{
    const double d1 = values[1] - values[0], d2 = values[2] - values[1];
    if (!(d1 > 0.0 && d2 > 0.0))
        return false;
    const auto [a, b] = relativeSizes(unknowns, dimension);
    return d1 / d2 <= incrementRatio(a, b, kSingularOrder);
}

std::optional<EConvergenceEnd> addStep(ConvergenceStudy& study, ConvergenceStep step)
{
    if (!study.steps.empty())
    {
        const ConvergenceStep& last = study.steps.back();
        step.vonMisesChange = relativeChange(last.maxVonMises, step.maxVonMises);
        step.displacementChange = relativeChange(last.maxDisplacement, step.maxDisplacement);
    }
    study.steps.push_back(step);
    const std::size_t n = study.steps.size();
    if (n < 3)
        return std::nullopt;
    const ConvergenceStep* s[] = {&study.steps[n - 3], &study.steps[n - 2], &study.steps[n - 1]};
    const std::array<double, 3> unknowns{static_cast<double>(s[0]->unknowns),
                                         static_cast<double>(s[1]->unknowns),
                                         static_cast<double>(s[2]->unknowns)};
    const std::array<double, 3> stress{s[0]->maxVonMises, s[1]->maxVonMises, s[2]->maxVonMises};
    const std::array<double, 3> displacement{s[0]->maxDisplacement, s[1]->maxDisplacement,
                                             s[2]->maxDisplacement};
    study.displacement = richardson(unknowns, displacement, study.dimension);
    if (growsWithoutBound(unknowns, stress, study.dimension))
    {
        study.vonMises.reset();
        return study.end = EConvergenceEnd::eSingular;
    }
    study.vonMises = richardson(unknowns, stress, study.dimension);
    if (*step.vonMisesChange < study.tolerance && *step.displacementChange < study.tolerance)
        return study.end = EConvergenceEnd::eConverged;
    return std::nullopt;
}

ConvergenceStudy convergeAnalysis2d(const AnalysisFile& file, const Drawing& drawing,
                                    const std::string& sourceName, const Analysis2d& first, double tolerance,
                                    bool consistentEdgeLoads, std::uint64_t maxElements, int maxSteps,
                                    const std::function<void(const ConvergenceStep&)>& progress)
{
    ConvergenceStudy study;
    study.tolerance = tolerance;
    study.dimension = 2;
    study.maxElements = maxElements;
    // Six-node elements add a node on every edge; for a region with holes Euler's formula gives
    // edges = vertices + triangles - 1 + holes.
    const bool sixNode = file.elementType == ElementKind::eTriangle6;
    const std::uint64_t holes = file.holes.size();
    auto record = [&](const Analysis2d& analysis)
    {
        const std::uint64_t v = analysis.meshVertices(), t = analysis.meshTriangles();
        const ConvergenceStep step{analysis.meshSize(),
                                   t,
                                   2 * (sixNode ? v + (v + t - 1 + holes) : v),
                                   analysis.figures().maxVonMises,
                                   analysis.figures().maxDisplacement,
                                   {},
                                   {}};
        const auto end = addStep(study, step);
        if (progress)
            progress(study.steps.back());
        return end;
    };
    if (const auto end = record(first))
        return study;
    AnalysisFile finer = file;
    double size = first.meshSize();
    while (static_cast<int>(study.steps.size()) < maxSteps)
    {
        // Halving the size makes about 2^dimension as many elements, the refined zones included.
        const double expected = static_cast<double>(study.steps.back().elements) * 4.0;
        if (expected > static_cast<double>(maxElements))
            break;
        size /= 2.0;
        finer.mesh.size = size;
        Analysis2d analysis(finer, drawing,
                            sourceName + " (convergence step " + std::to_string(study.steps.size() + 1) +
                                ", mesh size " + formatNumber(size) + ")",
                            false, consistentEdgeLoads);
        try
        {
            analysis.mesh();
        }
        catch (const Stop& stop)
        {
            // A mesh the estimate let through but the mesher would not make ends the study, not
            // the run: the steps so far still say what they say.
            if (stop.result == static_cast<std::uint32_t>(cae_core::eLimitExceeded))
                break;
            throw;
        }
        analysis.solve();
        if (const auto end = record(analysis))
            return study;
    }
    study.end = EConvergenceEnd::eBudget;
    return study;
}

ConvergenceStudy convergeSizes(const ConvergenceStep& first, const std::vector<double>& scales,
                               double tolerance, int dimension, std::uint64_t maxElements,
                               const std::function<std::optional<ConvergenceStep>(double scale)>& solve)
{
    ConvergenceStudy study;
    study.tolerance = tolerance;
    study.dimension = dimension;
    study.maxElements = maxElements;
    study.end = EConvergenceEnd::eSteps;
    if (addStep(study, first))
        return study;
    for (const double scale : scales)
    {
        const std::optional<ConvergenceStep> step = solve(scale);
        if (!step)
        {
            study.end = EConvergenceEnd::eBudget;
            return study;
        }
        if (addStep(study, *step))
            return study;
    }
    return study;
}

std::string formatConvergence(const ConvergenceStudy& study, const std::string& lengthUnit,
                              const std::string& stressUnit)
{
    std::ostringstream out;
    out << "Convergence (tolerance " << percent(study.tolerance) << ")\n";
    const std::string stressHead = "Max von Mises [" + stressUnit + "]";
    const std::string displacementHead = "Max displacement [" + lengthUnit + "]";
    char line[256];
    const int sw = static_cast<int>(std::max<std::size_t>(stressHead.size(), 14));
    const int dw = static_cast<int>(std::max<std::size_t>(displacementHead.size(), 14));
    std::snprintf(line, sizeof line, "  %-4s  %-10s  %9s  %9s  %*s  %*s  %8s\n", "Step", "Mesh size",
                  "Elements", "Unknowns", sw, stressHead.c_str(), dw, displacementHead.c_str(), "Change");
    out << line;
    for (std::size_t i = 0; i < study.steps.size(); ++i)
    {
        const ConvergenceStep& s = study.steps[i];
        const std::string change =
            s.vonMisesChange ? percent(std::max(*s.vonMisesChange, *s.displacementChange)) : "-";
        std::snprintf(line, sizeof line, "  %-4zu  %-10s  %9llu  %9llu  %*s  %*s  %8s\n", i + 1,
                      formatNumber(s.meshSize, 4).c_str(), static_cast<unsigned long long>(s.elements),
                      static_cast<unsigned long long>(s.unknowns), sw, formatNumber(s.maxVonMises).c_str(),
                      dw, formatNumber(s.maxDisplacement).c_str(), change.c_str());
        out << line;
    }
    switch (study.end)
    {
    case EConvergenceEnd::eConverged:
        out << "  Converged: both maxima changed by less than " << percent(study.tolerance)
            << " in the last step.\n";
        break;
    case EConvergenceEnd::eSingular:
        out << "  Not converging: the largest von Mises stress grows with every refinement, as at a singular "
               "point (a re-entrant corner or edge, the edge of a fixed face or end of a fixed edge, a point "
               "load or support); its value "
               "depends on the mesh and has no limit to extrapolate.\n";
        break;
    case EConvergenceEnd::eBudget:
        if (study.steps.size() < 2)
            out << "  Not converged: a finer mesh would exceed the budget of " << study.maxElements
                << " elements; start from a larger mesh size (with refinement regions where the stress "
                   "concentrates) to leave room for three steps.\n";
        else
        {
            const ConvergenceStep& last = study.steps.back();
            out << "  Not converged within the budget of " << study.maxElements
                << " elements: the last step still changed the maxima by "
                << percent(std::max(*last.vonMisesChange, *last.displacementChange))
                << "; treat them as accurate to about that much.\n";
        }
        break;
    case EConvergenceEnd::eSteps:
        if (study.steps.size() >= 2)
        {
            const ConvergenceStep& last = study.steps.back();
            out << "  Not converged in " << study.steps.size()
                << " steps: the last still changed the maxima by "
                << percent(std::max(*last.vonMisesChange, *last.displacementChange))
                << "; treat them as accurate to about that much.\n";
        }
        break;
    }
    if (study.steps.size() < 3)
        return out.str();
    const ConvergenceStep& last = study.steps.back();
    auto extrapolated = [&](const char* what, const std::optional<Extrapolation>& x, double value,
                            const std::optional<double>& change, const std::string& unit)
    {
        out << "  Extrapolated " << what << ": ";
        if (x)
            out << formatNumber(x->value) << " " << unit << " (observed order " << formatNumber(x->order, 3)
                << ")\n";
        else if (change && *change < study.tolerance)
            // Changes far inside the tolerance are mesh noise: there is nothing left to extrapolate.
            out << "none (no steady order to extrapolate with); within the tolerance at "
                << formatNumber(value) << " " << unit << " (last change " << percent(*change) << ")\n";
        else
            out << "none (the last three steps show no steady convergence to extrapolate from)\n";
    };
    if (study.end != EConvergenceEnd::eSingular)
        extrapolated("max von Mises", study.vonMises, last.maxVonMises, last.vonMisesChange, stressUnit);
    extrapolated("max displacement", study.displacement, last.maxDisplacement, last.displacementChange,
                 lengthUnit);
    return out.str();
}
} // namespace cae_app
