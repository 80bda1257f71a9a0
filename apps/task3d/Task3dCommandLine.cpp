#include "apps/task3d/Task3dCommandLine.h"

#include "apps/CommandLine.h"
#include "apps/file/Format.h"
#include "apps/task3d/TaskFile.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <string_view>
#include <utility>

namespace cae_app
{
namespace
{
constexpr const char* kHint =
    "Usage: cae task3d FILE.json [--out DIR] [--quiet] [--color C] [--view V]\n"
    "                  [--deform F] [--picture-size WxH] [--max-tetrahedra N]\n"
    "                  [--solver-timeout S] [--solver-option KEY=VALUE] [--keep-work]\n"
    "                  [--probe X,Y,Z]... [--converge [P%]]\n"
    "Try 'cae task3d --help'.\n";

CommandLine usageError(const std::string& message)
{
    CommandLine cl;
    cl.action = CommandLine::Action::eUsageError;
    cl.text = "cae: " + message + "\n" + kHint;
    return cl;
}

// Each sets one option from its value; an error text when the value is not allowed.

std::string setOut(CommandLine& cl, const std::string& value)
{
    if (cl.outDir)
        return "--out is given twice";
    cl.outDir = value;
    return {};
}

std::string setColor(CommandLine& cl, const std::string& value)
{
    using C = CommandLine::Color;
    static const std::pair<const char*, C> kColors[] = {{"vonMises", C::eVonMises},
                                                        {"displacement", C::eDisplacement},
                                                        {"safety", C::eSafety},
                                                        {"s1", C::eS1},
                                                        {"s3", C::eS3},
                                                        {"sxx", C::eSxx},
                                                        {"syy", C::eSyy},
                                                        {"szz", C::eSzz},
                                                        {"sxy", C::eSxy},
                                                        {"syz", C::eSyz},
                                                        {"szx", C::eSzx}};
    const auto found =
        std::find_if(std::begin(kColors), std::end(kColors), [&](const auto& c) { return value == c.first; });
    if (found == std::end(kColors))
        return "--color must be vonMises, displacement, safety, s1, s3, sxx, syy, szz, sxy, syz or szx, "
               "not '" +
               value + "'";
    cl.color = found->second;
    return {};
}

std::string setProbe(CommandLine& cl, const std::string& value)
{
    std::array<double, 3> p{};
    std::size_t start = 0;
    for (std::size_t k = 0; k < 3; ++k)
    {
        const std::size_t comma = k < 2 ? value.find(',', start) : value.size();
        const auto v =
            comma == std::string::npos ? std::nullopt : parseNumber(value.substr(start, comma - start));
        if (!v || (k == 2 && value.find(',', start) != std::string::npos))
            return "--probe must be X,Y,Z with three numbers in drawing units, not '" + value + "'";
        p[k] = *v;
        start = comma + 1;
    }
    cl.solidProbes.push_back(p);
    return {};
}

std::string setView(CommandLine& cl, const std::string& value)
{
    using V = CommandLine::View;
    static const std::pair<const char*, V> kViews[] = {
        {"iso", V::eIso}, {"front", V::eFront}, {"top", V::eTop}, {"right", V::eRight}, {"all", V::eAll}};
    const auto found =
        std::find_if(std::begin(kViews), std::end(kViews), [&](const auto& v) { return value == v.first; });
    if (found == std::end(kViews))
        return "--view must be iso, front, top, right or all, not '" + value + "'";
    cl.view = found->second;
    return {};
}

std::string setDeform(CommandLine& cl, const std::string& value)
{
    const auto v = parseNumber(value);
    if (!v || *v < 0.0)
        return "--deform must be a factor of at least 0, not '" + value + "'";
    cl.deform = *v;
    return {};
}

std::string setPictureSize(CommandLine& cl, const std::string& value)
{
    return pictureSizeOption(value, cl.pictureWidth, cl.pictureHeight).value_or(std::string());
}

std::string setMaxTetrahedra(CommandLine& cl, const std::string& value)
{
    // A whole number; past 1e12 no machine holds the mesh anyway.
    const auto v = parseNumber(value);
    if (!v || *v < 1.0 || *v > 1e12 || *v != std::floor(*v))
        return "--max-tetrahedra must be a whole number from 1 to 1e12, not '" + value + "'";
    cl.maxTetrahedra = static_cast<std::uint64_t>(*v);
    return {};
}

std::string setSolverOption(CommandLine& cl, const std::string& value)
{
    const std::size_t equals = value.find('=');
    const std::string problem = solverKeywordProblem(
        value.substr(0, equals), equals == std::string::npos ? "" : value.substr(equals + 1));
    if (!problem.empty())
        return "--solver-option must be KEY=VALUE: " + problem + ", in '" + value + "'";
    cl.solverOptions.push_back(value);
    return {};
}

std::string setSolverTimeout(CommandLine& cl, const std::string& value)
{
    const auto v = parseNumber(value);
    if (!v || !(*v > 0.0))
        return "--solver-timeout must be a number of seconds above 0, not '" + value + "'";
    cl.solverTimeout = *v;
    return {};
}

using SetOption = std::string (*)(CommandLine& cl, const std::string& value);

/// The options that take a value ("--name VALUE" or "--name=VALUE").
constexpr std::pair<std::string_view, SetOption> kValueOptions[] = {{"--out", &setOut},
                                                                    {"--color", &setColor},
                                                                    {"--probe", &setProbe},
                                                                    {"--view", &setView},
                                                                    {"--views", &setView},
                                                                    {"--deform", &setDeform},
                                                                    {"--picture-size", &setPictureSize},
                                                                    {"--max-tetrahedra", &setMaxTetrahedra},
                                                                    {"--solver-option", &setSolverOption},
                                                                    {"--solver-timeout", &setSolverTimeout}};
} // namespace

CommandLine parseTask3dCommandLine(const std::vector<std::string>& args)
{
    CommandLine cl;
    cl.action = CommandLine::Action::eTask3d;
    cl.deform.reset();
    bool filesOnly = false;
    for (std::size_t i = 1; i < args.size(); ++i)
    {
        const std::string& a = args[i];
        if (!filesOnly && (a == "-h" || a == "--help"))
        {
            CommandLine help;
            help.action = CommandLine::Action::eShowText;
            help.text = task3dHelp();
            return help;
        }
        if (!filesOnly && a == "--quiet")
        {
            cl.quiet = true;
            continue;
        }
        if (!filesOnly && a == "--keep-work")
        {
            cl.keepWork = true;
            continue;
        }
        if (!filesOnly && (a == "--converge" || a.rfind("--converge=", 0) == 0))
        {
            if (auto error = convergeOption(args, i, cl.converge))
                return usageError(*error);
            continue;
        }
        if (!filesOnly && a == "--")
        {
            filesOnly = true;
            continue;
        }
        if (!filesOnly && a.size() > 1 && a[0] == '-')
        {
            const auto equals = a.find('=');
            const std::string name = a.substr(0, equals);
            const auto option = std::find_if(std::begin(kValueOptions), std::end(kValueOptions),
                                             [&](const auto& o) { return name == o.first; });
            if (option == std::end(kValueOptions))
                return usageError("unknown option '" + a + "'");
            std::string value;
            if (equals != std::string::npos)
                value = a.substr(equals + 1);
            else if (i + 1 < args.size())
                value = args[++i];
            if (value.empty())
                return usageError(name + " needs a value");
            if (const std::string error = option->second(cl, value); !error.empty())
                return usageError(error);
            continue;
        }
        if (!cl.file.empty())
            return usageError("more than one file given ('" + cl.file + "' and '" + a + "')");
        cl.file = a;
    }
    if (cl.file.empty())
        return usageError("task3d needs a task file");
    return cl;
}

std::string task3dHelp()
{
    return "Usage: cae task3d FILE.json [--out DIR] [--quiet] [--color C] [--view V]\n"
           "                  [--deform F] [--picture-size WxH] [--max-tetrahedra N]\n"
           "                  [--solver-timeout S] [--solver-option KEY=VALUE] [--keep-work]\n"
           "                  [--probe X,Y,Z]... [--converge [P%]]\n"
           "\n"
           "Runs the 3D linear static analysis of the solid that FILE.json describes: meshes it with\n"
           "tetrahedra (ten-node ones unless the file asks for linear ones), turns its pressure, force\n"
           "and support features into loads and constraints, writes the Nastran deck task.dat with the\n"
           "file's material into a fresh working folder, runs the solver program on it (the one in\n"
           "CAE_NASTRAN_PATH, else the one built beside cae) and reads back task.f06. Prints the mesh,\n"
           "the material, the largest von Mises stress and displacement with the grids where they\n"
           "occur, the safety factor against the yield stress, the reactions of each support and\n"
           "whether they balance the loads, the working folder (when kept) and the times. A run\n"
           "counts as solved only when the solver's results are complete and balance the loads to\n"
           "1e-6.\n"
           "\n"
           "Results are in the drawing's length unit and the modelling system's force unit, stresses\n"
           "in that force per square length: millimeters with \"si\" give mm, N, MPa; meters m, N,\n"
           "Pa; inches with \"english\" in, lbf, psi.\n"
           "\n"
           "Options:\n"
           "  --out DIR   also write DIR/summary.json (also for failed runs), DIR/result.vtu (the\n"
           "              tetrahedra with displacement, von Mises, the stress tensor and the principal\n"
           "              stresses per grid, for ParaView)\n"
           "              and DIR/result.svg and DIR/result.png (the surface, coloured and displaced,\n"
           "              shaded, with the solid's edges, the undeformed outline, the loads and\n"
           "              supports, a legend, a caption and an axes triad)\n"
           "  --view iso|front|top|right|all\n"
           "              where the pictures look from (default iso: the south-east isometric\n"
           "              direction, z up); all makes each picture a sheet of the four views\n"
           "              (--views all says the same)\n"
           "  --quiet     print only errors\n"
           "  --color vonMises|displacement|safety|s1|s3|sxx|syy|szz|sxy|syz|szx\n"
           "              what the pictures colour (default vonMises; safety is the yield stress\n"
           "              over von Mises, or without a yield the module's min(100, 10000 / von\n"
           "              Mises), its legend clipped at five times its smallest value; s1 and s3\n"
           "              the largest and smallest principal stress; sxx ... szx a component of\n"
           "              the stress tensor in the drawing's axes)\n"
           "  --probe X,Y,Z\n"
           "              report the displacement, the stress components, the principal\n"
           "              stresses and von Mises at the material point X,Y,Z (drawing units, the\n"
           "              undeformed solid), interpolated within the tetrahedron holding it; N/A\n"
           "              outside the solid (repeatable; also under \"probes\" in summary.json)\n"
           "  --deform FACTOR\n"
           "              multiple of the displacements in the pictures (default: the largest\n"
           "              displacement drawn as a tenth of the solid's diagonal)\n"
           "  --picture-size WIDTHxHEIGHT\n"
           "              pixels of the PNG picture (default 1600x1000)\n"
           "  --max-tetrahedra N\n"
           "              refuse (exit 2) a mesh the mesher estimates above N tetrahedra\n"
           "              (default 2000000)\n"
           "  --solver-timeout SECONDS\n"
           "              stop the solver program when the solve step takes longer (default: no\n"
           "              limit); the run then fails\n"
           "  --solver-option KEY=VALUE\n"
           "              append KEY=VALUE to the solver program's command line, after the\n"
           "              task file's \"solver\" options (repeatable); dmp=2 shares the solution\n"
           "              between two processes\n"
           "  --keep-work keep the solver's working folder (deck, log, printout) after a run that\n"
           "              went well; after a failure it is always kept and its path printed\n"
           "  --converge [P%]\n"
           "              also solve with elements of 1/1.5 and 1/2.25 of \"meshing\"'s \"size\"\n"
           "              (which --converge needs) and print the steps, the largest von Mises\n"
           "              stress and displacement extrapolated with their observed order, or\n"
           "              name a stress that keeps growing (a re-entrant edge, the edge of a\n"
           "              fixed face) singular; P% (default 1%) is the change taken as settled\n"
           "  -h, --help  show this text\n"
           "\n"
           "Exit status: 0 solved; 1 wrong usage; 2 the file is unreadable or malformed (the\n"
           "message names the key path) or its mesh is beyond --max-tetrahedra; 3 meshing, the\n"
           "deck or the solver run failed, its results are incomplete or do not balance, or the\n"
           "solver took longer than --solver-timeout; 130 (Ctrl-C) or 143 (SIGTERM) the run was\n"
           "interrupted: the solver is stopped and summary.json says \"interrupted\".\n"
           "\n"
           "The file is JSON; unknown keys are errors. Lengths and points are in the drawing's\n"
           "units; pressures, the material's values and the yield stress in the modelling system's\n"
           "pressure unit (Pa for \"si\", psi for \"english\"); forces in its force unit (N, lbf).\n"
           "\n"
           "  \"description\": \"...\"                        optional, printed first\n"
           "  \"drawing\": {\"insunits\": \"millimeters\" | \"meters\" | \"inches\" | ...,\n"
           "              \"modelling\": \"si\" | \"english\"}\n"
           "  \"solid\": SOLID, one of\n"
           "      {\"step\": \"part.step\"}                   relative to the task file\n"
           "      {\"box\": {\"corner\": P, \"size\": [dx, dy, dz]}}\n"
           "      {\"cylinder\": {\"base\": P, \"axis\": V, \"radius\": r}}   axis: base to top\n"
           "      {\"sphere\": {\"center\": P, \"radius\": r}}\n"
           "      {\"union\" | \"difference\" | \"intersection\": [SOLID, SOLID, ...]}\n"
           "                                               left to right\n"
           "  \"material\": {\"name\": \"steel\", \"youngsModulus\": E, \"poissonRatio\": nu,\n"
           "               \"yield\": s}                   name and yield optional\n"
           "  \"deck\": {\"material\": \"task\" | \"fixed\",      optional; default task and quadratic;\n"
           "           \"elements\": \"quadratic\" | \"linear\"} fixed: E 200000, nu 0.3 in the\n"
           "                                               modelling units, whatever the part is\n"
           "  \"meshing\": {\"file\": \"parameters.json\"}      the module's meshing-parameter file\n"
           "           | {\"fineness\": f}                 0.01 (finest) to 100 (coarsest)\n"
           "           | {\"size\": h}                     element size in drawing units\n"
           "                                               optional: without it fineness 1\n"
           "  \"features\": [\n"
           "      {\"pressure\": {\"magnitude\": p, \"units\": \"Pa\" | \"psi\", \"direction\": V,\n"
           "                    \"faces\": [FACE, ...]}}   direction optional: normal pressure\n"
           "      {\"force\": {\"vector\": [fx, fy, fz], \"units\": \"N\" | \"lbf\", \"faces\": [FACE, "
           "...]}}\n"
           "                                               the total force, spread by area\n"
           "      {\"fix\": {\"faces\": [FACE, ...], \"edges\": [EDGE, ...]}}\n"
           "      {\"slide\": {\"faces\": [FACE, ...]}}        plane faces held along their normal\n"
           "      {\"hold\": {\"faces\": [...], \"edges\": [...], \"components\": \"13\"}}\n"
           "                                               held along the global axes named\n"
           "                                               (1 x, 2 y, 3 z)]\n"
           "      FACE, EDGE: the solid's face or edge index (1, 2, ...), or {\"point\": [x, y, z]}\n"
           "      for the one face or edge the point lies on (a point on two is refused)\n"
           "  \"yield\": s                                   optional, for the safety factor, when\n"
           "                                               the material does not give it\n"
           "  \"solver\": {\"options\": {\"dmp\": 2, ...}}       optional: keywords appended to the\n"
           "                                               solver program's command line\n"
           "\n"
           "Examples: examples/3d/bracket.json, examples/3d/round_bar.json.\n";
}
} // namespace cae_app
