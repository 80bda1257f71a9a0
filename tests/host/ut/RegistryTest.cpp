#include "host/ut/Registry.h"

#include "tests/host/HostTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

namespace
{

const char* const kNastranRegistry = R"(; installed products
[HKEY_LOCAL_MACHINE\SOFTWARE\WOW6432Node\MSC.Software Corporation\MSC Nastran 2021]
Latest = 2021.4

[HKEY_LOCAL_MACHINE\SOFTWARE\WOW6432Node\MSC.Software Corporation\MSC Nastran 2023]
Latest=2023.1
# the version subkey
[HKLM/software/wow6432node/msc.software corporation/MSC Nastran 2023/2023.1]
"ProductTitle" = "MSC Nastran 2023.1"
Path = "C:\Program Files\MSC.Software\MSC_Nastran\2023.1"
Path = C:\MSC\2023.1

[HKEY_LOCAL_MACHINE\SOFTWARE\WOW6432Node\MSC.Software Corporation\Patran 2023\Deep\Key]
Unused = 1

[HKEY_CURRENT_USER\SOFTWARE\Only User]
Name = user
)";

class RegistryTest : public testing::Test
{
protected:
    void write(const std::string& text)
    {
        std::ofstream out(file);
        out << text;
    }

    host_test::TempDir dir;
    std::filesystem::path file = dir.path() / "registry.ini";
    host_test::ScopedEnv env{ut::Registry::kFileVariable, file.string()};
    ut::Registry registry;
};

TEST_F(RegistryTest, ListsDirectSubkeysInFileOrderIncludingImpliedParents)
{
    write(kNastranRegistry);
    ASSERT_TRUE(
        registry.open(ut::Registry::eLocalMachine, L"SOFTWARE\\WOW6432Node\\MSC.Software Corporation"))
        << OdAnsiString(registry.lastError()).c_str();
    std::vector<OdString> keys;
    ASSERT_TRUE(registry.listKeys(keys));
    EXPECT_EQ(keys, (std::vector<OdString>{L"MSC Nastran 2021", L"MSC Nastran 2023", L"Patran 2023"}));
    std::vector<OdString> values;
    ASSERT_TRUE(registry.listValues(values));
    EXPECT_TRUE(values.empty());
}

TEST_F(RegistryTest, ReadsValuesTrimmedAndUnquotedAndTheLastLineOfANameWins)
{
    write(kNastranRegistry);
    ASSERT_TRUE(registry.open(ut::Registry::eLocalMachine,
                              L"SOFTWARE/WOW6432Node/MSC.Software Corporation/MSC Nastran 2023/2023.1"));
    OdString value;
    ASSERT_TRUE(registry.read(L"ProductTitle", value));
    EXPECT_EQ(value, OdString(L"MSC Nastran 2023.1"));
    ASSERT_TRUE(registry.read(L"path", value)) << "value names match without case";
    EXPECT_EQ(value, OdString(L"C:\\MSC\\2023.1"));
    EXPECT_FALSE(registry.read(L"Missing", value));
    std::vector<OdString> names;
    ASSERT_TRUE(registry.listValues(names));
    EXPECT_EQ(names, (std::vector<OdString>{L"ProductTitle", L"Path"}));
}

TEST_F(RegistryTest, KeyNamesMatchWithoutCaseAndWithEitherSeparator)
{
    write(kNastranRegistry);
    ASSERT_TRUE(registry.open(ut::Registry::eLocalMachine,
                              L"software\\wow6432node\\MSC.SOFTWARE CORPORATION\\msc nastran 2023"));
    OdString latest;
    ASSERT_TRUE(registry.read(L"Latest", latest));
    EXPECT_EQ(latest, OdString(L"2023.1"));
    std::vector<OdString> keys;
    ASSERT_TRUE(registry.listKeys(keys));
    EXPECT_EQ(keys, (std::vector<OdString>{L"2023.1"}));
}

