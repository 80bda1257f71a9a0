#include "platform/base/OdString.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
TEST(OdStringFormat, InsertsWideArgumentsWithPercentLsAndReadsNarrowOnesAsUtf8)
{
    OdString s;
    s.format(L"Failed to parse JSON parameter %ls. It has wrong type", OdString(L"Größe").c_str());
    EXPECT_EQ(s, OdString(L"Failed to parse JSON parameter Größe. It has wrong type"));
    s.format(L"%d %.3f %s [%s]", 42, 1.5, "abc", "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(s, OdString(L"42 1.500 abc [\u00e9t\u00e9]"));
    s.format(L"[%s]", "\xFF\xFE");
    EXPECT_EQ(s, OdString(L"[%s]")) << "an argument that cannot be decoded keeps the format";
    const std::wstring longText(5000, L'x');
    s.format(L"<%ls>", longText.c_str());
    EXPECT_EQ(s, OdString(L"<" + longText + L">")) << "longer than the first buffer, kept whole";
}

TEST(OdStringConversion, Utf8BecomesCodePointsAndBackAndInvalidBytesAreReplacedNotDropped)
{
    const OdString s("\xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80"); // "été 😀"
    ASSERT_EQ(s.getLength(), 5);
    EXPECT_EQ(s.getAt(0), static_cast<wchar_t>(0xE9));
    EXPECT_EQ(s.getAt(4), static_cast<wchar_t>(0x1F600));
    EXPECT_EQ(OdAnsiString(s).str(), std::string("\xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80"));
    const OdString invalid("a\xFF"
                           "b");
    ASSERT_EQ(invalid.getLength(), 3);
    EXPECT_EQ(invalid.getAt(1), static_cast<wchar_t>(0xFFFD));
}

} // namespace
