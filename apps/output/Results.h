#pragma once

#include "apps/output/VtuWriter.h"

#include "cae_core/solver2d/Solver2d.h"

#include <cstdint>
#include <map>

/// What the program reads out of a solved analysis: the extremes, the applied load, the
/// equilibrium check and the grid for ParaView.
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
};

/// Figures of a successful solve of `input`.
ResultFigures resultFigures(const cae_core::Solver2dInput& input, const cae_core::Solver2dOutput& output);

/// The vertices the input supports in any way (fixed, rolling, or on a supported edge), ascending.
std::vector<std::uint64_t> supportedVertices(const cae_core::Solver2dInput& input);

/// The mesh with its results as a VTK grid: per point the displacement (3 components, z = 0),
/// the von Mises stress averaged over the element corners that meet there and the reaction
/// force (zero where nothing supports the point); per cell the von Mises stress and sxx, syy,
/// sxy at its centre. Cells are linear triangles, for six-node elements too: the solver reports
/// corner vertices only, and taking the mid-side values back from the point evaluator would cost a
/// scan of all elements per node.
VtuGrid resultGrid(const cae_core::Solver2dInput& input, const cae_core::Solver2dOutput& output);
} // namespace cae_app
