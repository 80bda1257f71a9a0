#include "apps/file/JsonDocument.h"

#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include <charconv>
#include <cstdlib>

namespace cae_app
{
namespace
{
/// Numbers arrive as their text; nothing of the JSON library's number conversion runs.
constexpr unsigned kReadFlags = rapidjson::kParseValidateEncodingFlag | rapidjson::kParseIterativeFlag |
                                rapidjson::kParseNumbersAsStringsFlag;

/// Passes the reader's events on to the document, turning number texts into doubles and
/// stopping at the nesting limit or a number out of range.
class DocumentBuilder
{
public:
    DocumentBuilder(rapidjson::Document& document, const rapidjson::StringStream& stream)
        : m_document(document), m_stream(stream)
    {
    }

    std::optional<JsonSyntaxError> problem;

    bool Null() { return m_document.Null(); }
    bool Bool(bool b) { return m_document.Bool(b); }
    bool Int(int i) { return m_document.Int(i); }
    bool Uint(unsigned i) { return m_document.Uint(i); }
    bool Int64(std::int64_t i) { return m_document.Int64(i); }
    bool Uint64(std::uint64_t i) { return m_document.Uint64(i); }
    bool Double(double d) { return m_document.Double(d); }
    bool RawNumber(const char* str, rapidjson::SizeType length, bool)
    {
        const std::string_view token(str, length);
        if (const auto v = jsonNumberValue(token))
            return m_document.Double(*v);
        problem =
            JsonSyntaxError{m_stream.Tell() - length, "the number " + shortened(token) +
                                                          " is beyond the largest number a double holds"};
        return false;
    }
    bool String(const char* str, rapidjson::SizeType length, bool copy)
    {
        return m_document.String(str, length, copy);
    }
    bool Key(const char* str, rapidjson::SizeType length, bool copy)
    {
        return m_document.Key(str, length, copy);
    }
    bool StartObject() { return open() && m_document.StartObject(); }
    bool EndObject(rapidjson::SizeType members)
    {
        --m_depth;
        return m_document.EndObject(members);
    }
    bool StartArray() { return open() && m_document.StartArray(); }
    bool EndArray(rapidjson::SizeType elements)
    {
        --m_depth;
        return m_document.EndArray(elements);
    }

private:
    static std::string shortened(std::string_view token)
    {
        constexpr std::size_t kShown = 24;
        return token.size() <= kShown ? std::string(token) : std::string(token.substr(0, kShown)) + "...";
    }

    bool open()
    {
        if (++m_depth <= kMaxJsonNesting)
            return true;
        problem = JsonSyntaxError{m_stream.Tell(), "objects and lists are nested more than " +
                                                       std::to_string(kMaxJsonNesting) + " levels deep"};
        return false;
    }

    rapidjson::Document& m_document;
    const rapidjson::StringStream& m_stream;
    std::size_t m_depth = 0;
};
} // namespace

std::optional<double> jsonNumberValue(std::string_view token)
{
    double v = 0.0;
    const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), v);
    if (ec == std::errc())
        return v;
    if (ec != std::errc::result_out_of_range)
        return std::nullopt;
    // Out of range either way: the decimal order of the first significant digit tells an overflow
    // from an underflow.
    std::size_t i = token.front() == '-' ? 1 : 0;
    long order = -1;
    for (; i < token.size() && token[i] >= '0' && token[i] <= '9'; ++i)
        order += token[i] != '0' || order >= 0 ? 1 : 0;
    if (i < token.size() && token[i] == '.')
    {
        for (++i; order < 0 && i < token.size() && token[i] == '0'; ++i)
            --order;
    }
    while (i < token.size() && token[i] != 'e' && token[i] != 'E')
        ++i;
    if (i < token.size())
    {
        long exponent = 0;
        const char* first = token.data() + i + 1;
        if (*first == '+')
            ++first;
        const auto [p, e] = std::from_chars(first, token.data() + token.size(), exponent);
        if (e == std::errc::result_out_of_range)
            exponent = *first == '-' ? -1000000 : 1000000;
        order += exponent;
    }
    if (order < 0)
        return token.front() == '-' ? -0.0 : 0.0;
    return std::nullopt;
}

std::optional<JsonSyntaxError> parseJson(std::string_view text, rapidjson::Document& document)
{
    // The in-memory stream reads up to a terminating zero, so parse a terminated copy; a stray
    // zero byte inside the text then ends the document and is reported as what follows. The
    // encoding check takes the continuation bytes of a multi-byte sequence without looking for the
    // end, so a sequence cut short at the end would read past one zero: pad with as many zeros as a
    // sequence has continuation bytes.
    constexpr std::size_t kLongestContinuation = 3;
    std::string terminated(text);
    terminated.append(kLongestContinuation + 1, '\0');
    rapidjson::StringStream stream(terminated.c_str());
    DocumentBuilder builder(document, stream);
    rapidjson::ParseResult result;
    auto generate = [&](rapidjson::Document&)
    {
        rapidjson::Reader reader;
        result = reader.Parse<kReadFlags>(stream, builder);
        return !result.IsError();
    };
    document.Populate(generate);
    if (builder.problem)
        return builder.problem;
    if (result.IsError())
        return JsonSyntaxError{result.Offset(), rapidjson::GetParseError_En(result.Code())};
    return std::nullopt;
}
} // namespace cae_app
