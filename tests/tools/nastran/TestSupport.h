#pragma once

// What the tests that run the program on files share: a folder of their own, and the files' text.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>

namespace nastran::test
{

inline std::string slurp(const std::filesystem::path& p)
{
    std::ifstream in(p);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

/// Gives every test a fresh folder m_dir under the system's temporary folder, named by `prefix` and the
/// test, and removes it afterwards.
class FolderTest : public testing::Test
{
protected:
    explicit FolderTest(std::string prefix) : m_prefix(std::move(prefix)) {}

    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() /
                (m_prefix + testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::filesystem::path m_dir;

private:
    std::string m_prefix;
};

} // namespace nastran::test
