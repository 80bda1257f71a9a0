#pragma once

#include <filesystem>
#include <stdexcept>
#include <string_view>

/// Writing result files so that a reader never sees a half-written one: the content goes to a
/// hidden temporary file in the same folder, is flushed to disk, and only then replaces the
/// target by a rename, which the file system performs at once. A failed or interrupted write
/// leaves whatever stood at the target before.
namespace cae_app
{
/// A file that could not be written; what() names the file and the reason.
class OutputError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

/// Replaces `path` by a file holding `content` (created if missing). Throws OutputError, after
/// removing its temporary file, when any step fails.
void writeFileAtomically(const std::filesystem::path& path, std::string_view content);

/// True for the names of temporary files: hidden, in the target's folder, marked with the writing
/// process's id, e.g. ".summary.json.tmp-1234-0". For tests that look for leftovers.
bool isTemporaryName(const std::filesystem::path& fileName);

/// Makes SIGINT and SIGTERM remove the temporary file being written (if any) before the program
/// ends with the signal's usual status. Call once at start-up.
void removeTemporaryFileOnInterrupt();
} // namespace cae_app
