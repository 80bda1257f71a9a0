#include "host/solid/StepImport.h"

#include "host/solid/GmshSession.h"
#include "host/solid/KernelOutput.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmsh.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string_view>
#include <vector>

namespace solid::detail
{
namespace
{
/// Largest coordinate, in drawing units, that a STEP file may place a solid at. The kernel's
/// confusion tolerance is 1e-7; beyond 1e9 a double no longer resolves it, and coordinates near the
/// largest double overflow in its bounding boxes and fixing.
constexpr double kLargestCoordinate = 1e9;

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

/// Runs in the forked child: everything the kernel prints goes to `kernelLog`; the reason for a
/// failure to `errorFile`. Returns the child's exit status.
int importInChild(GmshSession& session, const std::string& step, const char* targetUnit,
                  const std::filesystem::path& brep, const std::filesystem::path& kernelLog,
                  const std::filesystem::path& errorFile)
{
    const int log = ::open(kernelLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (log >= 0)
        ::dup2(log, STDOUT_FILENO);
    // A crash report of the child (a sanitiser's, say) is no message for the user: the parent says what
    // happened.
    const int quiet = ::open("/dev/null", O_WRONLY);
    if (quiet >= 0)
        ::dup2(quiet, STDERR_FILENO);
    std::string error;
    try
    {
        gmsh::option::setString("Geometry.OCCTargetUnit", targetUnit);
        gmsh::model::add(GmshSession::newModelName());
        gmsh::vectorpair shapes;
        gmsh::model::occ::importShapes(step, shapes, true, "step");
        gmsh::model::occ::synchronize();
        bool solid = false;
        for (const auto& dimTag : shapes)
            solid = solid || dimTag.first == 3;
        double box[6] = {};
        if (solid)
            gmsh::model::getBoundingBox(-1, -1, box[0], box[1], box[2], box[3], box[4], box[5]);
        bool inRange = true;
        for (const double c : box)
            inRange = inRange && std::isfinite(c) && std::abs(c) <= kLargestCoordinate;
        if (session.failed())
            error = session.failureMessage();
        else if (!solid)
            error = "the file holds no solid";
        else if (!inRange)
            error = "the solid reaches past " + std::to_string(static_cast<long long>(kLargestCoordinate)) +
                    " drawing units from the origin";
        else
        {
            gmsh::write(brep.string());
            if (session.failed())
                error = session.failureMessage();
        }
    }
    catch (const std::exception& e)
    {
        error = session.failureMessage(&e);
    }
    catch (...)
    {
        error = session.failureMessage();
    }
    std::cout.flush();
    std::fflush(stdout);
    if (error.empty())
        return 0;
    std::ofstream(errorFile, std::ios::binary) << error;
    return 1;
}
/// The kernel's STEP reader takes a circle, an ellipse or a round surface of radius 0 without a
/// word, and the degenerate edge it makes sends the picking of faces round without end. Returns
/// "entity #N: a TYPE of radius R" for the first such entity of the STEP text, or nothing.
std::string findZeroRadius(const std::string& text)
{
    static const std::string_view kRound[] = {"CIRCLE", "ELLIPSE", "CYLINDRICAL_SURFACE", "SPHERICAL_SURFACE",
                                              "TOROIDAL_SURFACE"};
    const auto isName = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    for (std::size_t at = text.find('#'); at != std::string::npos; at = text.find('#', at + 1))
    {
        std::size_t i = at + 1;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
            ++i;
        const std::string id = text.substr(at, i - at);
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
            ++i;
        if (id.size() < 2 || i >= text.size() || text[i] != '=')
            continue;
        ++i;
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
            ++i;
        const std::size_t typeStart = i;
        while (i < text.size() && isName(text[i]))
            ++i;
        const std::string_view type(text.data() + typeStart, i - typeStart);
        if (std::find(std::begin(kRound), std::end(kRound), type) == std::end(kRound) || i >= text.size() ||
            text[i] != '(')
            continue;
        // The parameters at the top level: a name, a placement, then the radii.
        std::vector<std::string> parameters(1);
        bool quoted = false;
        int depth = 0;
        for (++i; i < text.size(); ++i)
        {
            const char c = text[i];
            if (c == '\'')
                quoted = !quoted;
            else if (!quoted && c == '(')
                ++depth;
            else if (!quoted && c == ')' && depth-- == 0)
                break;
            else if (!quoted && c == ',' && depth == 0)
            {
                parameters.emplace_back();
                continue;
            }
            parameters.back() += c;
        }
        for (std::size_t p = 2; p < parameters.size(); ++p)
        {
            char* end = nullptr;
            const double radius = std::strtod(parameters[p].c_str(), &end);
            if (end != parameters[p].c_str() && !(radius > 0))
                return "entity " + id + ": a " + std::string(type) + " of radius " + parameters[p];
        }
    }
    return {};
}
} // namespace

ScratchFolder::ScratchFolder()
{
    static std::atomic<unsigned long> s_count{0};
    m_path = std::filesystem::temp_directory_path() /
             ("cae-solid-" + std::to_string(::getpid()) + "-" + std::to_string(++s_count));
    std::filesystem::remove_all(m_path);
    std::filesystem::create_directory(m_path);
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

const char* stepTargetUnit(OdDb::UnitsValue units)
{
    switch (units)
    {
    case OdDb::kUnitsUndefined:
    case OdDb::kUnitsMillimeters:
        return "MM";
    case OdDb::kUnitsInches:
        return "INCH";
    case OdDb::kUnitsFeet:
        return "FT";
    case OdDb::kUnitsMiles:
        return "MI";
    case OdDb::kUnitsCentimeters:
        return "CM";
    case OdDb::kUnitsMeters:
        return "M";
    case OdDb::kUnitsKilometers:
        return "KM";
    case OdDb::kUnitsMicroinches:
        return "UIN";
    case OdDb::kUnitsMils:
        return "MIL";
    case OdDb::kUnitsMicrons:
        return "UM";
    default:
        return nullptr;
    }
}

std::filesystem::path importStepIsolated(const std::string& step, const char* targetUnit,
                                         const ScratchFolder& scratch, std::string& error)
{
    const std::filesystem::path brep = scratch.path() / "solid.brep";
    const std::filesystem::path kernelLog = scratch.path() / "kernel.txt";
    const std::filesystem::path errorFile = scratch.path() / "error.txt";
    const std::string what = "the STEP file '" + step + "'";
    if (const std::string zero = findZeroRadius(readFile(step)); !zero.empty())
    {
        error = "cannot read " + what + ": " + zero;
        return {};
    }

    // The session's lock is held across the fork, so no other thread of this process is inside Gmsh
    // while its state is copied. The child must not lock it again: the lock remembers the parent's
    // thread, which the child is not.
    GmshSession session;
    std::cout.flush();
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = ::fork();
    if (child < 0)
    {
        error = "cannot start a process to read " + what + ": " + std::strerror(errno);
        return {};
    }
    if (child == 0)
        ::_exit(importInChild(session, step, targetUnit, brep, kernelLog, errorFile));

    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR)
    {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && std::filesystem::exists(brep))
        return brep;
    const std::string kernel = KernelOutput::clean(readFile(kernelLog));
    // A child that ends without giving its reason crashed: killed by a signal, or ended by a handler
    // that caught the signal (as a sanitiser's does).
    if (WIFSIGNALED(status) || !std::filesystem::exists(errorFile))
    {
        std::string how;
        if (WIFSIGNALED(status))
            how = "signal " + std::to_string(WTERMSIG(status)) + ", " + ::strsignal(WTERMSIG(status));
        else
            how = "exit status " + std::to_string(WEXITSTATUS(status));
        error = "the solid kernel crashed reading " + what + " (" + how + "); the file is broken";
        if (!kernel.empty())
            error += ":\n" + kernel;
        return {};
    }
    std::string reason = readFile(errorFile);
    if (!kernel.empty() && reason.find(kernel) == std::string::npos)
        reason = kernel + (reason.empty() ? "" : "\n" + reason);
    error = "cannot read " + what + ": " +
            (reason.empty() ? std::string("the reader stopped without a message") : reason);
    return {};
}
} // namespace solid::detail
