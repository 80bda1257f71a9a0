#include "host/ut/Names.h"

#include "host/ut/Assert.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace
{

TEST(MakeValidName, ReplacesEveryCharacterThatSymbolNamesForbid)
{
    EXPECT_EQ(ut::makeValidName(L"a<b>c/d\\e\"f:g;h?i*j|k,l=m`n"), OdString(L"a_b_c_d_e_f_g_h_i_j_k_l_m_n"));
    EXPECT_EQ(ut::makeValidName(std::wstring(L"tab\there\nnew\x7f")), OdString(L"tab_here_new_"));
}

TEST(MakeValidName, KeepsAllowedTextIncludingInnerSpacesAndNonAscii)
{
    EXPECT_EQ(ut::makeValidName(L"CAE_ANALYZE2D_RESULT"), OdString(L"CAE_ANALYZE2D_RESULT"));
    EXPECT_EQ(ut::makeValidName(L"R\u00e9sultat (2D) #1 $-'.!"), OdString(L"R\u00e9sultat (2D) #1 $-'.!"));
    EXPECT_EQ(ut::makeValidName(L"  padded name  "), OdString(L"padded name"));
}

TEST(MakeValidName, UsesTheGivenReplacement)
{
    EXPECT_EQ(ut::makeValidName(L"a:b", L'-'), OdString(L"a-b"));
}

TEST(MakeValidName, AForbiddenReplacementFallsBackToUnderscoreWithAnAssertion)
{
    ut::AssertRecorder asserts;
    EXPECT_EQ(ut::makeValidName(L"a:b", L'*'), OdString(L"a_b"));
    EXPECT_EQ(asserts.count(), 1u);
}

TEST(MakeValidName, NeverReturnsAnEmptyName)
{
    EXPECT_EQ(ut::makeValidName(L""), OdString(L"_"));
    EXPECT_EQ(ut::makeValidName(L"   "), OdString(L"_"));
}

TEST(MakeValidName, CutsOverlongNames)
{
    const OdString longName(std::wstring(300, L'n'));
    EXPECT_EQ(ut::makeValidName(longName).getLength(), ut::kMaxSymbolNameLength);
}

TEST(MakeValidName, TheLegacyRuleKeepsOnlyLettersDigitsDollarDashAndUnderscoreInUpperCase)
{
    EXPECT_EQ(ut::makeValidName(L"Cae result 2d.$-x", L'_', true), OdString(L"CAE_RESULT_2D_$-X"));
    EXPECT_EQ(ut::makeValidName(L"R\u00e9sultat", L'_', true), OdString(L"R_SULTAT"));
    EXPECT_EQ(ut::makeValidName(OdString(std::wstring(40, L'a')), L'_', true).getLength(),
              ut::kMaxLegacySymbolNameLength);
}

// Symbol tables compare names without regard to case; the predicate says what exists.
struct Table
{
    std::set<std::wstring> lowerNames;
    void add(const OdString& name)
    {
        OdString lower(name);
        lowerNames.insert(lower.makeLower().str());
    }
    bool has(const OdString& name) const
    {
        OdString lower(name);
        return lowerNames.count(lower.makeLower().str()) != 0;
    }
};

TEST(MakeUniqueName, KeepsAnUnusedNameAndNumbersTheNextOnes)
{
    Table table;
    const auto exists = [&](const OdString& n) { return table.has(n); };
    const OdString base = L"CAE_ANALYZE2D_RESULT";
    const OdString first = ut::makeUniqueName(base, exists);
    EXPECT_EQ(first, base);
    table.add(first);
    const OdString second = ut::makeUniqueName(base, exists);
    EXPECT_EQ(second, OdString(L"CAE_ANALYZE2D_RESULT_1"));
    table.add(second);
    EXPECT_EQ(ut::makeUniqueName(base, exists), OdString(L"CAE_ANALYZE2D_RESULT_2"));
}

TEST(MakeUniqueName, ANameThatDiffersOnlyInCaseCountsAsUsed)
{
    Table table;
    table.add(L"cae_analyze2d_result");
    EXPECT_EQ(ut::makeUniqueName(L"CAE_ANALYZE2D_RESULT", [&](const OdString& n) { return table.has(n); }),
              OdString(L"CAE_ANALYZE2D_RESULT_1"));
}

TEST(MakeUniqueName, ShortensTheBaseSoTheSuffixFits)
{
    const OdString base(std::wstring(ut::kMaxSymbolNameLength, L'b'));
    const OdString unique = ut::makeUniqueName(base, [&](const OdString& n) { return n == base; });
    EXPECT_EQ(unique.getLength(), ut::kMaxSymbolNameLength);
    EXPECT_EQ(unique.mid(unique.getLength() - 2), OdString(L"_1"));
}

} // namespace
