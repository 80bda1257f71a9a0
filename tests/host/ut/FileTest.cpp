#include "host/ut/File.h"
#include "host/ut/Environment.h"

#include "tests/host/HostTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

namespace
{

OdString wide(const std::filesystem::path& p)
{
    return OdString(p.string().c_str());
}

TEST(FileName, SplitsFolderNameAndExtension)
{
    const ut::FileName f(L"/tmp/CAE_1712345678901/task.dat");
    EXPECT_EQ(f.folder(), OdString(L"/tmp/CAE_1712345678901"));
    EXPECT_EQ(f.fileName(), OdString(L"task.dat"));
    EXPECT_EQ(f.name(), OdString(L"task"));
    EXPECT_EQ(f.extension(), OdString(L"dat"));
    EXPECT_TRUE(f.hasExtension());
}

TEST(FileName, TheLastDotOfTheFileNameStartsTheExtension)
{
    EXPECT_EQ(ut::FileName(L"a.b/archive.tar.gz").extension(), OdString(L"gz"));
    EXPECT_EQ(ut::FileName(L"a.b/archive.tar.gz").name(), OdString(L"archive.tar"));
    EXPECT_EQ(ut::FileName(L"a.b/noext").extension(), OdString()) << "a dot in a folder is no extension";
    EXPECT_EQ(ut::FileName(L"dir/.profile").extension(), OdString());
    EXPECT_EQ(ut::FileName(L"dir/.profile").name(), OdString(L".profile"));
    EXPECT_EQ(ut::FileName(L"trailing.").extension(), OdString());
}

TEST(FileName, AcceptsBothSeparatorsAndKeepsTheRootFolder)
{
    EXPECT_EQ(ut::FileName(L"C:\\work\\task.dat").folder(), OdString(L"C:\\work"));
    EXPECT_EQ(ut::FileName(L"C:\\work\\task.dat").fileName(), OdString(L"task.dat"));
    EXPECT_EQ(ut::FileName(L"/task.dat").folder(), OdString(L"/"));
    EXPECT_EQ(ut::FileName(L"task.dat").folder(), OdString());
    EXPECT_EQ(ut::FileName(L"folder/").fileName(), OdString());
}

TEST(FileName, JoinsWithExactlyOneSeparator)
{
    EXPECT_EQ((ut::FileName(L"/tmp") / L"task.dat").path(), OdString(L"/tmp/task.dat"));
    EXPECT_EQ((ut::FileName(L"/tmp/") / L"task.dat").path(), OdString(L"/tmp/task.dat"));
    EXPECT_EQ((ut::FileName(L"/tmp") / L"/task.dat").path(), OdString(L"/tmp/task.dat"));
    EXPECT_EQ((ut::FileName() / L"task.dat").path(), OdString(L"task.dat"));
    EXPECT_EQ(ut::FileName(L"/tmp/CAE_1", L"task", L"dat").path(), OdString(L"/tmp/CAE_1/task.dat"));
    EXPECT_EQ(ut::FileName(L"/tmp/CAE_1/", L"task", L"").path(), OdString(L"/tmp/CAE_1/task"));
}

TEST(FileName, ReplacesAddsAndRemovesTheExtension)
{
    EXPECT_EQ(ut::FileName(L"/w/task.dat").withExtension(L"log").path(), OdString(L"/w/task.log"));
    EXPECT_EQ(ut::FileName(L"/w/task.dat").withExtension(L".f06").path(), OdString(L"/w/task.f06"));
    EXPECT_EQ(ut::FileName(L"/w.d/task").withExtension(L"log").path(), OdString(L"/w.d/task.log"));
    EXPECT_EQ(ut::FileName(L"/w/task.dat").withExtension(L"").path(), OdString(L"/w/task"));
}

TEST(Config, TheSeparatorIsTheOneThisPlatformUses)
{
    EXPECT_EQ(ut::Config::separator(), L'/');
}

TEST(ConvFileNameToMB, GivesUtf8ThatFileStreamsOpen)
{
    host_test::TempDir dir;
    const OdString path = wide(dir.path()) + L"/R\u00e9sultat \u5f20.dat";
    const std::string mb = ut::convFileNameToMB(path);
    EXPECT_NE(mb.find("R\xC3\xA9sultat \xE5\xBC\xA0.dat"), std::string::npos);
    {
        std::ofstream out(mb);
        ASSERT_TRUE(out.good());
        out << "deck";
    }
    EXPECT_TRUE(ut::File::exists(path));
}

TEST(FileCreate, CreatesAnEmptyFileAndTruncatesAnExistingOne)
{
    host_test::TempDir dir;
    const ut::FileName file = ut::FileName(wide(dir.path())) / L"task.dat";
    ASSERT_TRUE(ut::File::create(file));
    EXPECT_EQ(std::filesystem::file_size(dir.path() / "task.dat"), 0u);
    {
        std::ofstream out(dir.path() / "task.dat");
        out << "old contents";
    }
    ASSERT_TRUE(ut::File::create(file, ut::File::eFile, true));
    EXPECT_EQ(std::filesystem::file_size(dir.path() / "task.dat"), 0u);
}

TEST(FileCreate, RefusesToOverwriteWhenAskedNotToAndSaysWhy)
{
    host_test::TempDir dir;
    const ut::FileName file = ut::FileName(wide(dir.path())) / L"task.dat";
    ASSERT_TRUE(ut::File::create(file));
    OdString error;
    EXPECT_FALSE(ut::File::create(file, ut::File::eFile, false, &error));
    EXPECT_GE(error.find(file.path()), 0) << "the error names the path";
}

TEST(FileCreate, FailsInAMissingFolderWithAnError)
{
    host_test::TempDir dir;
    OdString error;
    EXPECT_FALSE(ut::File::create(ut::FileName(wide(dir.path())) / L"missing/task.dat", ut::File::eFile, true,
                                  &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(ut::File::create(ut::FileName(), ut::File::eFile, true, &error));
}

TEST(FileCreate, CreatesNestedFoldersAndReusesAnExistingOne)
{
    host_test::TempDir dir;
    const ut::FileName folder = ut::FileName(wide(dir.path())) / L"CAE_1712345678901/sub";
    ASSERT_TRUE(ut::File::create(folder, ut::File::eFolder));
    EXPECT_TRUE(ut::File::isFolder(folder));
    EXPECT_TRUE(ut::File::create(folder, ut::File::eFolder)) << "an existing folder is reused";
}

TEST(FileCreate, AFileAndAFolderOfTheSameNameDoNotReplaceEachOther)
{
    host_test::TempDir dir;
    const ut::FileName base(wide(dir.path()));
    ASSERT_TRUE(ut::File::create(base / L"plain"));
    EXPECT_FALSE(ut::File::create(base / L"plain", ut::File::eFolder));
    ASSERT_TRUE(ut::File::create(base / L"folder", ut::File::eFolder));
    EXPECT_FALSE(ut::File::create(base / L"folder", ut::File::eFile, true));
}

TEST(GetEnvironment, TellsSetFromUnsetAndKeepsAnEmptyValue)
{
    OdString value = L"stale";
    {
        host_test::ScopedEnv env("CAE_HOST_TEST_VARIABLE", std::nullopt);
        EXPECT_FALSE(ut::getEnvironment(L"CAE_HOST_TEST_VARIABLE", value));
        EXPECT_TRUE(value.isEmpty());
    }
    {
        host_test::ScopedEnv env("CAE_HOST_TEST_VARIABLE", "");
        value = L"stale";
        EXPECT_TRUE(ut::getEnvironment(L"CAE_HOST_TEST_VARIABLE", value));
        EXPECT_TRUE(value.isEmpty());
    }
    {
        host_test::ScopedEnv env("CAE_HOST_TEST_VARIABLE", "/opt/nastran/bin/nastran \xC3\xA9");
        EXPECT_TRUE(ut::getEnvironment(L"CAE_HOST_TEST_VARIABLE", value));
        EXPECT_EQ(value, OdString(L"/opt/nastran/bin/nastran \u00e9"));
    }
    EXPECT_FALSE(ut::getEnvironment(L"", value));
}

} // namespace
