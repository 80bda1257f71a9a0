#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ut
{

/// Reports a broken invariant and returns: the host keeps running after an assertion.
/// Without an active AssertRecorder the report goes to standard error as
/// "Assertion failed: <expression> (<message>) at <source>:<line>"; the parenthesised part is left out
/// when the message is null or empty. Null texts are taken as empty.
void callAssert(const char* expression, const char* message, const char* source, int line);

/// One assertion report, as callAssert received it.
struct AssertReport
{
    std::string expression;
    std::string message;
    std::string source;
    int line = 0;
};

/// Captures assertion reports instead of printing them, for as long as it lives.
/// Recorders nest: the most recently created live recorder receives the reports.
/// Create and destroy recorders in strict nesting order on one thread (as RAII on the stack does).
class AssertRecorder
{
public:
    AssertRecorder();
    ~AssertRecorder();
    AssertRecorder(const AssertRecorder&) = delete;
    AssertRecorder& operator=(const AssertRecorder&) = delete;

    /// Every report captured so far, oldest first.
    std::vector<AssertReport> reports() const;
    std::size_t count() const;
    /// True when a captured report has exactly this expression.
    bool fired(std::string_view expression) const;
    /// True when a captured report has this expression, source and line.
    bool fired(std::string_view expression, std::string_view source, int line) const;
    void clear();

private:
    friend void callAssert(const char*, const char*, const char*, int);

    AssertRecorder* m_previous = nullptr;
    std::vector<AssertReport> m_reports;
};

} // namespace ut

/// Asserts `condition` and carries on: when it is false, reports the expression, `message`, `source` and
/// this line through ut::callAssert. `source` is the module's own name for the source, such as
/// "cae_core/cae_api_units", never the compiler's file path, which depends on where the code was built.
#define UT_ASSERT(condition, message, source)                                                                \
    ((condition) ? static_cast<void>(0) : ::ut::callAssert(#condition, (message), (source), __LINE__))
