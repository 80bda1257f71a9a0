#pragma once

// The unknowns of the analysis: which degrees of freedom the single-point constraints hold, which the
// multipoint constraints eliminate, and the equation number of each of the rest.

#include "tools/nastran/ModelIndex.h"

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace nastran
{

/// How one degree of freedom is expressed in the unknowns: u = sum coef * x[eq] + constant.
struct DofExpansion
{
    std::vector<std::pair<std::int64_t, double>> terms;
    double constant = 0.0;
};

struct DofMap
{
    /// Per degree of freedom: equation number (>= 0), or kHeld (value in heldValue), or kDependent.
    static constexpr std::int64_t kHeld = -1;
    static constexpr std::int64_t kDependent = -2;
    std::vector<std::int64_t> equation;
    std::vector<double> heldValue;
    std::map<std::size_t, std::vector<std::pair<std::size_t, double>>> dependent; ///< dof -> (dof, coef)
    std::size_t equations = 0;
    std::vector<std::size_t> dofOfEquation;

    /// Expansion of a global degree of freedom in equations and a constant (dependents are already
    /// expressed in free and held degrees of freedom).
    void expand(std::size_t dof, double coef, DofExpansion& out) const;
    /// Expansions of the three translations of each grid position.
    void translations(const std::vector<std::size_t>& positions, std::vector<DofExpansion>& out) const;
};

/// Holds the selected SPC set and every grid's permanent constraints.
void holdSpcs(const Model& model, const ModelIndex& index, DofMap& dofs);

/// Makes each selected MPC's dependent degree of freedom a combination of free and held ones,
/// substituting chains of MPCs. Throws FatalError listing the MPCs that cannot be eliminated.
void eliminateMpcs(const Model& model, const ModelIndex& index, DofMap& dofs, std::vector<Note>& notes);

/// The degrees of freedom of the model under its selected constraints, numbered.
DofMap constrainDofs(const Model& model, const ModelIndex& index, std::vector<Note>& notes);

} // namespace nastran
