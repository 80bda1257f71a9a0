#include "platform/base/OdString.h"

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdarg>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <iterator>
#include <langinfo.h>
#include <locale.h>
#include <utf8.h>
#include <vector>

namespace
{
/// Longest text format() produces (in characters); beyond it the format is kept as it is.
constexpr std::size_t kMaxFormattedLength = std::size_t(1) << 24;

/// Switches the calling thread to its current locale with a UTF-8 LC_CTYPE for its lifetime.
/// Does nothing if LC_CTYPE is UTF-8 already or no UTF-8 locale is installed.
class Utf8CharacterLocale
{
public:
    Utf8CharacterLocale()
    {
        const locale_t current = uselocale(static_cast<locale_t>(0));
        const char* codeset =
            current == LC_GLOBAL_LOCALE ? nl_langinfo(CODESET) : nl_langinfo_l(CODESET, current);
        if (codeset && std::strcmp(codeset, "UTF-8") == 0)
            return;
        const locale_t base = duplocale(current);
        if (!base)
            return;
        m_utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", base);
        if (!m_utf8)
        {
            freelocale(base);
            return;
        }
        m_previous = uselocale(m_utf8);
    }
    ~Utf8CharacterLocale()
    {
        if (m_utf8)
        {
            uselocale(m_previous);
            freelocale(m_utf8);
        }
    }
    Utf8CharacterLocale(const Utf8CharacterLocale&) = delete;
    Utf8CharacterLocale& operator=(const Utf8CharacterLocale&) = delete;

private:
    locale_t m_utf8 = static_cast<locale_t>(0);
    locale_t m_previous = static_cast<locale_t>(0);
};

std::wstring fromUtf8(const char* s)
{
    if (!s)
        return {};
    std::string in(s);
    std::string valid;
    utf8::replace_invalid(in.begin(), in.end(), std::back_inserter(valid));
    std::wstring out;
    utf8::utf8to32(valid.begin(), valid.end(), std::back_inserter(out));
    return out;
}
} // namespace

OdString::OdString(const char* utf8) : m_str(fromUtf8(utf8)) {}

OdString& OdString::format(const wchar_t* fmt, ...)
{
    // Narrow (%s) arguments are UTF-8, as every narrow text given to OdString; the C library
    // decodes them by the thread's LC_CTYPE, so format under the thread's locale with a UTF-8
    // LC_CTYPE (numbers keep the caller's LC_NUMERIC).
    const Utf8CharacterLocale characterLocale;
    // vswprintf fails both for lack of room and for an argument it cannot encode; only the
    // latter sets errno (EILSEQ), so grow only for the former.
    std::vector<wchar_t> buf(256);
    for (;;)
    {
        va_list args;
        va_start(args, fmt);
        errno = 0;
        const int n = std::vswprintf(buf.data(), buf.size(), fmt, args);
        const int error = errno;
        va_end(args);
        if (n >= 0 && static_cast<std::size_t>(n) < buf.size())
        {
            m_str.assign(buf.data(), static_cast<std::size_t>(n));
            return *this;
        }
        if (error == EILSEQ || buf.size() >= kMaxFormattedLength)
        {
            // Keep the format itself rather than nothing.
            m_str = fmt;
            return *this;
        }
        buf.resize(std::min(buf.size() * 4, kMaxFormattedLength));
    }
}

OdString OdString::mid(int start) const
{
    if (start < 0)
        start = 0;
    if (static_cast<std::size_t>(start) >= m_str.size())
        return OdString();
    return OdString(m_str.substr(static_cast<std::size_t>(start)));
}

int OdString::find(wchar_t c) const
{
    const auto pos = m_str.find(c);
    return pos == std::wstring::npos ? -1 : static_cast<int>(pos);
}

int OdString::find(const OdString& s) const
{
    const auto pos = m_str.find(s.m_str);
    return pos == std::wstring::npos ? -1 : static_cast<int>(pos);
}

OdString& OdString::replace(const OdString& from, const OdString& to)
{
    if (from.m_str.empty())
        return *this;
    std::size_t pos = 0;
    while ((pos = m_str.find(from.m_str, pos)) != std::wstring::npos)
    {
        m_str.replace(pos, from.m_str.size(), to.m_str);
        pos += to.m_str.size();
    }
    return *this;
}

OdString& OdString::trimLeft()
{
    const auto it = std::find_if(m_str.begin(), m_str.end(), [](wchar_t c) { return !std::iswspace(c); });
    m_str.erase(m_str.begin(), it);
    return *this;
}

OdString& OdString::trimRight()
{
    while (!m_str.empty() && std::iswspace(m_str.back()))
        m_str.pop_back();
    return *this;
}

OdString& OdString::makeUpper()
{
    for (auto& c : m_str)
        c = static_cast<wchar_t>(std::towupper(c));
    return *this;
}

OdString& OdString::makeLower()
{
    for (auto& c : m_str)
        c = static_cast<wchar_t>(std::towlower(c));
    return *this;
}

int OdString::iCompare(const OdString& s) const
{
    OdString a(*this), b(s);
    return a.makeLower().compare(b.makeLower());
}

OdAnsiString::OdAnsiString(const OdString& s)
{
    std::u32string u32;
    u32.reserve(s.str().size());
    for (wchar_t c : s.str())
    {
        const auto cp = static_cast<char32_t>(c);
        // Surrogates and values past the Unicode range cannot be encoded; show them as U+FFFD.
        u32.push_back((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF ? char32_t(0xFFFD) : cp);
    }
    utf8::utf32to8(u32.begin(), u32.end(), std::back_inserter(m_str));
}
