#include "cae_core/nastran/detail/PrintoutLines.h"

#include <charconv>
#include <cmath>

namespace cae_core::nastran::detail
{

std::optional<std::uint64_t> subcaseOf(std::string_view line)
{
    constexpr std::string_view kSubcase = "SUBCASE ";
    if (line.empty() || line[0] != '0')
        return std::nullopt;
    const std::size_t end = line.find_last_not_of(' ');
    if (end == std::string_view::npos)
        return std::nullopt;
    line = line.substr(0, end + 1);
    const std::size_t at = line.rfind(kSubcase);
    if (at == std::string_view::npos)
        return std::nullopt;
    std::uint64_t subcase = 0;
    if (!isWholeId(line.substr(at + kSubcase.size()), subcase))
        return std::nullopt;
    return subcase;
}

bool holdsSpacedTitle(std::string_view line)
{
    constexpr std::size_t kSpacedTitleLetters = 4;
    std::size_t run = 0;
    for (std::size_t i = 0; i + 1 < line.size(); ++i)
    {
        if (line[i] >= 'A' && line[i] <= 'Z' && line[i + 1] == ' ')
        {
            if (++run >= kSpacedTitleLetters)
                return true;
            ++i;
        }
        else if (line[i] != ' ')
            run = 0;
    }
    return false;
}

std::string_view titleOf(std::string_view line)
{
    if (const std::size_t option = line.find("OPTION ="); option != std::string_view::npos)
        line = line.substr(0, option);
    // A text-mode line end on the solver's home platform leaves a carriage return.
    const std::size_t first = line.find_first_not_of(" \r");
    if (first == std::string_view::npos)
        return {};
    return line.substr(first, line.find_last_not_of(" \r") - first + 1);
}

std::vector<std::string_view> tokensOf(std::string_view line, std::size_t max)
{
    std::vector<std::string_view> tokens;
    std::size_t i = 0;
    while (i < line.size() && tokens.size() < max)
    {
        while (i < line.size() && line[i] == ' ')
            ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ')
            ++i;
        if (i > start)
            tokens.push_back(line.substr(start, i - start));
    }
    return tokens;
}

bool isWholeReal(std::string_view token, double& value)
{
    if (!token.empty() && token[0] == '+')
        token.remove_prefix(1);
    const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
    return !token.empty() && error == std::errc() && end == token.data() + token.size() &&
           std::isfinite(value);
}

bool isWholeId(std::string_view token, std::uint64_t& id)
{
    const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), id);
    return !token.empty() && error == std::errc() && end == token.data() + token.size();
}

} // namespace cae_core::nastran::detail
