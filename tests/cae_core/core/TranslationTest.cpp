#include "cae_core/core/Translation.h"

#include <gtest/gtest.h>
#include <wx/arrstr.h>
#include <wx/translation.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace cae_core
{
namespace
{
/// Builds a gettext message catalogue (.mo) in memory from UTF-8 pairs.
std::string makeCatalogue(std::map<std::string, std::string> entries)
{
    entries[""] = "Content-Type: text/plain; charset=UTF-8\n";
    const auto n = static_cast<std::uint32_t>(entries.size());
    const std::uint32_t headerSize = 7 * 4;
    const std::uint32_t originalsAt = headerSize;
    const std::uint32_t translationsAt = originalsAt + 8 * n;
    std::uint32_t stringsAt = translationsAt + 8 * n;

    std::vector<std::uint32_t> words{0x950412de, 0, n, originalsAt, translationsAt, 0, 0};
    std::vector<std::uint32_t> originals, translations;
    std::string strings;
    // Entries are kept sorted by the original, as the format expects.
    for (const auto& [original, translation] : entries)
    {
        originals.push_back(static_cast<std::uint32_t>(original.size()));
        originals.push_back(stringsAt + static_cast<std::uint32_t>(strings.size()));
        strings += original;
        strings += '\0';
    }
    for (const auto& [original, translation] : entries)
    {
        translations.push_back(static_cast<std::uint32_t>(translation.size()));
        translations.push_back(stringsAt + static_cast<std::uint32_t>(strings.size()));
        strings += translation;
        strings += '\0';
    }
    std::string out;
    auto put = [&out](std::uint32_t w) { out.append(reinterpret_cast<const char*>(&w), 4); };
    for (auto w : words)
        put(w);
    for (auto w : originals)
        put(w);
    for (auto w : translations)
        put(w);
    return out + strings;
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

class TranslationWithCatalogue : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto* translations = new wxTranslations;
        wxTranslations::Set(translations); // takes ownership
        translations->SetLoader(new MemoryLoader(makeCatalogue({
            {"Only Inches are supported INSUNITS if MEASUREMENT is set to Imperial.",
             "Nur Zoll ist als INSUNITS zul\xC3\xA4ssig, wenn MEASUREMENT auf Imperial steht."},
            {"N", "N"},
            {"lbf", "\xF0\x9F\x98\x80 lbf"},
        })));
        translations->SetLanguage("de");
        ASSERT_TRUE(translations->AddCatalog("cae_core"));
    }
    void TearDown() override { wxTranslations::Set(nullptr); }
};

TEST(TranslationWithoutCatalogue, TheEnglishTextIsReturned)
{
    ASSERT_EQ(wxTranslations::Get(), nullptr);
    EXPECT_EQ(translate(L"Planar stress"), OdString(L"Planar stress"));
    EXPECT_EQ(translate(OdString()), OdString());
}

TEST(TranslationWithoutCatalogue, EveryCharacterSurvivesTheRoundTrip)
{
    const wchar_t text[] = {L'a', 0x1F600, 0, L'\u00e9', 0xFFFD};
    const OdString english(text, sizeof(text) / sizeof(text[0]));
    const OdString back = translate(english);
    ASSERT_EQ(back.getLength(), 5);
    EXPECT_EQ(back, english);
}

TEST_F(TranslationWithCatalogue, KnownTextsAreTranslated)
{
    EXPECT_EQ(translate(L"Only Inches are supported INSUNITS if MEASUREMENT is set to Imperial."),
              OdString("Nur Zoll ist als INSUNITS zul\xC3\xA4ssig, wenn MEASUREMENT auf Imperial steht."));
    const OdString lbf = translate(L"lbf");
    ASSERT_EQ(lbf.getLength(), 5);
    EXPECT_EQ(lbf.getAt(0), static_cast<wchar_t>(0x1F600));
}

TEST_F(TranslationWithCatalogue, UnknownTextsAndTheEmptyTextStayAsGiven)
{
    EXPECT_EQ(translate(L"Pa"), OdString(L"Pa"));
    EXPECT_EQ(translate(OdString()), OdString());
}
} // namespace
} // namespace cae_core
