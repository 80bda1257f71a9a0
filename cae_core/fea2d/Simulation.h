#pragma once

#include "cae_core/core/Result.h"
#include "cae_core/fea2d/Params2d.h"
#include "cae_core/solver2d/Solver2d.h"
#include "platform/ge/GeVector2d.h"

#include <cstdint>
#include <map>

namespace cae_core::fea2d
{

/// Everything one 2D analysis run produced, in the drawing's units. Movable; it owns the point evaluator
/// through `solverOutput`.
struct SimulationOutput
{
    /// The parameters the run was made with (region, mesh and loads included).
    Params2d params;
    /// eOk; eFailed when there was no solver for the requested implementation; otherwise the solver's own
    /// code when it failed.
    EResult result = eOk;
    /// The input handed to the solver.
    Solver2dInput solverInput;
    /// The solver's output, its run time included.
    Solver2dOutput solverOutput;
    /// Per support, by its index in `params.loadsAndSupports`: the sum of the reactions at its vertices.
    /// Empty when the solve failed.
    std::map<std::uint64_t, OdGeVector2d> reactionForces;
};

/// Runs the analysis described by `params` with the solver `impl`: maps every load and support onto the
/// vertices and boundary edges of `params.mesh`, solves, and sums the reaction force of every support.
/// Errors of the mesh access (a non-manifold mesh) and allocation errors propagate as exceptions.
SimulationOutput runSimulation(const Params2d& params, Solver2d::EImpl impl);

} // namespace cae_core::fea2d
