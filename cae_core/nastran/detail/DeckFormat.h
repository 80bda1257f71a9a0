#pragma once

// Field formatting shared by the solver decks: free-field cards whose fields are separated by commas.

#include <charconv>
#include <cstdint>
#include <string>
#include <type_traits>

namespace cae_core::nastran::detail
{

/// Appends a real in the decks' one notation: scientific with six decimals and an upper-case exponent
/// of at least two digits (12.5 -> 1.250000E+01, 0 -> 0.000000E+00), as a stream's scientific format at
/// its default precision writes it with the e raised.
inline void appendReal(std::string& out, double value)
{
    char buffer[32];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 6);
    for (char* c = buffer; c != end; ++c)
    {
        if (*c == 'e')
            *c = 'E';
    }
    out.append(buffer, end);
    static_cast<void>(error); // 32 characters hold every double in this notation
}

/// Appends an integer in plain decimal.
template <class Integer> void appendInteger(std::string& out, Integer value)
{
    static_assert(std::is_integral_v<Integer>);
    char buffer[24];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    static_cast<void>(error); // 24 characters hold every 64-bit integer
    out.append(buffer, end);
}

/// Builds one card line: the name, then each field after a comma; line() ends it with a newline.
class Card
{
public:
    Card(std::string& out, const char* name) : m_out(out) { m_out += name; }
    Card& integer(std::int64_t value)
    {
        m_out += ',';
        appendInteger(m_out, value);
        return *this;
    }
    Card& real(double value)
    {
        m_out += ',';
        appendReal(m_out, value);
        return *this;
    }
    Card& empty()
    {
        m_out += ',';
        return *this;
    }
    void line() { m_out += '\n'; }

private:
    std::string& m_out;
};

} // namespace cae_core::nastran::detail
