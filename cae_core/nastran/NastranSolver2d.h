#pragma once

#include "cae_core/solver2d/Solver2d.h"

namespace cae_core
{

/// The 2D solver that goes through the external solver: the in-house solver's model written as a
/// plate-element deck (analysis_2d.dat) into a fresh working folder, the external solver run on it, and
/// displacements and element stresses read back from its printed results (analysis_2d.f06).
///
/// Only displacements and stresses are filled: the vertex forces stay zero and no point evaluator is set,
/// so reactions and point queries are not available from these results.
class NastranSolver2d : public Solver2d
{
public:
    NastranSolver2d() = default;

    /// Makes Solver2d::create(eNastran) return this solver; the module does so at start-up, with the
    /// fixed-layout reading. A host that hands the solver other decks' printouts asks for
    /// `printoutReading` (see setPrintoutReading).
    static void installInSolverFactory(bool printoutReading = false);
    /// Makes Solver2d::create(eNastran) give null again.
    static void uninstallFromSolverFactory();

    /// Reads the results as a solver prints them for any deck (page breaks, other point types and
    /// subcases, whole titles), and refuses a table that lacks rows; off, the fixed layout of the
    /// module's own deck is read.
    void setPrintoutReading(bool on) { m_printoutReading = on; }

protected:
    /// 0 on success; 5 for an element type other than eTriangle6 and eTriangle3 (nothing created); 4 when
    /// the deck file cannot be created; 13 or 14 from the solver run; 3 when its results cannot be opened.
    /// A results file that ends inside a table or holds a broken row throws std::runtime_error naming the
    /// line; indices outside the mesh throw std::out_of_range, as for the in-house solver.
    EResult executeImpl(const Solver2dInput& input, Solver2dOutput& output) override;

private:
    bool m_printoutReading = false;
};

} // namespace cae_core
