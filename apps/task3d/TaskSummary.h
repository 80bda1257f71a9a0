#pragma once

#include "apps/output/Summary.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

/// summary.json of `cae task3d`: what a run found, for scripts. Every key is always present; what a
/// run did not get to is null (or an empty list), so a failed run still says what is known.
namespace cae_app
{
struct TaskSummary
{
    /// Invalid: the file is not usable; failed: meshing, the deck or the solver run failed.
    ERunStatus status = ERunStatus::eInvalid;
    /// The module's result code of the step that decided the status (0 when solved); null when no
    /// module step ran.
    std::optional<std::uint32_t> result;
    std::vector<std::string> messages;
    struct Units
    {
        std::string drawing;
        std::string modelling;
        std::string length;
        std::string stress;
    };
    std::optional<Units> units;
    struct Mesh
    {
        std::uint64_t vertices = 0;
        std::uint64_t tetrahedra = 0;
        std::uint64_t surfaceTriangles = 0;
    };
    std::optional<Mesh> mesh;
    /// A largest value with the grid it occurs at and the grid's position (drawing units).
    struct Extreme
    {
        double value = 0.0;
        std::uint64_t grid = 0;
        std::array<double, 3> point{};
    };
    std::optional<Extreme> maxVonMises;
    std::optional<Extreme> maxDisplacement;
    std::optional<double> yield;
    std::optional<double> safetyFactor;
    /// The solver deck's material, which the displacements scale with.
    std::optional<std::string> materialNote;
    std::optional<std::string> workingFolder;
    struct Times
    {
        /// The host's tetrahedral generator.
        std::optional<double> mesh;
        /// The module writing the deck; the solver program; the module reading its results.
        std::optional<double> deck;
        std::optional<double> solve;
        std::optional<double> read;
        double total = 0.0;
    };
    /// Milliseconds.
    Times timeMs;
};

/// The summary as an indented JSON document; non-finite numbers are written as null.
std::string formatTaskSummary(const TaskSummary& summary);
} // namespace cae_app
