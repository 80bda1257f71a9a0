#include "cae_core/core/Translation.h"

#include <wx/string.h>
#include <wx/translation.h>

namespace cae_core
{
namespace
{
// wchar_t holds whole code points on this platform, as in wxString's own storage, so both
// conversions keep every character, embedded nulls included.
wxString toWx(const OdString& s)
{
    return wxString(s.c_str(), static_cast<std::size_t>(s.getLength()));
}

OdString fromWx(const wxString& s)
{
    return OdString(s.ToStdWstring());
}
} // namespace

OdString translate(const OdString& english)
{
    // In a message catalogue the empty key names the catalogue's header, not a text.
    if (english.isEmpty())
        return english;
    const wxString key = toWx(english);
    if (const wxTranslations* translations = wxTranslations::Get())
    {
        if (const wxString* translated = translations->GetTranslatedString(key))
            return fromWx(*translated);
    }
    return fromWx(wxTranslations::GetUntranslatedString(key));
}
} // namespace cae_core
