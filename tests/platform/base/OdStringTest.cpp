#include "platform/base/OdString.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
TEST(OdStringFormat, WideArgumentsAreInsertedWithPercentLs)
{
    const OdString name(L"Größe");
    OdString s;
    s.format(L"Failed to parse JSON parameter %ls. It has wrong type", name.c_str());
    EXPECT_EQ(s, OdString(L"Failed to parse JSON parameter Größe. It has wrong type"));
}

TEST(OdStringFormat, NumbersAndNarrowStringsAreFormatted)
{
    OdString s;
    s.format(L"%d %.3f %s", 42, 1.5, "abc");
    EXPECT_EQ(s, OdString(L"42 1.500 abc"));
}

TEST(OdStringFormat, NarrowArgumentsAreReadAsUtf8)
{
    OdString s;
    s.format(L"[%s]", "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(s, OdString(L"[\u00e9t\u00e9]"));
}

TEST(OdStringFormat, AnArgumentThatCannotBeDecodedKeepsTheFormat)
{
    OdString s;
    s.format(L"[%s]", "\xFF\xFE");
    EXPECT_EQ(s, OdString(L"[%s]"));
}

TEST(OdStringFormat, TextsLongerThanTheFirstBufferAreKeptWhole)
{
    const std::wstring longText(5000, L'x');
    OdString s;
    s.format(L"<%ls>", longText.c_str());
    EXPECT_EQ(s.getLength(), 5002);
    EXPECT_EQ(s.getAt(5001), L'>');
}

TEST(OdStringConversion, Utf8InputBecomesCodePointsAndBack)
{
    const OdString s("\xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80"); // "été 😀"
    ASSERT_EQ(s.getLength(), 5);
    EXPECT_EQ(s.getAt(0), static_cast<wchar_t>(0xE9));
    EXPECT_EQ(s.getAt(4), static_cast<wchar_t>(0x1F600));
    EXPECT_EQ(OdAnsiString(s).str(), std::string("\xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80"));
}

TEST(OdStringConversion, InvalidUtf8IsReplacedNotDropped)
{
    const OdString s("a\xFF"
                     "b");
    ASSERT_EQ(s.getLength(), 3);
    EXPECT_EQ(s.getAt(1), static_cast<wchar_t>(0xFFFD));
}

TEST(OdStringEditing, ReplaceTrimAndCaseWork)
{
    OdString s(L"  a-b-c  ");
    s.trimLeft().trimRight().replace(L"-", L"+").makeUpper();
    EXPECT_EQ(s, OdString(L"A+B+C"));
    EXPECT_EQ(s.find(L'+'), 1);
    EXPECT_EQ(s.mid(2), OdString(L"B+C"));
    EXPECT_EQ(s.left(1), OdString(L"A"));
    EXPECT_EQ(OdString(L"abc").iCompare(OdString(L"ABC")), 0);
}
} // namespace
