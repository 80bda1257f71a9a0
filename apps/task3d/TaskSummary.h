#pragma once

#include "apps/output/Summary.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

/// summary.json of `cae task3d`: what a run found, for scripts. Every key is always present; what a
/// run did not get to is null (or an empty list), so a failed run still says what is known. Numbers
/// are in the units of TaskUnits.h, which "units" names and every quantity repeats as its "unit".
namespace cae_app
{
/// Its status is invalid when the file is not usable, failed when meshing, the deck or the solver run failed.
struct TaskSummary : RunOutcome
{
    /// The results' units, and the drawing's and the modelling's they come from.
    struct Units : ResultUnits
    {
        std::string drawing;
        std::string modelling;
    };
    std::optional<Units> units;
    struct Mesh
    {
        std::uint64_t vertices = 0;
        std::uint64_t tetrahedra = 0;
        std::uint64_t surfaceTriangles = 0;
        /// "quadratic tetrahedra" or "linear tetrahedra".
        std::string elements;
        /// The element size asked for, in drawing units.
        std::optional<double> size;
    };
    std::optional<Mesh> mesh;
    /// The convergence study over finer meshes (`--converge`), when one ran.
    std::optional<ConvergenceStudy> convergence;
    /// A largest value with the grid it occurs at and the grid's position (drawing units).
    struct Extreme
    {
        double value = 0.0;
        std::uint64_t grid = 0;
        std::array<double, 3> point{};
    };
    std::optional<Extreme> maxVonMises;
    std::optional<Extreme> maxDisplacement;
    /// The largest principal stress s1 and the smallest s3 over the grids (the corners, where the
    /// solver prints stresses); null when the results hold no stress components.
    std::optional<Extreme> maxS1;
    std::optional<Extreme> minS3;
    /// What `--probe X,Y,Z` finds at a material point.
    struct Probe
    {
        /// Drawing units, as given.
        std::array<double, 3> point{};
        struct Values
        {
            /// Position of the tetrahedron holding the point in the mesh's list.
            std::uint64_t tetrahedron = 0;
            std::array<double, 3> displacement{};
            /// xx, yy, zz, xy, yz, zx.
            std::array<double, 6> stress{};
            /// s1 >= s2 >= s3.
            std::array<double, 3> principal{};
            double vonMises = 0.0;
        };
        /// Empty (null in the file) where no tetrahedron holds the point.
        std::optional<Values> values;
    };
    std::vector<Probe> probes;
    std::optional<double> yield;
    std::optional<double> safetyFactor;
    /// The material the deck gave the solver.
    struct Material
    {
        std::string name;
        /// "task": the file's material; "fixed": the deck writer's own.
        std::string deck;
        double youngsModulus = 0.0;
        double poissonRatio = 0.0;
        std::optional<double> yield;
    };
    std::optional<Material> material;
    /// The forces of one support feature on the solid, summed over its grids.
    struct Reaction
    {
        /// The feature's position in the file's "features".
        std::size_t feature = 0;
        std::string kind;
        std::array<double, 3> force{};
    };
    std::vector<Reaction> reactions;
    struct Equilibrium
    {
        std::array<double, 3> applied{};
        std::array<double, 3> reactions{};
        double imbalance = 0.0;
    };
    std::optional<Equilibrium> equilibrium;
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
