#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace nastran_test
{

inline std::string slurp(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start))
    {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

/// Compares `actual` line by line with the golden file tests/cae_core/nastran/expected/<name>, and also
/// byte for byte (line ends, the end of the text). With CAE_UPDATE_GOLDEN=1 in the environment the golden
/// file is rewritten from `actual` instead; review the diff before committing it.
inline void expectGolden(const std::string& actual, const std::string& name)
{
    const char* source = std::getenv("CAE_SOURCE_DIR");
    ASSERT_NE(source, nullptr) << "CAE_SOURCE_DIR names the source tree";
    const std::filesystem::path path =
        std::filesystem::path(source) / "tests/cae_core/nastran/expected" / name;
    if (const char* update = std::getenv("CAE_UPDATE_GOLDEN"); update && std::string(update) == "1")
    {
        std::ofstream(path, std::ios::binary) << actual;
        return;
    }
    ASSERT_TRUE(std::filesystem::exists(path)) << path << " is missing; run with CAE_UPDATE_GOLDEN=1";
    const std::string expected = slurp(path);
    const std::vector<std::string> want = splitLines(expected);
    const std::vector<std::string> got = splitLines(actual);
    for (std::size_t i = 0; i < std::min(want.size(), got.size()); ++i)
        ASSERT_EQ(got[i], want[i]) << name << " line " << i + 1;
    ASSERT_EQ(got.size(), want.size()) << name << ": number of lines";
    EXPECT_EQ(actual, expected) << name << ": line ends differ";
}

/// The folder of the recorded solver result files, or empty when this checkout has none beside it.
inline std::filesystem::path samplesFolder()
{
    const std::filesystem::path folder = CAE_NASTRAN_SAMPLES;
    return std::filesystem::is_directory(folder) ? folder : std::filesystem::path();
}

#define NASTRAN_REQUIRE_SAMPLES(folder)                                                                      \
    const std::filesystem::path folder = ::nastran_test::samplesFolder();                                    \
    if (folder.empty())                                                                                      \
    GTEST_SKIP() << "no recorded solver result files beside this checkout"

} // namespace nastran_test
