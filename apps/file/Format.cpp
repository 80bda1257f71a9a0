#include "apps/file/Format.h"

#include <algorithm>
#include <cstdio>

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
} // namespace cae_app
