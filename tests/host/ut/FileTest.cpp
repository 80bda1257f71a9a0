#include "host/ut/File.h"
#include "host/ut/Environment.h"

#include "tests/host/HostTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

namespace
{

TEST(FileName, SplitsFolderNameAndExtensionAtEitherSeparator)
{
    const struct
    {
        const wchar_t *path, *folder, *fileName, *name, *extension;
    } cases[] = {
        {L"/tmp/CAE_1712345678901/task.dat", L"/tmp/CAE_1712345678901", L"task.dat", L"task", L"dat"},
        {L"a.b/archive.tar.gz", L"a.b", L"archive.tar.gz", L"archive.tar", L"gz"},
        {L"a.b/noext", L"a.b", L"noext", L"noext", L""}, // a dot in a folder is no extension
        {L"dir/.profile", L"dir", L".profile", L".profile", L""},
        {L"trailing.", L"", L"trailing.", L"trailing", L""},
        {L"C:\\work\\task.dat", L"C:\\work", L"task.dat", L"task", L"dat"},
        {L"/task.dat", L"/", L"task.dat", L"task", L"dat"},
        {L"folder/", L"folder", L"", L"", L""},
    };
    for (const auto& c : cases)
    {
        const ut::FileName f(c.path);
        SCOPED_TRACE(OdAnsiString(f.path()).c_str());
        EXPECT_EQ(f.folder(), OdString(c.folder));
        EXPECT_EQ(f.fileName(), OdString(c.fileName));
        EXPECT_EQ(f.name(), OdString(c.name));
        EXPECT_EQ(f.extension(), OdString(c.extension));
        EXPECT_EQ(f.hasExtension(), *c.extension != 0);
    }
}

TEST(FileName, JoinsWithExactlyOneSeparatorAndReplacesTheExtension)
{
    EXPECT_EQ(ut::Config::separator(), L'/');
    const std::pair<ut::FileName, const wchar_t*> cases[] = {
        {ut::FileName(L"/tmp") / L"task.dat", L"/tmp/task.dat"},
        {ut::FileName(L"/tmp/") / L"/task.dat", L"/tmp/task.dat"},
        {ut::FileName(L"/tmp") / L"/task.dat", L"/tmp/task.dat"},
        {ut::FileName(L"/tmp/") / L"task.dat", L"/tmp/task.dat"},
        {ut::FileName() / L"task.dat", L"task.dat"},
        {ut::FileName(L"/tmp/CAE_1", L"task", L"dat"), L"/tmp/CAE_1/task.dat"},
        {ut::FileName(L"/tmp/CAE_1/", L"task", L""), L"/tmp/CAE_1/task"},
        {ut::FileName(L"/w/task.dat").withExtension(L"log"), L"/w/task.log"},
        {ut::FileName(L"/w/task.dat").withExtension(L".f06"), L"/w/task.f06"},
        {ut::FileName(L"/w.d/task").withExtension(L"log"), L"/w.d/task.log"},
        {ut::FileName(L"/w/task.dat").withExtension(L""), L"/w/task"},
    };
    for (const auto& [joined, expected] : cases)
        EXPECT_EQ(joined.path(), OdString(expected));
}

TEST(ConvFileNameToMB, GivesUtf8ThatFileStreamsOpen)
{
    host_test::TempDir dir;
    const OdString path = OdString(dir.path().string().c_str()) + L"/R\u00e9sultat \u5f20.dat";
    const std::string mb = ut::convFileNameToMB(path);
    EXPECT_NE(mb.find("R\xC3\xA9sultat \xE5\xBC\xA0.dat"), std::string::npos);
    std::ofstream(mb) << "deck";
    EXPECT_TRUE(ut::File::exists(path));
}

TEST(FileCreate, CreatesFilesAndFoldersAndSaysWhyItCannot)
{
    host_test::TempDir dir;
    const ut::FileName base(OdString(dir.path().string().c_str()));
    const ut::FileName file = base / L"task.dat";
    ASSERT_TRUE(ut::File::create(file));
    std::ofstream(dir.path() / "task.dat") << "old contents";
    ASSERT_TRUE(ut::File::create(file, ut::File::eFile, true));
    EXPECT_EQ(std::filesystem::file_size(dir.path() / "task.dat"), 0u) << "overwriting truncates";
    OdString error;
    EXPECT_FALSE(ut::File::create(file, ut::File::eFile, false, &error));
    EXPECT_GE(error.find(file.path()), 0) << "the error names the path";
    error.empty();
    EXPECT_FALSE(ut::File::create(base / L"missing/task.dat", ut::File::eFile, true, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(ut::File::create(ut::FileName(), ut::File::eFile, true, &error));

    const ut::FileName folder = base / L"CAE_1712345678901/sub";
    ASSERT_TRUE(ut::File::create(folder, ut::File::eFolder)) << "missing parents are made";
    EXPECT_TRUE(ut::File::isFolder(folder));
    EXPECT_TRUE(ut::File::create(folder, ut::File::eFolder)) << "an existing folder is reused";
    // A file and a folder of the same name do not replace each other.
    EXPECT_FALSE(ut::File::create(file, ut::File::eFolder));
    EXPECT_FALSE(ut::File::create(folder, ut::File::eFile, true));
}

TEST(GetEnvironment, TellsSetFromUnsetKeepsAnEmptyValueAndDecodesUtf8)
{
    const std::pair<std::optional<std::string>, const wchar_t*> cases[] = {
        {std::nullopt, nullptr},
        {"", L""},
        {"/opt/nastran/bin/nastran \xC3\xA9", L"/opt/nastran/bin/nastran \u00e9"}};
    for (const auto& [set, expected] : cases)
    {
        host_test::ScopedEnv env("CAE_HOST_TEST_VARIABLE", set);
        OdString value = L"stale";
        EXPECT_EQ(ut::getEnvironment(L"CAE_HOST_TEST_VARIABLE", value), expected != nullptr);
        EXPECT_EQ(value, OdString(expected ? expected : L""));
    }
    OdString value;
    EXPECT_FALSE(ut::getEnvironment(L"", value));
}

} // namespace
