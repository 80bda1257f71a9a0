#pragma once

// What follows the solution: the displacement of every degree of freedom, the forces the constraints
// exert, and the stresses of the elements.

#include "tools/nastran/Analysis.h"
#include "tools/nastran/Dofs.h"

#include <vector>

namespace nastran
{

/// Fills the results' grid ids and the displacements of every degree of freedom from the solution of
/// the equations.
void recoverDisplacements(const ModelIndex& index, const DofMap& dofs, const std::vector<double>& solution,
                          Results& results);

/// Fills the results' constraint forces from their displacements and the load of every degree of
/// freedom (six per grid, ascending grid order).
void recoverConstraintForces(const Model& model, const ModelIndex& index, const DofMap& dofs,
                             const std::vector<double>& load, Results& results);

/// Fills the stresses of every element from the results' displacements, by ascending element id.
void recoverStresses(const Model& model, const ModelIndex& index, Results& results);

} // namespace nastran
