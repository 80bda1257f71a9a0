#pragma once

#include "cae_core/solver2d/Solver2d.h"
#include "platform/ge/GePoint2d.h"
#include "platform/ge/GeVector2d.h"

#include <cstdint>
#include <map>

/// What the program reads out of a solved analysis: the extremes, the applied load and the
/// equilibrium check.
namespace cae_app
{
struct ResultFigures
{
    double maxVonMises = 0.0;
    /// Where the largest von Mises stress was sampled (an element corner or centre).
    OdGePoint2d maxVonMisesAt;
    double maxDisplacement = 0.0;
    OdGePoint2d maxDisplacementAt;
    /// The sum of every applied load: point loads plus edge loads times their edge lengths.
    OdGeVector2d appliedLoad;
    /// The sum of the reactions of all supported vertices, each vertex counted once (supports
    /// that share a vertex each report its whole reaction).
    OdGeVector2d reactionSum;
    /// The sum of the lengths of every applied force (point loads, and edge loads times their
    /// edge lengths): the scale the imbalance of applied loads and reactions is judged against,
    /// also when the loads cancel each other.
    double loadScale = 0.0;
    /// Every displacement, stress and force of the solution is a finite number.
    bool finite = true;
};

/// Figures of a successful solve of `input`.
ResultFigures resultFigures(const cae_core::Solver2dInput& input, const cae_core::Solver2dOutput& output);

/// A reaction shorter than this share of the applied load is shown as zero: it is what the solver's
/// residual leaves in a direction no load acts in.
inline constexpr double kNegligibleReactionShare = 1e-9;

/// Sets every reaction of `reactions` shorter than kNegligibleReactionShare x `loadScale` (the
/// figures' load scale) to exactly zero, so that every picture, label and report says 0.
void zeroNegligibleReactions(std::map<std::uint64_t, OdGeVector2d>& reactions, double loadScale);

/// The vertices the input supports in any way (fixed, rolling, or on a supported edge), ascending.
std::vector<std::uint64_t> supportedVertices(const cae_core::Solver2dInput& input);

} // namespace cae_app
