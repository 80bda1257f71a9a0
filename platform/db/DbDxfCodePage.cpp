// The code pages of DXF files before UTF-8: reading their bytes as Unicode and writing Unicode back.
#include "platform/db/DbDxf.h"

#include <iconv.h>

#include <cerrno>
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

bool isAscii(std::string_view text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

/// The length of the UTF-8 sequence that starts with `lead`; 0 for a byte no sequence starts with.
std::size_t sequenceLength(unsigned char lead)
{
    return lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
}
} // namespace

namespace OdDbDetail
{
std::string utf8FromCodePage(const std::string& bytes, const std::string& codePage)
{
    if (isAscii(bytes))
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
    if (isAscii(utf8))
        return utf8;
    const Conversion fromUtf8(iconvName(codePage), "UTF-8");
    const Conversion toUtf32("UTF-32BE", "UTF-8");
    std::string out;
    for (std::size_t i = 0; i < utf8.size();)
    {
        const std::size_t n = sequenceLength(static_cast<unsigned char>(utf8[i]));
        const std::string_view one = std::string_view(utf8).substr(i, n == 0 ? 1 : n);
        i += one.size();
        if (n == 1)
        {
            out += one;
            continue;
        }
        // A character of the code page is written as its bytes, any other as \U+XXXX, which every
        // reader decodes whatever the code page.
        if (n != 0 && fromUtf8.convert(one, out))
            continue;
        std::string wide;
        unsigned long code = 0xFFFD;
        if (n != 0 && toUtf32.convert(one, wide) && wide.size() == 4)
            code = (static_cast<unsigned long>(static_cast<unsigned char>(wide[1])) << 16) |
                   (static_cast<unsigned long>(static_cast<unsigned char>(wide[2])) << 8) |
                   static_cast<unsigned char>(wide[3]);
        char escape[16];
        std::snprintf(escape, sizeof escape, "\\U+%04lX", code > 0xFFFF ? 0xFFFDUL : code);
        out += escape;
    }
    return out;
}
} // namespace OdDbDetail
