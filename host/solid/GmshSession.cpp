#include "host/solid/GmshSession.h"

#include <gmsh.h>

#include <algorithm>
#include <atomic>
#include <exception>

namespace solid
{
namespace
{
std::recursive_mutex& gmshMutex()
{
    static std::recursive_mutex s_mutex;
    return s_mutex;
}

void initialiseOnce()
{
    static const bool s_initialised = []
    {
        gmsh::initialize(0, nullptr, false);
        // Quiet on the terminal. Errors are only logged, never thrown: Gmsh raises some of them
        // inside its parallel regions, where a thrown error would end the process. Callers look at
        // the captured log instead (GmshSession::failed).
        gmsh::option::setNumber("General.Terminal", 0);
        gmsh::option::setNumber("General.AbortOnError", 0);
        gmsh::option::setNumber("General.Verbosity", 2);
        return true;
    }();
    (void)s_initialised;
}
} // namespace

GmshSession::GmshSession(const std::string& model) : m_lock(gmshMutex())
{
    initialiseOnce();
    gmsh::logger::start();
    if (!model.empty())
        gmsh::model::setCurrent(model);
}

GmshSession::~GmshSession()
{
    try
    {
        gmsh::logger::stop();
    }
    catch (...)
    {
    }
}

bool GmshSession::failed() const
{
    std::vector<std::string> log;
    try
    {
        gmsh::logger::get(log);
    }
    catch (...)
    {
        return true;
    }
    for (const auto& line : log)
        if (line.rfind("Error", 0) == 0)
            return true;
    return false;
}

std::string GmshSession::failureMessage(const std::exception* what) const
{
    std::vector<std::string> log;
    try
    {
        gmsh::logger::get(log);
    }
    catch (...)
    {
    }
    // Gmsh repeats an error for every element it concerns; each distinct line is kept once, and
    // only the first few, which say what went wrong.
    constexpr std::size_t kMaxLines = 8;
    std::vector<std::string> errorLines, warningLines;
    for (const auto& line : log)
    {
        auto& target = line.rfind("Error", 0) == 0 ? errorLines : warningLines;
        if (target.size() < kMaxLines && std::find(target.begin(), target.end(), line) == target.end())
            target.push_back(line);
    }
    const auto join = [](const std::vector<std::string>& lines)
    {
        std::string text;
        for (const auto& line : lines)
            text += (text.empty() ? "" : "\n") + line;
        return text;
    };
    const std::string errors = join(errorLines), warnings = join(warningLines);
    std::string message = errors.empty() ? warnings : errors;
    if (what && what->what() && message.find(what->what()) == std::string::npos)
        message += (message.empty() ? "" : "\n") + std::string(what->what());
    return message.empty() ? std::string("Gmsh failed without a message") : message;
}

std::string GmshSession::newModelName()
{
    static std::atomic<unsigned long> s_count{0};
    return "cae_solid_" + std::to_string(++s_count);
}
} // namespace solid
