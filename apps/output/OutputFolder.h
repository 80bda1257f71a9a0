#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

/// The folder a run writes its files into (`--out DIR`).
namespace cae_app
{
class OutputFolder
{
public:
    explicit OutputFolder(std::filesystem::path dir) : m_dir(std::move(dir)) {}

    const std::filesystem::path& path() const { return m_dir; }

    /// Writes `name` in the folder atomically, creating the folder when missing. Throws OutputError.
    void write(const std::string& name, std::string_view content);

    /// The paths written so far, in order.
    const std::vector<std::filesystem::path>& written() const { return m_written; }

private:
    void create();

    std::filesystem::path m_dir;
    std::vector<std::filesystem::path> m_written;
};
} // namespace cae_app
