#pragma once

// Test helper: a message catalogue served from memory, so translated texts can be tested
// without catalogue files.

#include <wx/arrstr.h>
#include <wx/translation.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace cae_core::test
{
/// Builds a gettext message catalogue (.mo) in memory from UTF-8 pairs: the header, the tables of
/// originals and of translations (length and offset of each), then the strings themselves.
inline std::string makeCatalogue(std::map<std::string, std::string> entries)
{
    entries[""] = "Content-Type: text/plain; charset=UTF-8\n";
    const auto n = static_cast<std::uint32_t>(entries.size());
    std::vector<std::uint32_t> words{0x950412de, 0, n, 28, 28 + 8 * n, 0, 0};
    words.resize(7 + 4 * n);
    std::string strings;
    std::uint32_t i = 0;
    // Entries are kept sorted by the original, as the format expects.
    for (const auto& [original, translation] : entries)
    {
        for (const auto& [text, slot] :
             {std::pair(&original, 7 + 2 * i), std::pair(&translation, 7 + 2 * (n + i))})
        {
            words[slot] = static_cast<std::uint32_t>(text->size());
            words[slot + 1] = 28 + 16 * n + static_cast<std::uint32_t>(strings.size());
            strings += *text + '\0';
        }
        ++i;
    }
    return std::string(reinterpret_cast<const char*>(words.data()), words.size() * 4) + strings;
}

/// Serves one in-memory catalogue for every domain in German.
class MemoryLoader : public wxTranslationsLoader
{
public:
    explicit MemoryLoader(std::string mo) : m_mo(std::move(mo)) {}
    wxMsgCatalog* LoadCatalog(const wxString& domain, const wxString& lang) override
    {
        if (lang != "de")
            return nullptr;
        return wxMsgCatalog::CreateFromData(wxScopedCharBuffer::CreateNonOwned(m_mo.data(), m_mo.size()),
                                            domain);
    }
    wxArrayString GetAvailableTranslations(const wxString&) const override
    {
        wxArrayString languages;
        languages.Add("de");
        return languages;
    }

private:
    std::string m_mo;
};

/// Installs a German catalogue with the given UTF-8 pairs as the global translations; the
/// previous translations are deleted, and so is this one on destruction.
class ScopedGermanCatalogue
{
public:
    explicit ScopedGermanCatalogue(std::map<std::string, std::string> entries)
    {
        auto* translations = new wxTranslations;
        wxTranslations::Set(translations); // takes ownership
        translations->SetLoader(new MemoryLoader(makeCatalogue(std::move(entries))));
        translations->SetLanguage("de");
        m_loaded = translations->AddCatalog("cae_core");
    }
    ~ScopedGermanCatalogue() { wxTranslations::Set(nullptr); }
    ScopedGermanCatalogue(const ScopedGermanCatalogue&) = delete;
    ScopedGermanCatalogue& operator=(const ScopedGermanCatalogue&) = delete;

    bool loaded() const { return m_loaded; }

private:
    bool m_loaded = false;
};
} // namespace cae_core::test
