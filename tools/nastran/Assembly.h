#pragma once

// The reduced stiffness matrix and load vector: the pattern of the matrix from the elements' equations,
// the elements' stiffness expanded through the constraints, and the loads of the selected set.

#include "tools/nastran/Dofs.h"

#include <cstdint>
#include <string>
#include <vector>

namespace nastran
{

/// The upper triangle of a symmetric matrix in compressed columns, rows sorted, the diagonal stored in
/// every column (last, being the largest row of its column).
struct UpperMatrix
{
    std::size_t n = 0;
    std::vector<std::int64_t> colPtr, rows;
    std::vector<double> values;

    /// Adds v at (r, c), r <= c, which must be in the pattern.
    void add(std::int64_t r, std::int64_t c, double v);
};

/// Entries of the upper triangle (row <= column) in coordinates; an entry may appear more than once, its
/// values then to be summed.
struct MatrixEntries
{
    std::vector<std::int64_t> rows, cols;
    std::vector<double> values;
};

/// The pattern of the reduced stiffness matrix, values zero.
UpperMatrix matrixPattern(const Model& model, const ModelIndex& index, const DofMap& dofs);

/// Adds every element's stiffness to `k` and, through held values, to `rhs` (one per equation). Throws
/// FatalError naming every element whose geometry has no stiffness.
void assembleElements(const Model& model, const ModelIndex& index, const DofMap& dofs, UpperMatrix& k,
                      std::vector<double>& rhs);

/// Adds the stiffness of the elements [begin, end) (model order) to `k` as entries and, through held
/// values, to `rhs`. Returns a problem naming every element whose geometry has no stiffness rather than
/// throwing, so that processes sharing the elements can report them together.
std::vector<std::string> assembleShare(const Model& model, const ModelIndex& index, const DofMap& dofs,
                                       std::size_t begin, std::size_t end, MatrixEntries& k,
                                       std::vector<double>& rhs);

/// The loads of the selected set on every degree of freedom, six per grid in ascending grid order.
std::vector<double> gridLoads(const Model& model, const ModelIndex& index);

/// Adds the loads to the right-hand side through the constraints; throws FatalError when a sum is not
/// finite.
void addLoads(const ModelIndex& index, const DofMap& dofs, const std::vector<double>& load,
              std::vector<double>& rhs);

/// Throws FatalError naming every equation that no element gives stiffness.
void checkStiffness(const ModelIndex& index, const DofMap& dofs, const UpperMatrix& k);

/// The same check from the matrix's diagonal, one value per equation.
void checkDiagonal(const ModelIndex& index, const DofMap& dofs, const std::vector<double>& diagonal);

} // namespace nastran
