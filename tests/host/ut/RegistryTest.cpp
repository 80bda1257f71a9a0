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

/// The registry file of the test, with the Nastran products in it unless a test writes another text.
class RegistryTest : public testing::Test
{
protected:
    RegistryTest() { write(kNastranRegistry); }
    void write(const std::string& text) { std::ofstream(file) << text; }

    host_test::TempDir dir;
    std::filesystem::path file = dir.path() / "registry.ini";
    host_test::ScopedEnv env{ut::Registry::kFileVariable, file.string()};
    ut::Registry registry;
    std::vector<OdString> names;
    OdString value;
};

TEST_F(RegistryTest, KeysMatchWithoutCaseOrSeparatorAndListSubkeysAndValuesInFileOrder)
{
    ASSERT_TRUE(
        registry.open(ut::Registry::eLocalMachine, L"SOFTWARE\\WOW6432Node\\MSC.Software Corporation"))
        << OdAnsiString(registry.lastError()).c_str();
    ASSERT_TRUE(registry.listKeys(names));
    EXPECT_EQ(names, (std::vector<OdString>{L"MSC Nastran 2021", L"MSC Nastran 2023", L"Patran 2023"}))
        << "a key implied by a deeper one is listed";
    ASSERT_TRUE(registry.listValues(names));
    EXPECT_TRUE(names.empty());

    ASSERT_TRUE(registry.open(ut::Registry::eLocalMachine,
                              L"software\\wow6432node\\MSC.SOFTWARE CORPORATION\\msc nastran 2023"));
    ASSERT_TRUE(registry.read(L"Latest", value));
    EXPECT_EQ(value, OdString(L"2023.1"));
    ASSERT_TRUE(registry.listKeys(names));
    EXPECT_EQ(names, (std::vector<OdString>{L"2023.1"}));

    // Values are trimmed and unquoted, their names match without case, and the last line of a name wins.
    ASSERT_TRUE(registry.open(ut::Registry::eLocalMachine,
                              L"SOFTWARE/WOW6432Node/MSC.Software Corporation/MSC Nastran 2023/2023.1"));
    ASSERT_TRUE(registry.read(L"ProductTitle", value));
    EXPECT_EQ(value, OdString(L"MSC Nastran 2023.1"));
    ASSERT_TRUE(registry.read(L"path", value));
    EXPECT_EQ(value, OdString(L"C:\\MSC\\2023.1"));
    EXPECT_FALSE(registry.read(L"Missing", value));
    ASSERT_TRUE(registry.listValues(names));
    EXPECT_EQ(names, (std::vector<OdString>{L"ProductTitle", L"Path"}));

    ASSERT_TRUE(registry.open(ut::Registry::eLocalMachine,
                              L"SOFTWARE\\WOW6432Node\\MSC.Software Corporation\\Patran 2023"));
    EXPECT_FALSE(registry.read(L"Unused", value)) << "an implied key has no values";
    registry.close();
    EXPECT_FALSE(registry.listKeys(names));
}

TEST_F(RegistryTest, AValueInASectionThatAppearsAgainLaterTakesTheLaterSectionsValue)
{
    write("[HKLM\\SOFTWARE\\Product]\nPath = first\nKept = 1\n"
          "[HKLM\\SOFTWARE\\Other]\nPath = other\n"
          "[hklm/software/product]\nPath = second\n");
    ASSERT_TRUE(registry.open(ut::Registry::eLocalMachine, L"SOFTWARE\\Product"))
        << OdAnsiString(registry.lastError()).c_str();
    ASSERT_TRUE(registry.read(L"Path", value));
    EXPECT_EQ(value, OdString(L"second"));
    ASSERT_TRUE(registry.read(L"Kept", value));
    EXPECT_EQ(value, OdString(L"1"));
}

TEST_F(RegistryTest, KeysOfAnotherRootMissingKeysAndMissingOrBrokenFilesDoNotOpen)
{
    EXPECT_FALSE(registry.open(ut::Registry::eCurrentUser, L"SOFTWARE\\WOW6432Node"));
    EXPECT_FALSE(registry.isOpen());
    EXPECT_FALSE(registry.lastError().isEmpty());
    EXPECT_FALSE(registry.open(ut::Registry::eLocalMachine, L"SOFTWARE\\Only User"));
    EXPECT_TRUE(registry.open(ut::Registry::eCurrentUser, L"SOFTWARE\\Only User"));
    EXPECT_TRUE(registry.lastError().isEmpty());

    // A syntax error fails the open and names the line; Windows line ends and a byte order mark do not.
    const std::pair<const char*, const wchar_t*> texts[] = {
        {"[HKLM\\SOFTWARE\\A]\nok = 1\nthis line has no equals sign\n", L"registry.ini:3:"},
        {"[HKEY_NOWHERE\\SOFTWARE]\n", L"registry.ini:1:"},
        {"name = value before any key\n", L"registry.ini:1:"},
        {"[HKLM\\SOFTWARE\n", L"registry.ini:1:"},
        {"\xEF\xBB\xBF[HKLM\\SOFTWARE]\r\nTitle = Produkt f\xC3\xBCr Statik\r\n", nullptr},
    };
    for (const auto& [text, where] : texts)
    {
        write(text);
        EXPECT_EQ(registry.open(ut::Registry::eLocalMachine, L"SOFTWARE"), where == nullptr) << text;
        if (where)
        {
            EXPECT_GE(registry.lastError().find(where), 0) << OdAnsiString(registry.lastError()).c_str();
        }
    }
    ASSERT_TRUE(registry.read(L"Title", value));
    EXPECT_EQ(value, OdString(L"Produkt f\u00fcr Statik"));

    std::filesystem::remove(file);
    EXPECT_FALSE(registry.open(ut::Registry::eLocalMachine, L"SOFTWARE"));
    EXPECT_GE(registry.lastError().find(L"registry.ini"), 0);
    host_test::ScopedEnv unset(ut::Registry::kFileVariable, std::nullopt);
    EXPECT_FALSE(registry.open(ut::Registry::eLocalMachine, L"SOFTWARE"));
    EXPECT_GE(registry.lastError().find(L"CAE_HOST_REGISTRY"), 0);
}

} // namespace
