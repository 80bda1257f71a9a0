#include "host/solid/KernelOutput.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <iostream>
#include <string_view>

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

namespace
{
/// A kernel message without its colour codes, its frame of stars with the level word, and runs of blanks.
std::string plain(std::string_view line)
{
    std::string text;
    for (std::size_t i = 0; i < line.size(); ++i)
    {
        if (line[i] == '\x1b' && i + 1 < line.size() && line[i + 1] == '[')
        {
            std::size_t j = i + 2;
            while (j < line.size() && (std::isdigit(static_cast<unsigned char>(line[j])) || line[j] == ';'))
                ++j;
            if (j < line.size() && line[j] == 'm')
            {
                i = j;
                continue;
            }
        }
        if (line[i] == ' ' && (text.empty() || text.back() == ' '))
            continue;
        text += line[i];
    }
    const std::size_t first = text.find_first_not_of("* ");
    if (first == std::string::npos)
        return {};
    text.erase(0, first);
    for (const std::string_view level : {"ERR ", "WARN ", "INFO ", "FAIL ", "TRACE "})
        if (text.starts_with(level))
            text.erase(0, level.size());
    text.erase(text.find_last_not_of("* ") + 1);
    return text;
}
} // namespace

std::string KernelOutput::text()
{
    restore();
    if (!m_file)
        return {};
    std::string raw;
    std::rewind(m_file);
    for (int c = std::fgetc(m_file); c != EOF; c = std::fgetc(m_file))
        raw += static_cast<char>(c);
    return clean(raw);
}

std::string KernelOutput::clean(const std::string& raw)
{
    // A broken file can draw a report for each of thousands of entities; the first few say what is wrong.
    constexpr std::size_t kMaxLines = 8;
    std::string out;
    std::size_t lines = 0;
    for (std::size_t start = 0; start < raw.size();)
    {
        const std::size_t end = std::min(raw.find('\n', start), raw.size());
        const std::string line = plain(std::string_view(raw).substr(start, end - start));
        if (!line.empty() && lines++ < kMaxLines)
            out += (out.empty() ? "" : "\n") + line;
        start = end + 1;
    }
    if (lines > kMaxLines)
        out += "\n(and " + std::to_string(lines - kMaxLines) + " more lines)";
    return out;
}
} // namespace solid
