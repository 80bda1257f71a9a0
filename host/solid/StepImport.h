#pragma once

#include "platform/db/DbUnits.h"

#include <filesystem>
#include <memory>
#include <string>

namespace solid::detail
{
/// A folder of its own under the system's temporary folder, removed with everything in it when the
/// last owner lets go.
class ScratchFolder
{
public:
    /// Throws std::filesystem::filesystem_error when no folder can be made.
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

/// The name the solid kernel gives `units` as a STEP target unit ("MM", "INCH", ...); null for
/// drawing units the kernel cannot convert into. An undefined unit reads as millimetres, the
/// kernel's own default.
const char* stepTargetUnit(OdDb::UnitsValue units);

/// Reads the STEP file `step` with its lengths converted into `targetUnit` and writes the healed
/// solids as a BREP file into `scratch`. The kernel's STEP reader and shape fixing crash on some
/// broken files (a misspelt entity type, coordinates near the largest double), so they run in a
/// forked child process: a crash there ends only the child, and the parent reports it. Returns the
/// BREP file, or an empty path with the reason in `error`.
std::filesystem::path importStepIsolated(const std::string& step, const char* targetUnit,
                                         const ScratchFolder& scratch, std::string& error);
} // namespace solid::detail
