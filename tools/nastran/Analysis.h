#pragma once

// Linear static analysis of a model read from a deck: checks of the model's references, degrees of
// freedom with single- and multipoint constraints, assembly, CHOLMOD supernodal factorisation, solution
// and stress recovery.
//
// Every grid carries six degrees of freedom (three translations, three rotations). Elements give
// stiffness to translations only, so rotations (and the out-of-plane translation of membranes) must be
// held by the deck's SPCs; a component that no element stiffens and nothing holds is a fatal error
// naming the grid and component, as is a mechanism found during the factorisation.

#include "tools/nastran/Elements.h"
#include "tools/nastran/Model.h"
#include "tools/nastran/ModelIndex.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace nastran
{

/// A condition that ends the run: the text is printed in the log and the f06; code is the completion
/// code (non-zero).
struct FatalError : std::runtime_error
{
    FatalError(int code, const std::string& text) : std::runtime_error(text), code(code) {}
    int code;
};

/// Completion codes of fatal conditions.
enum EFatalCode
{
    eFatalInput = 1,     ///< the deck or the command line is wrong
    eFatalModel = 2,     ///< the model is singular or has a mechanism
    eFatalMemory = 3,    ///< the factor would exceed the memory limit, or memory ran out
    eFatalFile = 4,      ///< a file cannot be read or written
    eFatalInternal = 5,  ///< an unexpected failure of the program itself
    eFatalNumerical = 6, ///< the solution is not finite or does not satisfy its equations
};

/// Largest relative residual |K u - f| / |f| of the reduced system that is accepted as a solution.
/// Cholesky factorisation is backward stable: its residual is a small multiple of the rounding unit
/// times the condition number, and the mechanism check refuses pivots that lost more than ten decimal
/// digits, so an accepted model stays near 1e-6 at worst. A residual a hundred times that means the
/// factor or the solve went wrong (overflow, a factor spoiled by huge loads), not an ill-conditioned
/// model.
constexpr double kResidualLimit = 1e-4;

/// The force of the constraints of one kind on one grid, T1 T2 T3 R1 R2 R3.
struct GridForce
{
    Id grid = 0;
    std::array<double, 6> force{};
};

struct SolidResult
{
    Id id = 0;
    EElementType type = EElementType::eTetra4;
    std::array<Id, 4> corners{};
    std::array<Stress6, 5> stress{}; ///< centre, then the four corners
};

struct MembraneResult
{
    Id id = 0;
    EElementType type = EElementType::eTria3;
    std::array<Id, 3> corners{};
    double thickness = 0.0;
    bool planeStrain = false;
    double poissonRatio = 0.0;
    std::array<std::array<double, 3>, 4> stress{}; ///< xx, yy, xy in the element system: centre, corners
};

struct Results
{
    std::vector<Id> gridIds;                         ///< ascending
    std::vector<std::array<double, 6>> displacement; ///< per grid: T1 T2 T3 R1 R2 R3
    std::vector<SolidResult> tetras;                 ///< ascending element id
    std::vector<MembraneResult> trias3, trias6;
    std::size_t equations = 0;
    std::size_t matrixNonzeros = 0;
    double factorNonzeros = 0.0;
    double relativeResidual = 0.0; ///< |K u - f| / |f| of the reduced system (0 without load)
    /// Forces the constraints exert on their grids (K u - f there; applied loads plus these sum to
    /// zero), ascending grid id; filled only when the case control asks for them. Single-point: every
    /// grid with a held component, the force at its held components. Multipoint: every grid in a
    /// selected MPC, the sum over those MPCs.
    std::vector<GridForce> spcForces, mpcForces;
};

/// Warnings and information found while checking and solving, printed in the log and the f06.
struct Note
{
    bool warning = false;
    std::string text;
};

struct DofMap;

/// Solves the reduced system when several processes share it. Every process holds the model, its
/// degrees of freedom and, in `rhs`, the loads on the equations; each assembles its own share of the
/// elements. On the process that recovers the results, `rhs` becomes the solution and the results'
/// sizes and residual are filled, and the call returns true; it returns false on the others.
using ShareSolver =
    std::function<bool(const Model&, const ModelIndex&, const DofMap&, std::vector<double>& rhs, Results&)>;

class Analysis
{
public:
    using Progress = std::function<void(const std::string&)>;

    /// Checks every reference of the model (grids, properties, materials, faces, sets); throws
    /// FatalError listing all problems found. The analysis keeps its own copy of the model.
    Analysis(Model model, Progress progress = {});

    /// Assembles, factorises (the factor may not need more than memoryLimit bytes) and solves; writes
    /// the reduced system to matrixFile first unless it is empty.
    Results run(double memoryLimit, const std::string& matrixFile = {});

    /// The same analysis with the reduced system solved by `solve` across processes; the results only
    /// on the process that recovers them, none on the others.
    std::optional<Results> runShared(const ShareSolver& solve);

    const std::vector<Note>& notes() const { return m_notes; }
    const Model& model() const { return m_model; }

private:
    Model m_model;
    Progress m_progress;
    std::vector<Note> m_notes;
    ModelIndex m_index;

    void progress(const std::string& s) const
    {
        if (m_progress)
            m_progress(s);
    }
};

/// Entry point for fuzzing: reads the deck and checks the model's references (no solution), returning
/// every message. Never throws and never crashes, whatever the bytes.
std::vector<std::string> checkDeck(std::string_view text);

} // namespace nastran
