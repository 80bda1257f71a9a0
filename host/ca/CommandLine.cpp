#include "host/ca/CommandLine.h"

#include "host/ut/Assert.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <string_view>

namespace ca
{
namespace
{
std::mutex& commandLineMutex()
{
    static std::mutex m;
    return m;
}

CommandLineCapture* s_pCapture = nullptr;
bool s_stdoutAtLineStart = true;
StatusLine* s_pStatusLine = nullptr;
// Standard output's line was ended only to make room for the status line: the text itself has not
// ended it yet, and a newline it writes next is already on the terminal.
bool s_stdoutLineEndedForStatus = false;

void writeToStdout(std::string_view chunk)
{
    std::fwrite(chunk.data(), 1, chunk.size(), stdout);
    std::fflush(stdout);
}

// Removes the trailing zeros of the fraction, and the point when no digit follows it.
void trimFraction(std::string& number)
{
    if (number.find('.') == std::string::npos)
        return;
    while (number.back() == '0')
        number.pop_back();
    if (number.back() == '.')
        number.pop_back();
}
} // namespace

void CommandLineCapture::write(const OdString& text, bool freshLine)
{
    const std::string utf8 = OdAnsiString(text).str();
    std::lock_guard lock(commandLineMutex());
    std::string* out = s_pCapture ? &s_pCapture->m_text : nullptr;
    bool& atLineStart = s_pCapture ? s_pCapture->m_atLineStart : s_stdoutAtLineStart;
    std::string chunk;
    if (freshLine && !atLineStart)
        chunk += '\n';
    chunk += utf8;
    if (chunk.empty())
        return;
    atLineStart = chunk.back() == '\n';
    if (out)
    {
        *out += chunk;
        return;
    }
    std::string_view bytes = chunk;
    if (s_stdoutLineEndedForStatus && bytes.front() == '\n')
        bytes.remove_prefix(1);
    s_stdoutLineEndedForStatus = false;
    if (!s_pStatusLine)
    {
        writeToStdout(bytes);
        return;
    }
    s_pStatusLine->erase();
    if (!atLineStart)
    {
        chunk += '\n';
        bytes = std::string_view(chunk).substr(chunk.size() - bytes.size() - 1);
        s_stdoutLineEndedForStatus = true;
    }
    writeToStdout(bytes);
    s_pStatusLine->redraw();
}

StatusLine* setStatusLine(StatusLine* line)
{
    std::lock_guard lock(commandLineMutex());
    StatusLine* previous = s_pStatusLine;
    s_pStatusLine = line;
    if (line && !s_stdoutAtLineStart && !s_stdoutLineEndedForStatus)
    {
        writeToStdout("\n");
        s_stdoutLineEndedForStatus = true;
    }
    return previous;
}

void print(const OdString& text)
{
    CommandLineCapture::write(text, false);
}

void prompt(const OdString& text)
{
    CommandLineCapture::write(text, true);
}

CommandLineCapture::CommandLineCapture()
{
    std::lock_guard lock(commandLineMutex());
    m_previous = s_pCapture;
    s_pCapture = this;
}

CommandLineCapture::~CommandLineCapture()
{
    std::lock_guard lock(commandLineMutex());
    if (s_pCapture == this)
    {
        s_pCapture = m_previous;
        return;
    }
    for (CommandLineCapture* c = s_pCapture; c; c = c->m_previous)
    {
        if (c->m_previous == this)
        {
            c->m_previous = m_previous;
            break;
        }
    }
}

void CommandLineCapture::clear()
{
    std::lock_guard lock(commandLineMutex());
    m_text.clear();
    m_atLineStart = true;
}

OdString rtos(double value, int mode, int precision, int zeros)
{
    if (std::isnan(value))
        return OdString(L"NaN");
    if (std::isinf(value))
        return OdString(value > 0 ? L"Inf" : L"-Inf");

    if (mode == -1)
        mode = eRtosDecimal;
    if (mode != eRtosDecimal && mode != eRtosScientific)
    {
        ut::callAssert("mode == eRtosDecimal || mode == eRtosScientific",
                       "unit mode not offered; shown as decimal", "host/ca/CommandLine.cpp", __LINE__);
        mode = eRtosDecimal;
    }
    precision = precision == -1 ? kDefaultRtosPrecision : std::clamp(precision, 0, kMaxRtosPrecision);
    if (zeros == -1)
        zeros = eRtosSuppressTrailingZeros;

    // Wide enough for any double in fixed notation (309 digits) with sign, point and fraction.
    std::array<char, 400> buf{};
    const auto format = mode == eRtosScientific ? std::chars_format::scientific : std::chars_format::fixed;
    const auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), value, format, precision);
    std::string mantissa = ec == std::errc() ? std::string(buf.data(), end) : std::string("0");

    const bool negative = mantissa[0] == '-';
    if (negative)
        mantissa.erase(0, 1);
    std::string exponent;
    if (const auto e = mantissa.find('e'); e != std::string::npos)
    {
        // to_chars writes 1.25e+01; the command line shows the exponent in capitals with at least two digits.
        std::string digits = mantissa.substr(e + 2);
        if (digits.size() < 2)
            digits.insert(0, 2 - digits.size(), '0');
        exponent = std::string("E") + mantissa[e + 1] + digits;
        mantissa.erase(e);
    }
    if (zeros & eRtosSuppressTrailingZeros)
        trimFraction(mantissa);
    if ((zeros & eRtosSuppressLeadingZero) && mantissa.size() > 1 && mantissa[0] == '0' && mantissa[1] == '.')
        mantissa.erase(0, 1);
    const bool isZero = mantissa.find_first_of("123456789") == std::string::npos;
    return OdString(((negative && !isZero ? "-" : "") + mantissa + exponent).c_str());
}

} // namespace ca
