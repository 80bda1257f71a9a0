#pragma once

// What every table of a printed result file shares: carriage control, page headers with their subcase,
// spaced titles. For the readers that follow a real solver's printout rather than the module's own.

#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

namespace cae_core::nastran::detail
{

/// A page header's first line: carriage control 1 (new page).
inline bool isPageHeader(std::string_view line)
{
    return !line.empty() && line[0] == '1';
}

/// The n of a page header's "0 ... SUBCASE n" line; none for any other line (the case control echo
/// prints "SUBCASE n" too, but never after carriage control 0).
std::optional<std::uint64_t> subcaseOf(std::string_view line);

/// Whether a line holds a spaced title such as "L O A D   V E C T O R" (four letters each followed by
/// one blank).
bool holdsSpacedTitle(std::string_view line);

/// The line without its blanks at either end and without a trailing "OPTION = ..." note, for matching a
/// title whole.
std::string_view titleOf(std::string_view line);

/// The blank-separated tokens of a line, at most `max` of them (views into the line).
std::vector<std::string_view> tokensOf(std::string_view line,
                                       std::size_t max = std::numeric_limits<std::size_t>::max());

/// Whether `token` is wholly a finite number, as the solver prints one.
bool isWholeReal(std::string_view token, double& value);

/// Whether `token` is wholly an unsigned decimal id.
bool isWholeId(std::string_view token, std::uint64_t& id);

/// Follows the subcase of a printout's pages: which one is read, and whether the current page is in it.
class SubcaseFilter
{
public:
    explicit SubcaseFilter(std::uint64_t wanted) : m_wanted(wanted) {}

    /// Takes the line's subcase if it is a page header's; true when the reading leaves the subcase read.
    bool line(std::string_view text)
    {
        const std::optional<std::uint64_t> subcase = subcaseOf(text);
        if (!subcase)
            return false;
        if (m_wanted == 0)
            m_wanted = *subcase;
        const bool wasIn = m_in;
        m_in = *subcase == m_wanted;
        return wasIn && !m_in;
    }
    bool inSubcase() const { return m_in; }

private:
    std::uint64_t m_wanted;
    bool m_in = true;
};

} // namespace cae_core::nastran::detail
