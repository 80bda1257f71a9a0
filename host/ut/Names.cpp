#include "host/ut/Names.h"

#include "host/ut/Assert.h"

#include <cwchar>
#include <string>

namespace ut
{
namespace
{
bool isControl(wchar_t c)
{
    return c < 0x20 || c == 0x7F;
}

bool allowedExtended(wchar_t c)
{
    return !isControl(c) && std::wcschr(L"<>/\\\":;?*|,=`", c) == nullptr;
}

bool allowedLegacy(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') || c == L'$' ||
           c == L'-' || c == L'_';
}
} // namespace

OdString makeValidName(const OdString& name, wchar_t replacement, bool legacyNames)
{
    const auto allowed = legacyNames ? allowedLegacy : allowedExtended;
    if (!allowed(replacement) || replacement == L' ')
    {
        callAssert("allowed(replacement)", "the replacement character is itself not allowed in a symbol name",
                   "host/ut/Names.cpp", __LINE__);
        replacement = L'_';
    }

    std::wstring out;
    out.reserve(name.str().size());
    for (wchar_t c : name.str())
    {
        if (legacyNames && c >= L'a' && c <= L'z')
            c = static_cast<wchar_t>(c - L'a' + L'A');
        out += allowed(c) ? c : replacement;
    }

    const auto first = out.find_first_not_of(L' ');
    out = first == std::wstring::npos ? std::wstring()
                                      : out.substr(first, out.find_last_not_of(L' ') - first + 1);

    const auto maxLength =
        static_cast<std::size_t>(legacyNames ? kMaxLegacySymbolNameLength : kMaxSymbolNameLength);
    if (out.size() > maxLength)
    {
        out.resize(maxLength);
        // Cutting may expose spaces at the end again.
        while (!out.empty() && out.back() == L' ')
            out.pop_back();
    }
    if (out.empty())
        out = replacement;
    return OdString(std::move(out));
}

OdString makeUniqueName(const OdString& base, const std::function<bool(const OdString&)>& exists)
{
    if (!exists(base))
        return base;
    for (unsigned long long n = 1;; ++n)
    {
        const std::wstring suffix = L"_" + std::to_wstring(n);
        std::wstring candidate = base.str();
        const auto room = static_cast<std::size_t>(kMaxSymbolNameLength) - suffix.size();
        if (candidate.size() > room)
            candidate.resize(room);
        candidate += suffix;
        OdString name(std::move(candidate));
        if (!exists(name))
            return name;
    }
}

} // namespace ut
