#pragma once

// The plate-element deck and the reading of its printed results, for the 2D solver that goes through the
// external solver. Templates over the in-house solver's model, since both solvers build the same model.

#include "cae_core/solver2d/Solver2d.h"
#include "cae_core/solver2d/detail/VelmorModel.h"

#include <cstddef>
#include <istream>
#include <string>

namespace cae_core::nastran::detail
{

/// Identifiers of the 2D deck: plate property, material, and the one constraint, multipoint-constraint
/// and load set.
inline constexpr int kPlatePropertyId = 37;
inline constexpr int kMaterialId = 105;
inline constexpr int kSetId = 100;

/// The whole deck text, every line ended by a single line feed. Grid id = node index + 1, element id =
/// element index + 1.
template <std::size_t N> std::string writeDeck2d(const solver2d::detail::Model<N>& model);

/// Fills the displacement and stress fields of `output` from the printed results of the deck of `model`,
/// stresses turned from each element's axes (x along its first edge) to the global axes. The tables are
/// taken in the layout the solver prints them without page breaks (the deck asks for no page breaks).
/// A file that ends inside a table, or a row whose fields are missing or not numbers, throws
/// std::runtime_error naming the line.
///
/// With `printout`, the tables are read as a solver prints them for any deck: titles match whole (the
/// element type's own stress table only), page headers, repeated titles and column headers and rows of
/// other point types are passed over, only the first subcase is read, and numbers must be whole. A table
/// that ends (at another title, another subcase or the end of the file) before it has a row for every
/// node or element throws, as a damaged row does.
template <std::size_t N>
void readResults2d(std::istream& f06, const solver2d::detail::Model<N>& model, Solver2dOutput& output,
                   bool printout = false);

} // namespace cae_core::nastran::detail
