#include "apps/file/Format.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace cae_app
{
std::string formatNumber(double v, int significant)
{
    if (v == 0.0)
        v = 0.0; // no "-0"
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*g", significant, v);
    return buffer;
}

std::string formatPoint(const OdGePoint2d& p, int significant)
{
    std::string out = "(";
    out += formatNumber(p.x, significant);
    out += ", ";
    out += formatNumber(p.y, significant);
    return out += ")";
}

std::string formatVector(const OdGeVector2d& v, int significant)
{
    return formatPoint(OdGePoint2d(v.x, v.y), significant);
}

std::string printable(std::string_view text, std::size_t maxCharacters)
{
    std::string out;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size();)
    {
        if (characters == maxCharacters)
            return out + "...";
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        length = std::min(length, text.size() - i);
        char escape[16] = {};
        if (c < 0x20 || c == 0x7F)
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
        else if (c == 0xC2 && length == 2 && static_cast<unsigned char>(text[i + 1]) < 0xA0)
            std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned char>(text[i + 1]));
        if (escape[0])
            out += escape;
        else
            out.append(text, i, length);
        i += length;
        ++characters;
    }
    return out;
}

std::string formatMilliseconds(double ms)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", ms < 10.0 ? 2 : (ms < 100.0 ? 1 : 0), ms);
    return buffer;
}
std::optional<double> parseNumber(const std::string& text)
{
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0])))
        return std::nullopt;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<std::string> pictureSizeOption(const std::string& value, int& width, int& height)
{
    constexpr double kMaxPixels = 16384;
    const auto x = value.find('x');
    const auto w = x == std::string::npos ? std::nullopt : parseNumber(value.substr(0, x));
    const auto h = x == std::string::npos ? std::nullopt : parseNumber(value.substr(x + 1));
    const auto whole = [&](const std::optional<double>& v)
    { return v && *v >= 1 && *v <= kMaxPixels && *v == std::floor(*v); };
    if (!whole(w) || !whole(h))
        return "--picture-size must be WIDTHxHEIGHT in pixels, each 1 to 16384, not '" + value + "'";
    width = static_cast<int>(*w);
    height = static_cast<int>(*h);
    return std::nullopt;
}

std::string utf8(const OdString& s)
{
    return OdAnsiString(s).str();
}
std::optional<double> convergeTolerance(const std::string& value)
{
    if (value.size() < 2 || value.back() != '%')
        return std::nullopt;
    const auto p = parseNumber(value.substr(0, value.size() - 1));
    if (!p || !(*p > 0.0 && *p < 100.0))
        return std::nullopt;
    return *p / 100.0;
}

std::optional<std::string> convergeOption(const std::vector<std::string>& args, std::size_t& i,
                                          std::optional<double>& converge)
{
    const bool alone = args[i] == "--converge";
    std::string value = alone ? std::string() : args[i].substr(11);
    if (alone && i + 1 < args.size() && convergeTolerance(args[i + 1]))
        value = args[++i];
    const std::optional<double> tolerance =
        alone && value.empty() ? kDefaultConvergeTolerance : convergeTolerance(value);
    if (!tolerance)
        return "--converge takes a tolerance above 0% and below 100%, such as 1%, not '" + value + "'";
    converge = *tolerance;
    return std::nullopt;
}

} // namespace cae_app
