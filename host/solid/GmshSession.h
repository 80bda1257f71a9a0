#pragma once

#include <exception>
#include <mutex>
#include <string>

namespace solid
{
/// Gmsh keeps one process-wide state (its models, options and logger). Every use goes through a
/// session, which initialises Gmsh on first use, serialises access and captures what Gmsh logs, so
/// that a failure can be reported with Gmsh's own message.
class GmshSession
{
public:
    /// Locks Gmsh for the session's lifetime, makes `model` the current model (when not empty) and
    /// starts capturing Gmsh's log.
    explicit GmshSession(const std::string& model = std::string());
    ~GmshSession();
    GmshSession(const GmshSession&) = delete;
    GmshSession& operator=(const GmshSession&) = delete;

    /// True when Gmsh logged an error during the session.
    bool failed() const;

    /// The errors (or, when there are none, the warnings) Gmsh logged during the session, and the
    /// text of `what` when an exception was caught; one line each.
    std::string failureMessage(const std::exception* what = nullptr) const;

    /// A model name no other model of the process uses.
    static std::string newModelName();

private:
    std::unique_lock<std::recursive_mutex> m_lock;
};
} // namespace solid
