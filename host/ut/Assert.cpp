#include "host/ut/Assert.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

namespace ut
{
namespace
{
// Guards the recorder chain and the reports: assertions may come from any thread,
// even though the module itself creates none.
std::mutex& assertMutex()
{
    static std::mutex m;
    return m;
}

AssertRecorder* s_pRecorder = nullptr;

const char* orEmpty(const char* s)
{
    return s ? s : "";
}
} // namespace

void callAssert(const char* expression, const char* message, const char* source, int line)
{
    {
        std::lock_guard lock(assertMutex());
        if (s_pRecorder)
        {
            s_pRecorder->m_reports.push_back({orEmpty(expression), orEmpty(message), orEmpty(source), line});
            return;
        }
    }
    if (message && *message)
        std::fprintf(stderr, "Assertion failed: %s (%s) at %s:%d\n", orEmpty(expression), message,
                     orEmpty(source), line);
    else
        std::fprintf(stderr, "Assertion failed: %s at %s:%d\n", orEmpty(expression), orEmpty(source), line);
    std::fflush(stderr);
}

AssertRecorder::AssertRecorder()
{
    std::lock_guard lock(assertMutex());
    m_previous = s_pRecorder;
    s_pRecorder = this;
}

AssertRecorder::~AssertRecorder()
{
    std::lock_guard lock(assertMutex());
    if (s_pRecorder == this)
    {
        s_pRecorder = m_previous;
        return;
    }
    // Destroyed out of nesting order: unlink wherever it sits so the chain never dangles.
    for (AssertRecorder* r = s_pRecorder; r; r = r->m_previous)
    {
        if (r->m_previous == this)
        {
            r->m_previous = m_previous;
            break;
        }
    }
}

std::vector<AssertReport> AssertRecorder::reports() const
{
    std::lock_guard lock(assertMutex());
    return m_reports;
}

std::size_t AssertRecorder::count() const
{
    std::lock_guard lock(assertMutex());
    return m_reports.size();
}

bool AssertRecorder::fired(std::string_view expression) const
{
    std::lock_guard lock(assertMutex());
    return std::any_of(m_reports.begin(), m_reports.end(),
                       [&](const AssertReport& r) { return r.expression == expression; });
}

bool AssertRecorder::fired(std::string_view expression, std::string_view source, int line) const
{
    std::lock_guard lock(assertMutex());
    return std::any_of(m_reports.begin(), m_reports.end(),
                       [&](const AssertReport& r)
                       { return r.expression == expression && r.source == source && r.line == line; });
}

void AssertRecorder::clear()
{
    std::lock_guard lock(assertMutex());
    m_reports.clear();
}

} // namespace ut
