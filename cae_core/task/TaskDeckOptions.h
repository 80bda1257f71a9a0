#pragma once

#include <string>
#include <vector>

namespace cae_core
{
/// What the solver deck of a task carries beyond the fixed deck. Every option off gives the deck the
/// module has always written.
struct TaskDeckOptions
{
    /// The property and material cards from the task's Material (Young's modulus and Poisson's ratio)
    /// instead of the fixed steel-like material.
    bool taskMaterial = false;
    /// Ten-grid tetrahedra (corners, then the mid-edge grids) when the mesh is of second order; off,
    /// only the corners are written.
    bool quadratic = false;
    /// Asks the solver for the forces of the supports (and of the multipoint constraints, when the deck
    /// holds any).
    bool reactions = false;
    /// Reads task.f06 as a solver prints it for any deck (F06ReadOptions::printout): tables end at the
    /// next title, page breaks and other subcases are passed over, and a damaged table row fails the run
    /// with eParseError instead of leaving it out.
    bool printoutReading = false;
    /// Also reads the stress tensor at every tetrahedron corner into TaskOutput::stresses, the mean over
    /// the corners at each grid (F06ReadOptions::stressComponents).
    bool stressComponents = false;
    /// Keywords ("key=value", UTF-8, without blanks or quotes) appended to the solver's command line after
    /// the module's own options, in order; empty: the command line the module has always built.
    std::vector<std::string> solverKeywords;
};
} // namespace cae_core
