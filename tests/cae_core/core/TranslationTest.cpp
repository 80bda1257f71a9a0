#include "cae_core/core/Translation.h"

#include "tests/cae_core/core/MemoryCatalogue.h"

#include <gtest/gtest.h>
#include <wx/translation.h>

namespace cae_core
{
namespace
{
TEST(Translation, KnownTextsAreTranslatedAndEveryOtherTextComesBackWithEveryCharacter)
{
    const auto check = [](const char* what)
    {
        SCOPED_TRACE(what);
        EXPECT_EQ(translate(L"Pa"), OdString(L"Pa"));
        // The empty key names a catalogue's header, which is no translation.
        EXPECT_EQ(translate(OdString()), OdString());
        // Characters beyond 16 bits and embedded nulls survive the round trip through wxString.
        const wchar_t text[] = {L'a', 0x1F600, 0, L'\u00e9', 0xFFFD};
        const OdString english(text, sizeof(text) / sizeof(text[0]));
        EXPECT_EQ(translate(english).getLength(), 5);
        EXPECT_EQ(translate(english), english);
    };
    ASSERT_EQ(wxTranslations::Get(), nullptr);
    check("without a catalogue");

    const test::ScopedGermanCatalogue catalogue{{
        {"Only Inches are supported INSUNITS if MEASUREMENT is set to Imperial.",
         "Nur Zoll ist als INSUNITS zul\xC3\xA4ssig, wenn MEASUREMENT auf Imperial steht."},
        {"lbf", "\xF0\x9F\x98\x80 lbf"},
    }};
    ASSERT_TRUE(catalogue.loaded());
    check("with a catalogue");
    EXPECT_EQ(translate(L"Only Inches are supported INSUNITS if MEASUREMENT is set to Imperial."),
              OdString("Nur Zoll ist als INSUNITS zul\xC3\xA4ssig, wenn MEASUREMENT auf Imperial steht."));
    const OdString lbf = translate(L"lbf");
    ASSERT_EQ(lbf.getLength(), 5);
    EXPECT_EQ(lbf.getAt(0), static_cast<wchar_t>(0x1F600));
}
} // namespace
} // namespace cae_core
