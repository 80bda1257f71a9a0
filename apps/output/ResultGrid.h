#pragma once

#include "apps/analysis/NodalField.h"
#include "apps/output/Summary.h"
#include "apps/output/VtuWriter.h"

#include "cae_core/solver2d/Solver2d.h"

/// The solved analysis as a VTK grid for ParaView.
namespace cae_app
{
/// The mesh with its results as a VTK grid. Points are the nodes of `field`, mid-side nodes
/// included, and cells its elements (quadratic triangles for six-node elements). Per point: the
/// recovered von Mises stress, sxx, syy, sxy, the principal stresses s1 and s2 and the angle of s1,
/// the displacement (3 components, z = 0) and the reaction force (zero where nothing supports the
/// point, and at mid-side nodes, whose share the solver gives their corners); per cell the element's
/// own von Mises stress and sxx, syy, sxy at its centre. The field data "units" names the unit of
/// each array as "name: unit".
VtuGrid resultGrid(const cae_core::Solver2dInput& input, const cae_core::Solver2dOutput& output,
                   const NodalField& field, const Summary::Units& units);

/// The same with the nodal field recovered here and no units named.
VtuGrid resultGrid(const cae_core::Solver2dInput& input, const cae_core::Solver2dOutput& output);
} // namespace cae_app
