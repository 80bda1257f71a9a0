#pragma once

#include "apps/analysis/Convergence.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

/// summary.json: what a run of `cae analyze2d` found, in a form scripts can read. Every key is
/// always present; what a run did not get to is null (or an empty list), so that a failed or
/// invalid run still says what is known.
namespace cae_app
{
/// How a run ended.
enum class ERunStatus
{
    eSolved,     ///< "solved"
    eInvalid,    ///< "invalid": the file or the inputs are not usable
    eFailed,     ///< "failed": meshing, solving or writing failed
    eInterrupted ///< "interrupted": a signal (Ctrl-C, SIGTERM) stopped the run
};

/// The word summary.json writes for a status.
const char* runStatusName(ERunStatus status);

/// How a run of either command ended: the keys every summary.json starts with.
struct RunOutcome
{
    ERunStatus status = ERunStatus::eInvalid;
    /// The module's result code of the step that decided the status (0 when solved); null when no
    /// module step ran (a file that cannot be read).
    std::optional<std::uint32_t> result;
    /// The analysis's own status texts, or the program's error messages, one per entry.
    std::vector<std::string> messages;
};

/// The units the results are given in.
struct ResultUnits
{
    std::string length;
    std::string force;
    std::string stress;
};

struct Summary : RunOutcome
{
    using Units = ResultUnits;
    std::optional<Units> units;

    struct Mesh
    {
        double size = 0.0;
        std::uint64_t vertices = 0;
        std::uint64_t triangles = 0;
        /// "triangle6" or "triangle3".
        std::string elementType;
    };
    std::optional<Mesh> mesh;

    std::optional<double> maxVonMises;
    std::optional<double> maxDisplacement;

    /// One extreme of a principal stress over the element nodes, and the node's position.
    struct Extreme
    {
        double value = 0.0;
        std::array<double, 2> point{};
    };
    struct PrincipalExtremes
    {
        Extreme s1Max, s1Min, s2Max, s2Min;
    };
    /// From the recovered nodal stresses, in the stress unit.
    std::optional<PrincipalExtremes> principalStresses;

    struct Reaction
    {
        /// Index of the support in the file's "loadsAndSupports".
        std::uint64_t index = 0;
        std::array<double, 2> force{};
    };
    std::vector<Reaction> reactions;
    /// Sum of all applied loads.
    std::optional<std::array<double, 2>> appliedLoad;

    /// A number and its unit.
    struct Quantity
    {
        std::string name;
        double value = 0.0;
        std::string unit;
    };

    /// The values at one `--probe` point of the undeformed region: rows of label, value and unit as
    /// the report prints them ("N/A" values outside the region), and the same as numbers with units
    /// (none outside the region).
    struct Probe
    {
        std::array<double, 2> point{};
        std::vector<std::array<std::string, 3>> rows;
        bool inside = false;
        std::vector<Quantity> values;
    };
    /// Written only when the command line asks for probes.
    std::vector<Probe> probes;

    /// Written only when the command line asks for a convergence study.
    std::optional<ConvergenceStudy> convergence;

    struct Times
    {
        std::optional<double> mesh;
        std::optional<double> solve;
        double total = 0.0;
    };
    /// Milliseconds.
    Times timeMs;
};

/// The summary as an indented JSON document. Non-finite numbers are written as null.
std::string formatSummary(const Summary& summary);
} // namespace cae_app
