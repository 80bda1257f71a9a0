#pragma once

#include "apps/output/VtuWriter.h"

#include "cae_core/solver2d/Solver2d.h"

/// The solved analysis as a VTK grid for ParaView.
namespace cae_app
{
/// The mesh with its results as a VTK grid: per point the displacement (3 components, z = 0),
/// the von Mises stress averaged over the element corners that meet there and the reaction
/// force (zero where nothing supports the point); per cell the von Mises stress and sxx, syy,
/// sxy at its centre. Cells are linear triangles, for six-node elements too: the solver reports
/// corner vertices only, and taking the mid-side values back from the point evaluator would cost a
/// scan of all elements per node.
VtuGrid resultGrid(const cae_core::Solver2dInput& input, const cae_core::Solver2dOutput& output);
} // namespace cae_app
