#include "host/solid/KernelOutput.h"

#include <unistd.h>

#include <cctype>
#include <iostream>
#include <regex>

namespace solid
{
KernelOutput::KernelOutput()
{
    std::cout.flush();
    std::fflush(stdout);
    m_file = std::tmpfile();
    if (!m_file)
        return;
    m_saved = ::dup(STDOUT_FILENO);
    if (m_saved < 0 || ::dup2(::fileno(m_file), STDOUT_FILENO) < 0)
        restore();
}

KernelOutput::~KernelOutput()
{
    restore();
    if (m_file)
        std::fclose(m_file);
}

void KernelOutput::restore()
{
    if (m_saved < 0)
        return;
    std::cout.flush();
    std::fflush(stdout);
    ::dup2(m_saved, STDOUT_FILENO);
    ::close(m_saved);
    m_saved = -1;
}

std::string KernelOutput::text()
{
    restore();
    if (!m_file)
        return {};
    std::string raw;
    std::rewind(m_file);
    for (int c = std::fgetc(m_file); c != EOF; c = std::fgetc(m_file))
        raw += static_cast<char>(c);
    static const std::regex kColour("\x1b\\[[0-9;]*m");
    static const std::regex kFrame("^\\*+ *(ERR|WARN|INFO|FAIL|TRACE)? *|\\*+$");
    static const std::regex kBlanks("  +");
    std::string out;
    std::size_t start = 0;
    while (start < raw.size())
    {
        std::size_t end = raw.find('\n', start);
        if (end == std::string::npos)
            end = raw.size();
        std::string line = std::regex_replace(raw.substr(start, end - start), kColour, "");
        line = std::regex_replace(line, kFrame, "");
        line = std::regex_replace(line, kBlanks, " ");
        while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())))
            line.pop_back();
        if (!line.empty())
            out += (out.empty() ? "" : "\n") + line;
        start = end + 1;
    }
    return out;
}
} // namespace solid
