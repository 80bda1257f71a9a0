#include "host/cma/ProgressMeter.h"

#include <algorithm>
#include <iostream>
#include <string>
#include <unistd.h>

namespace cma
{

namespace
{
/// Clears the terminal's line and returns to its start (carriage return, then ANSI "erase in line").
constexpr const char* kEraseLine = "\r\x1b[K";
} // namespace

ProgressMeter::ProgressMeter()
    : m_sink(&std::cerr), m_interactive(::isatty(STDERR_FILENO) == 1),
      m_sharesCommandLine(m_interactive && ::isatty(STDOUT_FILENO) == 1)
{
}

ProgressMeter::ProgressMeter(std::ostream& sink, bool interactive, bool sharesCommandLine)
    : m_sink(&sink), m_interactive(interactive), m_sharesCommandLine(interactive && sharesCommandLine)
{
}

ProgressMeter::~ProgressMeter()
{
    try
    {
        stop();
    }
    catch (...)
    {
        // A failing sink must not escape a destructor.
    }
}

void ProgressMeter::start(const OdString& label, int total)
{
    if (m_running)
        stop();
    m_label = label;
    m_total = std::max(total, 1);
    m_done = 0;
    m_running = true;
    m_owner = std::this_thread::get_id();
    if (m_sharesCommandLine)
        m_previousStatusLine = ca::setStatusLine(this);
    draw();
}

void ProgressMeter::progress(int done)
{
    if (!m_running)
        return;
    m_done = std::clamp(done, 0, m_total);
    if (!m_interactive || percent() == m_drawnPercent)
        return;
    if (Clock::now() - m_lastDraw < kRedrawInterval)
        return;
    draw();
}

void ProgressMeter::stop()
{
    if (!m_running)
        return;
    m_running = false;
    if (!m_interactive)
        return;
    if (m_sharesCommandLine)
        ca::setStatusLine(m_previousStatusLine);
    draw();
    *m_sink << '\n';
    m_sink->flush();
}

void ProgressMeter::erase()
{
    if (std::this_thread::get_id() != m_owner)
        return;
    *m_sink << kEraseLine;
    m_sink->flush();
}

void ProgressMeter::redraw()
{
    if (std::this_thread::get_id() != m_owner)
        return;
    draw();
}

int ProgressMeter::percent() const
{
    return static_cast<int>(static_cast<long long>(m_done) * 100 / m_total);
}

void ProgressMeter::draw()
{
    if (!m_interactive)
        return;
    const int pct = percent();
    const int filled = static_cast<int>(static_cast<long long>(m_done) * kBarWidth / m_total);
    std::string line = "\r";
    if (!m_label.isEmpty())
    {
        line += OdAnsiString(m_label).str();
        line += ' ';
    }
    line += '[';
    line.append(static_cast<std::size_t>(filled), '#');
    line.append(static_cast<std::size_t>(kBarWidth - filled), '.');
    line += "] ";
    const std::string number = std::to_string(pct);
    line.append(3 - std::min<std::size_t>(3, number.size()), ' ');
    line += number;
    line += '%';
    *m_sink << line;
    m_sink->flush();
    m_drawnPercent = pct;
    m_lastDraw = Clock::now();
}

} // namespace cma
