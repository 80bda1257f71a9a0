#include "host/ut/Names.h"
#include "host/ut/SymbolNames.h"
#include "platform/db/DbBlockTableRecord.h"
#include "platform/db/DbDatabase.h"

#include "host/ut/Assert.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace
{

TEST(MakeValidName, ReplacesForbiddenCharactersTrimsAndNeverGivesAnEmptyName)
{
    const struct
    {
        std::wstring name;
        wchar_t replacement;
        bool legacy;
        const wchar_t* expected;
    } cases[] = {
        {L"a<b>c/d\\e\"f:g;h?i*j|k,l=m`n", L'_', false, L"a_b_c_d_e_f_g_h_i_j_k_l_m_n"},
        {L"tab\there\nnew\x7f", L'_', false, L"tab_here_new_"},
        {L"R\u00e9sultat (2D) #1 $-'.!", L'_', false, L"R\u00e9sultat (2D) #1 $-'.!"},
        {L"  padded name  ", L'_', false, L"padded name"},
        {L"a:b", L'-', false, L"a-b"},
        {L"", L'_', false, L"_"},
        {L"   ", L'_', false, L"_"},
        // The legacy rule keeps only letters, digits, dollar, dash and underscore, in upper case.
        {L"Cae result 2d.$-x", L'_', true, L"CAE_RESULT_2D_$-X"},
        {L"R\u00e9sultat", L'_', true, L"R_SULTAT"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ut::makeValidName(c.name, c.replacement, c.legacy), OdString(c.expected))
            << OdAnsiString(OdString(c.name)).c_str();
    EXPECT_EQ(ut::makeValidName(OdString(std::wstring(300, L'n'))).getLength(), ut::kMaxSymbolNameLength);
    EXPECT_EQ(ut::makeValidName(OdString(std::wstring(40, L'a')), L'_', true).getLength(),
              ut::kMaxLegacySymbolNameLength);

    ut::AssertRecorder asserts;
    EXPECT_EQ(ut::makeValidName(L"a:b", L'*'), OdString(L"a_b")) << "a forbidden replacement falls back";
    EXPECT_EQ(asserts.count(), 1u);
}

TEST(MakeUniqueName, NumbersTheBaseUntilNoNameOfAnyCaseHasIt)
{
    // Symbol tables compare names without regard to case.
    std::set<std::wstring> lowerNames{L"cae_analyze2d_result"};
    const auto exists = [&](const OdString& n)
    { return lowerNames.count(OdString(n).makeLower().str()) != 0; };
    const OdString base = L"CAE_ANALYZE2D_RESULT";
    EXPECT_EQ(ut::makeUniqueName(L"UNUSED", exists), OdString(L"UNUSED"));
    const OdString first = ut::makeUniqueName(base, exists);
    EXPECT_EQ(first, OdString(L"CAE_ANALYZE2D_RESULT_1"));
    lowerNames.insert(OdString(first).makeLower().str());
    EXPECT_EQ(ut::makeUniqueName(base, exists), OdString(L"CAE_ANALYZE2D_RESULT_2"));

    // A base of the longest allowed length is shortened so that the suffix fits.
    const OdString longBase(std::wstring(ut::kMaxSymbolNameLength, L'b'));
    const OdString unique = ut::makeUniqueName(longBase, [&](const OdString& n) { return n == longBase; });
    EXPECT_EQ(unique.getLength(), ut::kMaxSymbolNameLength);
    EXPECT_EQ(unique.mid(unique.getLength() - 2), OdString(L"_1"));
}

TEST(MakeUniqueName, TakesTheNamesOfASymbolTableExceptTheRenamedRecord)
{
    const OdDbDatabasePtr db = OdDbDatabase::createObject();
    const auto table = OdDbBlockTablePtr::cast(db->getBlockTableId().openObject(OdDb::kForWrite));
    const auto block = OdDbBlockTableRecord::createObject();
    block->setName(L"Result");
    const OdDbObjectId id = table->add(block.get());

    EXPECT_EQ(ut::makeUniqueName(L"RESULT", table.get()), OdString(L"RESULT_1"));
    EXPECT_EQ(ut::makeUniqueName(L"Result", table.get(), &id), OdString(L"Result"));
    EXPECT_EQ(ut::makeUniqueName(L"Other", table.get(), nullptr, false, true), OdString(L"Other_1"));
    const OdArray<OdString> reserved{L"RESULT_1"};
    EXPECT_EQ(ut::makeUniqueName(L"Result", table.get(), nullptr, false, false, &reserved), OdString(L"Result_2"));
    EXPECT_EQ(ut::makeUniqueName(OdString(std::wstring(40, L'x')), nullptr, nullptr, true).getLength(),
              ut::kMaxLegacySymbolNameLength);
}

} // namespace
