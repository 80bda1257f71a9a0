// The code pages of DXF files before UTF-8: reading their bytes as Unicode and writing Unicode back.
#include "platform/db/DbDxf.h"

#include <iconv.h>
#include <utf8.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string_view>

namespace
{
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

/// iconv's name for a code page as a drawing's header names it ($DWGCODEPAGE); Windows Latin 1 for
/// one it does not know, which is what a drawing that names none is read as.
std::string iconvName(const std::string& codePage)
{
    const std::string_view name(codePage);
    if (name.starts_with("ANSI_") && name.size() > 5)
        return "CP" + codePage.substr(5);
    if (name.starts_with("DOS") && name.size() > 3)
        return "CP" + codePage.substr(3);
    if (name.starts_with("ISO8859-"))
        return "ISO-" + codePage.substr(3);
    if (name == "KSC5601")
        return "EUC-KR";
    if (name == "MACINTOSH" || name == "BIG5" || name == "GB2312" || name == "JOHAB")
        return codePage;
    return "CP1252";
}

/// A conversion iconv opens once for as long as it is needed.
class Conversion
{
public:
    /// A code page this system's iconv lacks stands as Windows Latin 1.
    Conversion(const std::string& to, const std::string& from) : m_cd(iconv_open(to.c_str(), from.c_str()))
    {
        const auto unicode = [](const std::string& name) { return name.starts_with("UTF-"); };
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            m_cd = iconv_open(unicode(to) ? to.c_str() : "CP1252", unicode(from) ? from.c_str() : "CP1252");
    }
    ~Conversion()
    {
        if (m_cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(m_cd);
    }
    Conversion(const Conversion&) = delete;
    Conversion& operator=(const Conversion&) = delete;

    /// Converts `in` whole, appending to `out`; false, with `out` as it was, when a character has no
    /// form in the target or `in` is not a whole text of the source.
    bool convert(std::string_view in, std::string& out) const
    {
        const std::size_t before = out.size();
        char* source = const_cast<char*>(in.data());
        std::size_t left = in.size();
        char buffer[64];
        while (left > 0)
        {
            char* target = buffer;
            std::size_t room = sizeof buffer;
            const std::size_t done = iconv(m_cd, &source, &left, &target, &room);
            out.append(buffer, static_cast<std::size_t>(target - buffer));
            if (done == static_cast<std::size_t>(-1) && errno != E2BIG)
            {
                out.resize(before);
                iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
                return false;
            }
        }
        return true;
    }

private:
    iconv_t m_cd;
};

} // namespace

namespace OdDbDetail
{
std::string utf8FromCodePage(const std::string& bytes, const std::string& codePage)
{
    if (isAsciiText(bytes))
        return bytes;
    const Conversion toUtf8("UTF-8", iconvName(codePage));
    std::string out;
    // Byte by byte where the whole does not convert, so that one stray byte costs only itself.
    if (toUtf8.convert(bytes, out))
        return out;
    for (std::size_t i = 0; i < bytes.size();)
    {
        std::size_t n = 1;
        while (i + n <= bytes.size() && n <= 4 && !toUtf8.convert(std::string_view(bytes).substr(i, n), out))
            ++n;
        if (i + n > bytes.size() || n > 4)
        {
            out += kReplacement;
            n = 1;
        }
        i += n;
    }
    return out;
}

std::string codePageFromUtf8(const std::string& utf8, const std::string& codePage)
{
    if (isAsciiText(utf8))
        return utf8;
    const Conversion fromUtf8(iconvName(codePage), "UTF-8");
    std::string out;
    for (auto it = utf8.begin(); it != utf8.end();)
    {
        const auto start = it;
        std::uint32_t code = 0xFFFD;
        try
        {
            code = utf8::next(it, utf8.end());
        }
        catch (const utf8::exception&)
        {
            // A byte that starts no character stands for itself alone.
            it = start + 1;
        }
        if (code < 0x80)
            out += static_cast<char>(code);
        // A character of the code page is written as its bytes, any other as \U+XXXX, which every
        // reader decodes whatever the code page.
        else if (code == 0xFFFD ||
                 !fromUtf8.convert(std::string_view(&*start, static_cast<std::size_t>(it - start)), out))
        {
            char escape[16];
            std::snprintf(escape, sizeof escape, "\\U+%04X",
                          static_cast<unsigned>(code > 0xFFFF ? 0xFFFD : code));
            out += escape;
        }
    }
    return out;
}

bool isAsciiText(std::string_view text)
{
    return std::ranges::all_of(text, [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}
} // namespace OdDbDetail