TEST_F(RegistryTest, AnImpliedParentKeyOpensWithoutValues)
{
    write(kNastranRegistry);
    ASSERT_TRUE(registry.open(ut::Registry::eLocalMachine,
                              L"SOFTWARE\\WOW6432Node\\MSC.Software Corporation\\Patran 2023"));
    OdString value;
    EXPECT_FALSE(registry.read(L"Unused", value));
}

TEST_F(RegistryTest, KeysOfAnotherRootOrMissingKeysDoNotOpen)
{
    write(kNastranRegistry);
    EXPECT_FALSE(registry.open(ut::Registry::eCurrentUser, L"SOFTWARE\\WOW6432Node"));
    EXPECT_FALSE(registry.isOpen());
    EXPECT_FALSE(registry.lastError().isEmpty());
    EXPECT_FALSE(registry.open(ut::Registry::eLocalMachine, L"SOFTWARE\\Only User"));
    EXPECT_TRUE(registry.open(ut::Registry::eCurrentUser, L"SOFTWARE\\Only User"));
    EXPECT_TRUE(registry.lastError().isEmpty());
}

TEST_F(RegistryTest, AClosedRegistryReadsAndListsNothing)
{
    write(kNastranRegistry);
    ASSERT_TRUE(registry.open(ut::Registry::eLocalMachine, L"SOFTWARE"));
    registry.close();
    OdString value;
    std::vector<OdString> keys;
    EXPECT_FALSE(registry.read(L"Latest", value));
    EXPECT_FALSE(registry.listKeys(keys));
}

TEST_F(RegistryTest, WithoutTheVariableOrTheFileEveryOpenFails)
{
    EXPECT_FALSE(registry.open(ut::Registry::eLocalMachine, L"SOFTWARE")) << "the file was never written";
    EXPECT_GE(registry.lastError().find(L"registry.ini"), 0);
    write(kNastranRegistry);
    host_test::ScopedEnv unset(ut::Registry::kFileVariable, std::nullopt);
    EXPECT_FALSE(registry.open(ut::Registry::eLocalMachine, L"SOFTWARE"));
    EXPECT_GE(registry.lastError().find(L"CAE_HOST_REGISTRY"), 0);
}

TEST_F(RegistryTest, ASyntaxErrorFailsTheOpenNamingTheLine)
{
    write("[HKLM\\SOFTWARE\\A]\nok = 1\nthis line has no equals sign\n");
    EXPECT_FALSE(registry.open(ut::Registry::eLocalMachine, L"SOFTWARE\\A"));
    EXPECT_GE(registry.lastError().find(L"registry.ini:3:"), 0) << OdAnsiString(registry.lastError()).c_str();

    write("[HKEY_NOWHERE\\SOFTWARE]\n");
    EXPECT_FALSE(registry.open(ut::Registry::eLocalMachine, L"SOFTWARE"));
    EXPECT_GE(registry.lastError().find(L":1:"), 0);

    write("name = value before any key\n");
    EXPECT_FALSE(registry.open(ut::Registry::eLocalMachine, L"SOFTWARE"));

    write("[HKLM\\SOFTWARE\n");
    EXPECT_FALSE(registry.open(ut::Registry::eLocalMachine, L"SOFTWARE"));
}

TEST_F(RegistryTest, ToleratesWindowsLineEndsAByteOrderMarkAndUtf8Text)
{
    write("\xEF\xBB\xBF[HKLM\\SOFTWARE\\Vendor]\r\nTitle = Produkt f\xC3\xBCr Statik\r\n");
    ASSERT_TRUE(registry.open(ut::Registry::eLocalMachine, L"SOFTWARE\\Vendor"));
    OdString value;
    ASSERT_TRUE(registry.read(L"Title", value));
    EXPECT_EQ(value, OdString(L"Produkt f\u00fcr Statik"));
}

} // namespace
