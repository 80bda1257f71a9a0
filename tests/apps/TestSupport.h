#pragma once

#include "apps/output/AtomicFile.h"

#include <gtest/gtest.h>

#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace cae_app_test
{
/// A fresh folder under the system's temporary folder, named after the running test and the test
/// process (so that builds testing side by side on one machine never share it), removed afterwards.
class TempDir
{
public:
    TempDir()
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_path =
            std::filesystem::temp_directory_path() / (std::string("cae_app_") + info->test_suite_name() +
                                                      "_" + info->name() + "_" + std::to_string(::getpid()));
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~TempDir() { std::filesystem::remove_all(m_path); }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

inline std::string slurp(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void spit(const std::filesystem::path& p, const std::string& text)
{
    std::ofstream(p, std::ios::binary) << text;
}

/// Whether a writer left a temporary file behind in `dir`.
inline bool hasTemporaryFiles(const std::filesystem::path& dir)
{
    if (!std::filesystem::exists(dir))
        return false;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        if (cae_app::isTemporaryName(e.path()))
            return true;
    return false;
}

/// The numbers of the .vtu data array whose opening tag has `marker` (e.g. `Name="displacement"`,
/// or `NumberOfComponents="3" format` for the points, the only unnamed array).
inline std::vector<double> vtuArray(const std::string& vtu, const std::string& marker)
{
    const auto tag = vtu.find(marker);
    if (tag == std::string::npos)
        return {};
    const auto begin = vtu.find('>', tag) + 1;
    const auto end = vtu.find("</DataArray>", begin);
    std::vector<double> values;
    const char* p = vtu.data() + begin;
    const char* last = vtu.data() + end;
    while (p < last)
    {
        while (p < last && (*p == ' ' || *p == '\n'))
            ++p;
        if (p == last)
            break;
        double v = 0;
        const auto [next, ec] = std::from_chars(p, last, v);
        if (ec != std::errc())
            break;
        values.push_back(v);
        p = next;
    }
    return values;
}

/// The point coordinates of a .vtu text, three per point: the points' array is the only unnamed one.
inline std::vector<double> vtuPoints(const std::string& vtu)
{
    return vtuArray(vtu.substr(vtu.find("<Points>")), "<DataArray");
}
} // namespace cae_app_test
