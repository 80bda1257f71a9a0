#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

/// The folder a run writes its files into (`--out DIR`).
///
/// A run owns the files of the kinds it writes there: whatever of them it did not write this time
/// is removed before the summary, which comes last, so the folder never holds a result of an
/// earlier run beside a summary of this one. Runs into one folder take turns: the first write
/// locks the folder until the run ends, so two runs never interleave their files.
namespace cae_app
{
class OutputFolder
{
public:
    /// `ownedNames`: every file name a run may write there (summary, results, pictures).
    OutputFolder(std::filesystem::path dir, std::vector<std::string> ownedNames);
    ~OutputFolder();
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    const std::filesystem::path& path() const { return m_dir; }

    /// Writes `name` (one of the owned names) in the folder atomically, creating and locking the
    /// folder first. Throws OutputError.
    void write(const std::string& name, std::string_view content);

    /// Removes the owned files this run did not write, and temporary files that runs which ended
    /// abruptly left behind, then writes the summary `name`. Throws OutputError.
    void finish(const std::string& name, std::string_view content);

    /// The paths written so far, in order.
    const std::vector<std::filesystem::path>& written() const { return m_written; }

private:
    void open();

    std::filesystem::path m_dir;
    std::vector<std::string> m_owned;
    std::vector<std::filesystem::path> m_written;
    /// The folder, held open and locked while the run writes into it; -1 before.
    int m_lock = -1;
};
} // namespace cae_app
