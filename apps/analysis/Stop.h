#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

/// How a run of an analysis command ends when it cannot go on.
namespace cae_app
{
/// A problem that ends the run: what to tell the user and how the run ended. Thrown by the stages
/// of a command and caught once, where the command writes its summary.
struct Stop
{
    enum class EKind
    {
        /// The inputs are not usable or the analysis is not ready (summary status "invalid").
        eInvalid,
        /// Meshing, solving or writing failed (summary status "failed").
        eFailed,
        /// A signal stopped the run (summary status "interrupted"); `signal` says which.
        eInterrupted
    };
    EKind kind;
    std::vector<std::string> messages;
    /// The module's result code of the step that decided it, when a module step did.
    std::optional<std::uint32_t> result;
    /// The messages are the input handler's status texts rather than the program's own errors.
    bool statusMessages = false;
    /// The signal that interrupted the run, 0 for the other kinds.
    int signal = 0;
};

[[noreturn]] inline void stopInvalid(std::string message)
{
    throw Stop{Stop::EKind::eInvalid, {std::move(message)}, {}};
}

[[noreturn]] inline void stopFailed(std::string message, std::optional<std::uint32_t> result)
{
    throw Stop{Stop::EKind::eFailed, {std::move(message)}, result};
}
} // namespace cae_app
