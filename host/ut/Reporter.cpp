#include "host/ut/Reporter.h"

#include "host/ut/Assert.h"

#include <cwchar>
#include <iostream>
#include <string>
#include <vector>

namespace ut
{
namespace
{
class ReporterMessage final : public IReporterMessage
{
public:
    ReporterMessage(MessageKey key, ESeverity severity, EHighlightDuration highlight, OdString text)
        : m_key(key), m_severity(severity), m_highlight(highlight), m_text(std::move(text))
    {
    }
    MessageKey key() const override { return m_key; }
    ESeverity severity() const override { return m_severity; }
    EHighlightDuration highlight() const override { return m_highlight; }
    const OdString& text() const override { return m_text; }

private:
    MessageKey m_key;
    ESeverity m_severity;
    EHighlightDuration m_highlight;
    OdString m_text;
};

class NullReporter final : public IReporter
{
protected:
    void reportV(MessageKey, std::va_list) override {}
};

// vswprintf fails alike for a short buffer and for an argument it cannot convert; past this many
// characters the failure is taken to be the latter.
constexpr std::size_t kMaxFormattedLength = std::size_t(1) << 20;
} // namespace

const char* severityLabel(IReporterMessage::ESeverity severity)
{
    switch (severity)
    {
    case IReporterMessage::eError:
        return "Error";
    case IReporterMessage::eWarning:
        return "Warning";
    case IReporterMessage::eInfo:
        return "Info";
    }
    return "Message";
}

ReporterMessageRegistry& ReporterMessageRegistry::instance()
{
    static ReporterMessageRegistry registry;
    return registry;
}

void ReporterMessageRegistry::registerMessage(MessageKey key, IReporterMessage::ESeverity severity,
                                              IReporterMessage::EHighlightDuration highlight,
                                              const char* text)
{
    if (!text)
        callAssert("text", "reporter message registered without a text", "host/ut/Reporter.cpp", __LINE__);
    add(key, severity, highlight, OdString(text));
}

void ReporterMessageRegistry::registerMessage(MessageKey key, IReporterMessage::ESeverity severity,
                                              IReporterMessage::EHighlightDuration highlight,
                                              const wchar_t* text)
{
    if (!text)
        callAssert("text", "reporter message registered without a text", "host/ut/Reporter.cpp", __LINE__);
    add(key, severity, highlight, OdString(text));
}

void ReporterMessageRegistry::add(MessageKey key, IReporterMessage::ESeverity severity,
                                  IReporterMessage::EHighlightDuration highlight, OdString text)
{
    auto message = std::make_shared<const ReporterMessage>(key, severity, highlight, std::move(text));
    bool replaced = false;
    {
        std::lock_guard lock(m_mutex);
        auto [it, inserted] = m_messages.try_emplace(key, message);
        if (!inserted)
        {
            it->second = std::move(message);
            replaced = true;
        }
    }
    // Outside the lock: an assertion handler may well report through this registry.
    if (replaced)
        callAssert("!isRegistered(key)", "reporter message key registered twice", "host/ut/Reporter.cpp",
                   __LINE__);
}

bool ReporterMessageRegistry::unregisterMessage(MessageKey key)
{
    std::lock_guard lock(m_mutex);
    return m_messages.erase(key) != 0;
}

std::shared_ptr<const IReporterMessage> ReporterMessageRegistry::find(MessageKey key) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_messages.find(key);
    return it == m_messages.end() ? nullptr : it->second;
}

OdString formatV(const wchar_t* format, std::va_list args)
{
    if (!format)
        return OdString();
    std::vector<wchar_t> buf(256);
    for (;;)
    {
        std::va_list copy;
        va_copy(copy, args);
        const int n = std::vswprintf(buf.data(), buf.size(), format, copy);
        va_end(copy);
        if (n >= 0 && static_cast<std::size_t>(n) < buf.size())
            return OdString(buf.data(), static_cast<std::size_t>(n));
        if (buf.size() >= kMaxFormattedLength)
            return OdString(format); // an argument that cannot be shown: the bare text beats nothing
        buf.resize(buf.size() * 4);
    }
}

void IReporter::report(MessageKey key, ...)
{
    std::va_list args;
    va_start(args, key);
    reportV(key, args);
    va_end(args);
}

IReporter& IReporter::nullReporter()
{
    static NullReporter reporter;
    return reporter;
}

StreamReporter::StreamReporter() : m_sink(&std::cerr) {}

StreamReporter::StreamReporter(std::ostream& sink) : m_sink(&sink) {}

void StreamReporter::reportV(MessageKey key, std::va_list args)
{
    const auto message = ReporterMessageRegistry::instance().find(key);
    if (!message)
    {
        const std::string why = "reported message key " + std::to_string(key) + " has no registered text";
        callAssert("ReporterMessageRegistry::instance().isRegistered(key)", why.c_str(),
                   "host/ut/Reporter.cpp", __LINE__);
        return;
    }
    ReportedMessage reported{key, message->severity(), message->highlight(),
                             formatV(message->text().c_str(), args)};
    *m_sink << severityLabel(reported.severity) << ": " << OdAnsiString(reported.text).c_str() << '\n';
    m_sink->flush();
    m_messages.push_back(std::move(reported));
}

} // namespace ut
