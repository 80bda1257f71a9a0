#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

/// The command line of the `cae` program.
namespace cae_app
{
/// Exit statuses of `cae`, part of its documented interface.
enum ExitStatus : int
{
    eExitSolved = 0,
    eExitUsage = 1,
    /// The file cannot be read or is malformed, or the analysis is not ready.
    eExitInvalid = 2,
    /// Meshing, solving or writing the results failed.
    eExitFailed = 3,
    /// A signal stopped the run: this plus the signal's number (130 for SIGINT, 143 for SIGTERM), as a
    /// shell reports a program that the signal ended.
    eExitInterrupted = 128
};

struct CommandLine
{
    enum class Action
    {
        /// Print `text` to standard output and exit 0.
        eShowText,
        /// Print `text` (an error and a hint) to standard error and exit 1.
        eUsageError,
        eAnalyze2d,
        eTask3d
    };
    Action action = Action::eUsageError;
    std::string text;
    std::string file;
    std::optional<std::string> outDir;
    /// A drawing whose glyph blocks give the loads and supports (`--loads-from`).
    std::optional<std::string> loadsFrom;
    bool quiet = false;
    /// What the result pictures colour (`--quantity`).
    enum class Quantity
    {
        eVonMises,
        eDisplacement,
        eNone
    };
    Quantity quantity = Quantity::eVonMises;
    /// What the 3D result pictures colour (`task3d --color`).
    enum class Color
    {
        eVonMises,
        eDisplacement,
        eSafety,
        /// The largest and the smallest principal stress.
        eS1,
        eS3,
        /// A component of the stress tensor.
        eSxx,
        eSyy,
        eSzz,
        eSxy,
        eSyz,
        eSzx
    };
    Color color = Color::eVonMises;
    /// Where the 3D result pictures are seen from (`task3d --view`).
    enum class View
    {
        eIso,
        eFront,
        eTop,
        eRight,
        /// A sheet of the four (3D pictures only).
        eAll
    };
    View view = View::eIso;
    /// Whether the result pictures outline every triangle of the mesh (`--edges on|off`).
    bool edges = true;
    /// The deformation of the result pictures (`--deform`): empty for the large-displacement factor,
    /// otherwise the factor (0 for none).
    std::optional<double> deform;
    /// Pixels of the PNG pictures (`--picture-size WIDTHxHEIGHT`); the SVG pictures take the same
    /// size in points.
    int pictureWidth = 1600;
    int pictureHeight = 1000;
    /// The glyph size of the pictures (`--glyph-size S`, drawing units); empty for the drawing
    /// context's own (its annotation scale).
    std::optional<double> glyphSize;
    /// Points where the local quantities are reported (`--probe X,Y`, repeatable), in file order.
    std::vector<std::array<double, 2>> probes;
    /// Linear loads on six-node elements as their work-equivalent nodal loads (`--consistent-loads`).
    bool consistentLoads = false;
    /// Material points of the solid where `task3d --probe X,Y,Z` (repeatable) reports the local
    /// quantities, in drawing units, in command-line order.
    std::vector<std::array<double, 3>> solidProbes;
    /// Refine until the maxima change by less than this fraction (`--converge [P%]`); empty for a
    /// single analysis on the file's mesh.
    std::optional<double> converge;
    /// Seconds the solver step of `task3d` may take before it is stopped (`--solver-timeout`); empty
    /// for no limit.
    std::optional<double> solverTimeout;
    /// Keywords for the solver program's command line (`--solver-option KEY=VALUE`, repeatable), in order.
    std::vector<std::string> solverOptions;
    /// Keep the solver's working folder after a successful `task3d` run (`--keep-work`).
    bool keepWork = false;
    /// The most tetrahedra `task3d` lets the mesher make (`--max-tetrahedra N`).
    std::uint64_t maxTetrahedra = 2000000;
};

/// Reads the arguments after the program name.
CommandLine parseCommandLine(const std::vector<std::string>& args);

/// `cae --help`.
std::string generalHelp();
/// `cae analyze2d --help`: the options and a short description of the analysis file.
std::string analyze2dHelp();
} // namespace cae_app
