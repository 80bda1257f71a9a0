#include "apps/CommandLine.h"

#include "apps/file/Format.h"
#include "apps/task3d/Task3dCommandLine.h"

namespace cae_app
{
namespace
{
constexpr const char* kVersion = "cae 0.1.0";

CommandLine usageError(const std::string& message, const char* hint)
{
    CommandLine cl;
    cl.action = CommandLine::Action::eUsageError;
    cl.text = "cae: " + message + "\n" + hint;
    return cl;
}

CommandLine showText(std::string text)
{
    CommandLine cl;
    cl.action = CommandLine::Action::eShowText;
    cl.text = std::move(text);
    return cl;
}

constexpr const char* kGeneralHint = "Try 'cae --help'.\n";
constexpr const char* kAnalyzeHint =
    "Usage: cae analyze2d FILE.json [--out DIR] [--quiet] [--quantity Q] [--deform F]\n"
    "                     [--edges on|off] [--picture-size WxH] [--glyph-size S] [--probe X,Y]...\n"
    "                     [--loads-from DRAWING.dxf] [--consistent-loads]\n"
    "                     [--converge [P%]]\n"
    "Try 'cae analyze2d --help'.\n";

/// Reads the option `a` (and for "--name VALUE" the next argument) into `value`; an error text
/// when the value is missing.
std::optional<std::string> optionValue(const std::vector<std::string>& args, std::size_t& i,
                                       const std::string& name, std::string& value)
{
    const std::string& a = args[i];
    if (a == name)
    {
        if (i + 1 == args.size())
            return name + " needs a value";
        value = args[++i];
    }
    else
        value = a.substr(name.size() + 1);
    if (value.empty())
        return name + " needs a value";
    return std::nullopt;
}

bool isOption(const std::string& a, const std::string& name)
{
    return a == name || a.rfind(name + "=", 0) == 0;
}

/// Reads the picture options; an error text for a value that is not allowed.
std::optional<std::string> pictureOption(CommandLine& cl, const std::string& name, const std::string& value)
{
    if (name == "--quantity")
    {
        if (value == "vonMises")
            cl.quantity = CommandLine::Quantity::eVonMises;
        else if (value == "displacement")
            cl.quantity = CommandLine::Quantity::eDisplacement;
        else if (value == "none")
            cl.quantity = CommandLine::Quantity::eNone;
        else
            return "--quantity must be vonMises, displacement or none, not '" + value + "'";
    }
    else if (name == "--deform")
    {
        if (value == "large")
            cl.deform.reset();
        else if (value == "none")
            cl.deform = 0.0;
        else if (const auto f = parseNumber(value); f && *f >= 0.0)
            cl.deform = *f;
        else
            return "--deform must be a factor of at least 0, large or none, not '" + value + "'";
    }
    else if (name == "--edges")
    {
        if (value != "on" && value != "off")
            return "--edges must be on or off, not '" + value + "'";
        cl.edges = value == "on";
    }
    else if (name == "--picture-size")
        return pictureSizeOption(value, cl.pictureWidth, cl.pictureHeight);
    else if (name == "--glyph-size")
    {
        const auto s = parseNumber(value);
        if (!s || !(*s > 0.0))
            return "--glyph-size must be a size greater than 0, not '" + value + "'";
        cl.glyphSize = *s;
    }
    else if (name == "--probe")
    {
        const auto comma = value.find(',');
        const auto x = comma == std::string::npos ? std::nullopt : parseNumber(value.substr(0, comma));
        const auto y = comma == std::string::npos ? std::nullopt : parseNumber(value.substr(comma + 1));
        if (!x || !y)
            return "--probe must be X,Y with two numbers, not '" + value + "'";
        cl.probes.push_back({*x, *y});
    }
    return std::nullopt;
}

/// Reads one analyze2d option at args[i] (and its value, moving `i` past it); an error text when it is
/// not allowed.
using ReadOption = std::optional<std::string> (*)(CommandLine& cl, const char* name,
                                                  const std::vector<std::string>& args, std::size_t& i);

std::optional<std::string> readQuiet(CommandLine& cl, const char*, const std::vector<std::string>&,
                                     std::size_t&)
{
    cl.quiet = true;
    return std::nullopt;
}

std::optional<std::string> readConsistentLoads(CommandLine& cl, const char*, const std::vector<std::string>&,
                                               std::size_t&)
{
    cl.consistentLoads = true;
    return std::nullopt;
}

std::optional<std::string> readConverge(CommandLine& cl, const char*, const std::vector<std::string>& args,
                                        std::size_t& i)
{
    return convergeOption(args, i, cl.converge);
}

std::optional<std::string> readPicture(CommandLine& cl, const char* name,
                                       const std::vector<std::string>& args, std::size_t& i)
{
    std::string value;
    if (auto error = optionValue(args, i, name, value))
        return error;
    return pictureOption(cl, name, value);
}

std::optional<std::string> readLoadsFrom(CommandLine& cl, const char*, const std::vector<std::string>& args,
                                         std::size_t& i)
{
    std::string drawing;
    if (auto error = optionValue(args, i, "--loads-from", drawing))
        return error;
    if (cl.loadsFrom)
        return "--loads-from is given twice";
    cl.loadsFrom = drawing;
    return std::nullopt;
}

std::optional<std::string> readOut(CommandLine& cl, const char*, const std::vector<std::string>& args,
                                   std::size_t& i)
{
    std::string dir;
    if (args[i] == "--out")
    {
        if (i + 1 == args.size())
            return "--out needs a folder";
        dir = args[++i];
    }
    else
        dir = args[i].substr(6);
    if (dir.empty())
        return "--out needs a folder";
    if (cl.outDir)
        return "--out is given twice";
    cl.outDir = dir;
    return std::nullopt;
}

struct Analyze2dOption
{
    const char* name;
    /// Given as "--name VALUE" or "--name=VALUE"; a switch is given only as "--name".
    bool takesValue;
    ReadOption read;
};

constexpr Analyze2dOption kAnalyze2dOptions[] = {{"--quiet", false, &readQuiet},
                                                 {"--consistent-loads", false, &readConsistentLoads},
                                                 {"--converge", true, &readConverge},
                                                 {"--quantity", true, &readPicture},
                                                 {"--deform", true, &readPicture},
                                                 {"--edges", true, &readPicture},
                                                 {"--picture-size", true, &readPicture},
                                                 {"--glyph-size", true, &readPicture},
                                                 {"--probe", true, &readPicture},
                                                 {"--loads-from", true, &readLoadsFrom},
                                                 {"--out", true, &readOut}};

const Analyze2dOption* findAnalyze2dOption(const std::string& a)
{
    for (const Analyze2dOption& option : kAnalyze2dOptions)
        if (option.takesValue ? isOption(a, option.name) : a == option.name)
            return &option;
    return nullptr;
}
} // namespace

std::string generalHelp()
{
    return "Usage: cae COMMAND [ARGS]\n"
           "\n"
           "Commands:\n"
           "  analyze2d FILE.json [--out DIR] [--quiet]\n"
           "              run the 2D linear-elastic analysis that FILE.json describes: mesh the\n"
           "              region, check the inputs, solve, and report stresses, displacements and\n"
           "              support reactions; with --out also write DIR/summary.json and\n"
           "              DIR/result.vtu (open it in ParaView)\n"
           "  task3d FILE.json [--out DIR] [--quiet]\n"
           "              run the 3D static analysis of the solid that FILE.json describes: mesh\n"
           "              it with tetrahedra, write the Nastran deck, run the solver program and\n"
           "              report the largest stress and displacement; with --out also write\n"
           "              DIR/summary.json, DIR/result.vtu and the result pictures\n"
           "\n"
           "Options:\n"
           "  -h, --help  show this text ('cae analyze2d --help' and 'cae task3d --help'\n"
           "              describe the files)\n"
           "  --version   show the version\n"
           "\n"
           "Example analysis files are in examples/; README.md shows a run.\n";
}

std::string analyze2dHelp()
{
    return "Usage: cae analyze2d FILE.json [--out DIR] [--quiet]\n"
           "\n"
           "Runs the 2D linear-elastic analysis that FILE.json describes and prints the mesh, the\n"
           "largest von Mises stress and displacement, the reaction of every support, an\n"
           "equilibrium check (applied loads against the sum of reactions) and the times.\n"
           "\n"
           "Options:\n"
           "  --out DIR   also write DIR/summary.json, DIR/result.vtu (VTK unstructured grid\n"
           "              for ParaView), the pictures DIR/setup.svg and DIR/setup.png (region,\n"
           "              mesh, load and support glyphs; also for a run that is not ready),\n"
           "              DIR/result.svg and DIR/result.png (the coloured, deformed mesh with the\n"
           "              glyphs, reaction arrows and a legend) and DIR/drawing.dxf (the region,\n"
           "              the load and support glyph blocks and the results block, for a CAD\n"
           "              program); DIR is created if needed. Files\n"
           "              are replaced only when complete. summary.json is written for failed\n"
           "              runs too.\n"
           "  --quiet     print only errors\n"
           "  --quantity vonMises|displacement|none\n"
           "              what result.svg and result.png colour (default vonMises: each triangle\n"
           "              by the stress at its centre; displacement: by each vertex's)\n"
           "  --deform FACTOR|large|none\n"
           "              how far the result pictures deform the mesh: a multiple of the\n"
           "              displacements, large (default: the largest displacement drawn a tenth\n"
           "              of the region's diagonal, never below true scale) or none; the\n"
           "              pictures and the report state the scale\n"
           "  --edges on|off\n"
           "              outline every triangle in the result pictures, thin and light\n"
           "              (default on)\n"
           "  --picture-size WIDTHxHEIGHT\n"
           "              pixels of the PNG pictures (default 1600x1000)\n"
           "  --glyph-size S\n"
           "              the unit of the load, support and reaction glyphs, in drawing units\n"
           "              (a load arrow is 25 S long; default: the drawing's annotation scale)\n"
           "  --probe X,Y report displacement, stresses, principal stresses and von Mises\n"
           "              at the point X,Y of the undeformed region, N/A outside it\n"
           "              (repeatable; also under \"probes\" in summary.json)\n"
           "  --consistent-loads\n"
           "              share a linear load on six-node elements 1/6, 2/3, 1/6 among an\n"
           "              edge's nodes (its work-equivalent loads) instead of 1/4, 1/2, 1/4,\n"
           "              which disturbs the stresses next to a loaded edge\n"
           "  --converge [P%]\n"
           "              also solve on meshes of half the size, again and again, until the\n"
           "              largest von Mises stress and displacement change by less than P%\n"
           "              (default 1%) or the mesher's triangle budget is reached; print the\n"
           "              steps and the maxima extrapolated from the last three with their\n"
           "              observed order, or name a stress that keeps growing (a re-entrant\n"
           "              corner) as singular; with --out also write \"convergence\" in\n"
           "              summary.json and the plot DIR/convergence.svg and .png\n"
           "  --loads-from DRAWING.dxf\n"
           "              take the loads and supports from the glyph blocks of a drawing.dxf\n"
           "              (as a CAD program left them after moving or turning them) instead of\n"
           "              the file's \"loadsAndSupports\"\n"
           "  -h, --help  show this text\n"
           "\n"
           "Exit status: 0 solved; 1 wrong usage; 2 the file is unreadable or malformed, or the\n"
           "analysis is not ready (its messages say why); 3 meshing, solving or writing the\n"
           "results failed.\n"
           "\n"
           "The file is JSON; unknown keys are errors. Values are in the drawing's units with no\n"
           "conversion: millimeters with N and MPa, meters with N and Pa, inches with lbf and psi.\n"
           "Points and vectors are [x, y]; angles are in degrees.\n"
           "\n"
           "  \"description\": \"...\"                        optional, printed first\n"
           "  \"drawing\": {\"measurement\": \"metric\" | \"imperial\",\n"
           "              \"insunits\": \"millimeters\" | \"meters\" | \"inches\" | ...,\n"
           "              \"annoScale\": 1}                 annoScale optional\n"
           "  \"region\": {\"outer\": LOOP, \"holes\": [LOOP, ...]}     holes optional\n"
           "      LOOP: a list of curves, each starting where the one before ends (a curve may\n"
           "      be given either way round; the program orients the loops itself):\n"
           "        {\"line\": {\"from\": P, \"to\": P}}\n"
           "        {\"arc\": {\"center\": P, \"radius\": r, \"startAngleDeg\": a, \"endAngleDeg\": b}}\n"
           "                                               counter-clockwise from a to b\n"
           "        {\"circle\": {\"center\": P, \"radius\": r}}   alone in its loop\n"
           "        {\"spline\": {\"fitPoints\": [P, P, ...]}}    passes through its fit points\n"
           "        {\"ellipse\": {\"center\": P, \"majorAxis\": V, \"ratio\": k, \"startParam\": s,\n"
           "                     \"endParam\": e}}           radians, counter-clockwise; both left\n"
           "                                               out: the whole ellipse, alone in its loop\n"
           "        {\"nurbs\": {\"degree\": p, \"controlPoints\": [P, ...], \"knots\": [u, ...],\n"
           "                   \"weights\": [w, ...]}}       clamped; weights optional\n"
           "  or \"region\": {\"dxf\": \"part.dxf\", \"layer\": \"PART\"}  a drawing beside the file; its\n"
           "      closed boundaries on the layer (all of model space without one); the largest\n"
           "      loop is the outer one, the others holes. Units come from its $INSUNITS unless\n"
           "      \"drawing\" states them (\"drawing\" and its keys are optional then).\n"
           "  \"mode\": \"planeStress\" | \"planeStrain\"\n"
           "  \"elementType\": \"triangle6\" | \"triangle3\"\n"
           "  \"material\": {\"thickness\", \"youngsModulus\", \"poissonRatio\", \"yield\"}\n"
           "  \"mesh\": {                                    optional, and so is each key\n"
           "      \"size\": h,                              default: the region's default size\n"
           "      \"smoothing\": 3,                         smoothing passes (0 to 100)\n"
           "      \"refinementRegions\": [{\"circle\": {\"center\": P, \"radius\": r}, \"ratio\": k},\n"
           "                            {\"rectangle\": {\"corner1\": P, \"corner2\": P}, \"ratio\": k}],\n"
           "                                               size inside: h / k (k >= 1)\n"
           "      \"adaptive\": {\"refineAutomatically\": false, \"boundaryRefinement\": 3,\n"
           "                   \"internalTriangleThreshold\": 20, \"maxIterations\": 25,\n"
           "                   \"elasticityThreshold\": 0.05}}\n"
           "                                               refines where the displacement still\n"
           "                                               changes by more than the threshold\n"
           "  \"loadsAndSupports\": [                        in order; the index names reactions\n"
           "      {\"pointLoad\": {\"location\": P, \"direction\": V, \"magnitude\": F}},\n"
           "      {\"linearLoad\": {\"start\": P, \"end\": P, \"magnitude\": q, \"angleDeg\": a,\n"
           "                      \"angleRelativeToBoundary\": false, \"flipped\": false}},\n"
           "      {\"pointSupport\": {\"location\": P, \"rolling\": false, \"direction\": V}},\n"
           "      {\"linearSupport\": {\"start\": P, \"end\": P, \"rolling\": false, \"flipped\": false}}]\n"
           "  \"solver\": \"inHouse\" | \"nastran\"             default \"inHouse\"\n"
           "\n"
           "Point loads and supports act at the mesh vertex nearest to their location. A rolling\n"
           "point support blocks only its direction. Linear loads and supports act on the\n"
           "boundary between start and end, which must lie on the same boundary loop: walking\n"
           "with the material on the left (counter-clockwise around the outer loop, clockwise\n"
           "around holes) from end to start, or from start to end when flipped (start equal to\n"
           "end covers the whole loop but for the one mesh edge that closes it). A linear load\n"
           "is q per unit length along (-cos a, -sin a) (angleDeg 90 pushes in -y); with\n"
           "angleRelativeToBoundary it is the walking direction turned counter-clockwise by a,\n"
           "so 90 presses on the boundary and -90 pulls it outwards. A rolling linear support\n"
           "blocks movement normal to the boundary.\n"
           "\n"
           "Examples: examples/*.json (plate_with_hole.json is the one README.md runs).\n";
}

CommandLine parseCommandLine(const std::vector<std::string>& args)
{
    if (args.empty())
        return usageError("no command given", kGeneralHint);
    const std::string& command = args[0];
    if (command == "-h" || command == "--help" || command == "help")
        return showText(generalHelp());
    if (command == "--version")
        return showText(std::string(kVersion) + "\n");
    if (command == "task3d")
        return parseTask3dCommandLine(args);
    if (command != "analyze2d")
        return usageError("unknown command '" + command + "'", kGeneralHint);

    CommandLine cl;
    cl.action = CommandLine::Action::eAnalyze2d;
    bool filesOnly = false;
    for (std::size_t i = 1; i < args.size(); ++i)
    {
        const std::string& a = args[i];
        if (!filesOnly)
        {
            if (a == "-h" || a == "--help")
                return showText(analyze2dHelp());
            if (a == "--")
            {
                filesOnly = true;
                continue;
            }
            if (const Analyze2dOption* option = findAnalyze2dOption(a))
            {
                if (auto error = option->read(cl, option->name, args, i))
                    return usageError(*error, kAnalyzeHint);
                continue;
            }
            if (a.size() > 1 && a[0] == '-')
                return usageError("unknown option '" + a + "'", kAnalyzeHint);
        }
        if (!cl.file.empty())
            return usageError("more than one file given ('" + cl.file + "' and '" + a + "')", kAnalyzeHint);
        cl.file = a;
    }
    if (cl.file.empty())
        return usageError("analyze2d needs an analysis file", kAnalyzeHint);
    return cl;
}
} // namespace cae_app
