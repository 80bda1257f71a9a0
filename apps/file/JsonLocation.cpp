#include "apps/file/JsonLocation.h"

#include "apps/file/Format.h"

#include <rapidjson/reader.h>

namespace cae_app
{
namespace
{
/// A read-only stream over a terminated text. RapidJSON's own string stream lets the reader work
/// on a private copy of it, which would hide the reading position from the handler; this one
/// has no such optimisation, so Tell() is current during every event.
class TrackedStream
{
public:
    using Ch = char;
    explicit TrackedStream(const char* text) : m_head(text), m_src(text) {}
    Ch Peek() const { return *m_src; }
    Ch Take() { return *m_src++; }
    std::size_t Tell() const { return static_cast<std::size_t>(m_src - m_head); }
    // Writing is never asked of a stream read without the in-situ flag.
    Ch* PutBegin() { return nullptr; }
    void Put(Ch) {}
    void Flush() {}
    std::size_t PutEnd(Ch*) { return 0; }

private:
    const char* m_head;
    const char* m_src;
};

/// Follows the reader's events, keeping the key path of the value being read, and stops at the
/// wanted one. The reader reports a value only after reading it, so the handler remembers where
/// the previous token ended and finds the value's first character by skipping the separators.
class Locator : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, Locator>
{
public:
    Locator(std::string_view text, const TrackedStream& stream, const JsonPath& target, bool atKey)
        : m_text(text), m_stream(stream), m_target(target), m_atKey(atKey)
    {
    }

    std::optional<std::size_t> found() const { return m_found; }

    bool Default() { return scalar(); }
    bool String(const char*, rapidjson::SizeType, bool) { return scalar(); }
    bool StartObject() { return open(false); }
    bool StartArray() { return open(true); }
    bool EndObject(rapidjson::SizeType) { return close(); }
    bool EndArray(rapidjson::SizeType) { return close(); }
    bool Key(const char* str, rapidjson::SizeType length, bool)
    {
        m_path.back() = std::string(str, length);
        if (m_atKey && m_path == m_target)
            return stop();
        return advance();
    }

private:
    struct Frame
    {
        bool isArray = false;
        std::size_t next = 0;
    };

    /// Fills in the path of the value that starts now; false when it is the wanted one.
    bool valueStarts()
    {
        if (!m_frames.empty() && m_frames.back().isArray)
            m_path.back() = m_frames.back().next++;
        return m_atKey || m_path != m_target;
    }

    bool scalar()
    {
        if (!valueStarts())
            return stop();
        return advance();
    }

    bool open(bool isArray)
    {
        if (!valueStarts())
            return stop();
        m_frames.push_back(Frame{isArray, 0});
        m_path.emplace_back(std::size_t{0});
        return advance();
    }

    bool close()
    {
        m_frames.pop_back();
        m_path.pop_back();
        return advance();
    }

    bool advance()
    {
        m_lastEnd = m_stream.Tell();
        return true;
    }

    bool stop()
    {
        std::size_t at = m_lastEnd;
        while (at < m_text.size() && (m_text[at] == ' ' || m_text[at] == '\t' || m_text[at] == '\r' ||
                                      m_text[at] == '\n' || m_text[at] == ',' || m_text[at] == ':'))
            ++at;
        m_found = at;
        return false;
    }

    std::string_view m_text;
    const TrackedStream& m_stream;
    const JsonPath& m_target;
    bool m_atKey;
    std::vector<Frame> m_frames;
    JsonPath m_path;
    std::size_t m_lastEnd = 0;
    std::optional<std::size_t> m_found;
};
} // namespace

std::string formatJsonPath(const JsonPath& path)
{
    std::string out;
    for (const auto& segment : path)
    {
        if (const auto* key = std::get_if<std::string>(&segment))
        {
            if (!out.empty())
                out += '.';
            // Keys are the file's text; an unknown one is echoed, so it is made safe to print.
            out += printable(*key, 40);
        }
        else
        {
            out += '[' + std::to_string(std::get<std::size_t>(segment)) + ']';
        }
    }
    return out;
}

TextPosition textPosition(std::string_view text, std::size_t offset)
{
    TextPosition pos;
    const std::size_t end = std::min(offset, text.size());
    for (std::size_t i = 0; i < end; ++i)
    {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\n')
        {
            ++pos.line;
            pos.column = 1;
        }
        else if ((c & 0xC0) != 0x80) // continuation bytes of a UTF-8 sequence add no column
        {
            ++pos.column;
        }
    }
    return pos;
}

std::optional<std::size_t> locateJsonPath(std::string_view text, const JsonPath& path, bool atKey)
{
    if (atKey && (path.empty() || !std::holds_alternative<std::string>(path.back())))
        return std::nullopt;
    const std::string terminated(text);
    TrackedStream stream(terminated.c_str());
    Locator locator(text, stream, path, atKey);
    rapidjson::Reader reader;
    reader.Parse<rapidjson::kParseStopWhenDoneFlag>(stream, locator);
    return locator.found();
}
} // namespace cae_app
