#pragma once

#include "platform/base/OdString.h"

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <mutex>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace ut
{

/// Key of a reporter message: the value of an enumerator of the module that registered it.
using MessageKey = std::uint32_t;

/// An enumeration whose enumerators serve as message keys.
template <class T>
concept KeyEnumeration = std::is_enum_v<T>;

/// A message the host can show: its severity, how long the objects it names stay highlighted, and its
/// text, a printf-style format whose arguments are given when the message is reported.
class IReporterMessage
{
public:
    enum ESeverity
    {
        eError = 0,   ///< a failure: the operation did not do what was asked
        eWarning = 1, ///< a notice: the operation went on but the result may not be usable
        eInfo = 2     ///< information only
    };
    enum EHighlightDuration
    {
        eNoHighlight = 0,
        eShortHighlight = 1, ///< until the next command
        eLongHighlight = 2,  ///< until the user dismisses the message
    };

    virtual ~IReporterMessage() = default;
    virtual MessageKey key() const = 0;
    virtual ESeverity severity() const = 0;
    virtual EHighlightDuration highlight() const = 0;
    /// The registered format text, wide.
    virtual const OdString& text() const = 0;
};

/// The label of a severity as the stream reporter writes it: "Error", "Warning" or "Info".
const char* severityLabel(IReporterMessage::ESeverity severity);

/// The process-wide table of message texts, filled by modules when they load and emptied when they unload.
/// Thread-safe.
class ReporterMessageRegistry
{
public:
    static ReporterMessageRegistry& instance();

    /// Registers (or replaces, with an assertion report) the message of `key`; narrow text is UTF-8.
    /// A null text registers an empty text and raises an assertion.
    void registerMessage(MessageKey key, IReporterMessage::ESeverity severity,
                         IReporterMessage::EHighlightDuration highlight, const char* text);
    void registerMessage(MessageKey key, IReporterMessage::ESeverity severity,
                         IReporterMessage::EHighlightDuration highlight, const wchar_t* text);
    /// Removes the message of `key`; false when none was registered. Messages already looked up stay
    /// valid for their holders.
    bool unregisterMessage(MessageKey key);
    /// The message of `key`, null when none is registered.
    std::shared_ptr<const IReporterMessage> find(MessageKey key) const;
    bool isRegistered(MessageKey key) const { return find(key) != nullptr; }

    /// The same operations keyed by an enumerator of the module's message enumeration.
    template <KeyEnumeration Key>
    void registerMessage(Key key, IReporterMessage::ESeverity severity,
                         IReporterMessage::EHighlightDuration highlight, const char* text)
    {
        registerMessage(static_cast<MessageKey>(key), severity, highlight, text);
    }
    template <KeyEnumeration Key>
    void registerMessage(Key key, IReporterMessage::ESeverity severity,
                         IReporterMessage::EHighlightDuration highlight, const wchar_t* text)
    {
        registerMessage(static_cast<MessageKey>(key), severity, highlight, text);
    }
    template <KeyEnumeration Key> bool unregisterMessage(Key key)
    {
        return unregisterMessage(static_cast<MessageKey>(key));
    }
    template <KeyEnumeration Key> std::shared_ptr<const IReporterMessage> find(Key key) const
    {
        return find(static_cast<MessageKey>(key));
    }
    template <KeyEnumeration Key> bool isRegistered(Key key) const
    {
        return isRegistered(static_cast<MessageKey>(key));
    }

private:
    ReporterMessageRegistry() = default;
    void add(MessageKey key, IReporterMessage::ESeverity severity,
             IReporterMessage::EHighlightDuration highlight, OdString text);

    mutable std::mutex m_mutex;
    std::unordered_map<MessageKey, std::shared_ptr<const IReporterMessage>> m_messages;
};

/// Fills a printf-style wide format with the arguments, as OdString::format does (%ls takes a wide
/// string). `args` is left untouched (the function works on copies).
OdString formatV(const wchar_t* format, std::va_list args);

namespace detail
{
// Turns an argument of the typed report() into what a C variable argument list can carry.
template <class T> auto toVarArg(const T& value)
{
    using D = std::decay_t<T>;
    if constexpr (std::is_same_v<D, OdString>)
        return value.c_str();
    else if constexpr (std::is_same_v<D, std::wstring>)
        return value.c_str();
    else if constexpr (std::is_array_v<T>)
        return static_cast<const std::remove_extent_t<T>*>(value);
    else if constexpr (std::is_enum_v<D>)
        return static_cast<std::underlying_type_t<D>>(value);
    else
    {
        static_assert(std::is_arithmetic_v<D> || std::is_pointer_v<D>,
                      "a reporter argument must be a number, a pointer, a string pointer or an OdString");
        return value;
    }
}
} // namespace detail

/// The host's message reporter: reports a registered message by key, its format text filled with the
/// arguments. Reporting a key with no registered message reports nothing and raises an assertion.
class IReporter
{
public:
    virtual ~IReporter() = default;

    /// Reports the message of `key` with C variable arguments (pass wide strings as const wchar_t*).
    void report(MessageKey key, ...);

    /// Reports the message of an enumerator key; OdString and std::wstring arguments may be passed as
    /// they are (they fill %ls).
    template <KeyEnumeration Key, class... Args> void report(Key key, const Args&... args)
    {
        report(static_cast<MessageKey>(key), detail::toVarArg(args)...);
    }

    /// A reporter that discards every report, registered or not.
    static IReporter& nullReporter();

protected:
    /// Receives every report; `args` are the arguments after the key.
    virtual void reportV(MessageKey key, std::va_list args) = 0;
};

/// One message as a reporter showed it.
struct ReportedMessage
{
    MessageKey key = 0;
    IReporterMessage::ESeverity severity = IReporterMessage::eError;
    IReporterMessage::EHighlightDuration highlight = IReporterMessage::eNoHighlight;
    OdString text; ///< the format text with the arguments filled in
};

/// The host's reporter for a command line: writes each report as one line "<severity>: <text>" (UTF-8)
/// to a stream, standard error unless another sink is given, and keeps the reports for inspection.
class StreamReporter : public IReporter
{
public:
    StreamReporter();
    /// Writes to `sink`, which must outlive the reporter.
    explicit StreamReporter(std::ostream& sink);

    /// The messages reported so far, oldest first.
    const std::vector<ReportedMessage>& messages() const { return m_messages; }
    void clear() { m_messages.clear(); }

protected:
    void reportV(MessageKey key, std::va_list args) override;

private:
    std::ostream* m_sink;
    std::vector<ReportedMessage> m_messages;
};

} // namespace ut
