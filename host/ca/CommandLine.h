#pragma once

#include "platform/base/OdString.h"

#include <string>

namespace ca
{

/// Writes `text` to the host's command line (standard output, UTF-8) as it is.
void print(const OdString& text);

/// Writes `text` to the host's command line on a line of its own: when the command line is not at the
/// start of a line, a newline is written first. No newline follows, so the next prompt or a print of
/// "\n" ends the line.
void prompt(const OdString& text);

/// A line that a long operation keeps at the bottom of the terminal, below the command line's text (the
/// progress bar on standard error, when standard output is the same terminal).
class StatusLine
{
public:
    virtual ~StatusLine() = default;
    /// Removes the line from the terminal, leaving the cursor at the start of the empty line.
    virtual void erase() = 0;
    /// Draws the line again.
    virtual void redraw() = 0;
};

/// Keeps `line` apart from what print and prompt write to standard output while it is set: each write
/// erases the line first, ends its own text's line and has the line redrawn below it, so that neither
/// overwrites the other. The text stays as it would be without the line: a newline that the next write
/// would have started with is not written twice. Setting a line also ends the line that the text left
/// open. Captured text is not affected. nullptr removes the line; returns the one set before.
StatusLine* setStatusLine(StatusLine* line);

/// Captures what print and prompt write, instead of sending it to standard output, for as long as it lives.
/// Captures nest (the most recent live one receives the text); create and destroy them in nesting order
/// on one thread. A capture starts at the beginning of a line.
class CommandLineCapture
{
public:
    CommandLineCapture();
    ~CommandLineCapture();
    CommandLineCapture(const CommandLineCapture&) = delete;
    CommandLineCapture& operator=(const CommandLineCapture&) = delete;

    /// Everything written so far, UTF-8.
    const std::string& text() const { return m_text; }
    /// Everything written so far, wide.
    OdString wideText() const { return OdString(m_text.c_str()); }
    void clear();

private:
    friend void print(const OdString&);
    friend void prompt(const OdString&);
    static void write(const OdString& text, bool freshLine);

    CommandLineCapture* m_previous = nullptr;
    std::string m_text;
    bool m_atLineStart = true;
};

/// Unit modes of rtos, as the drawing's LUNITS setting numbers them.
enum ERtosMode
{
    eRtosScientific = 1,
    eRtosDecimal = 2
};

/// Zero-suppression flags of rtos, as the drawing's DIMZIN setting numbers them.
enum ERtosZeros
{
    eRtosKeepZeros = 0,
    eRtosSuppressLeadingZero = 4,  ///< 0.5 shows as .5
    eRtosSuppressTrailingZeros = 8 ///< 12.5000 shows as 12.5, and 12.0000 as 12
};

/// Precision of rtos when the caller passes -1: the drawing's default of four decimal places.
constexpr int kDefaultRtosPrecision = 4;
/// The largest precision a drawing's unit settings allow.
constexpr int kMaxRtosPrecision = 8;

/// Formats a real number as the drawing's unit settings show it. A value of -1 for an argument means
/// the drawing's current setting; this host's drawings are set to decimal mode, four decimal places and
/// trailing zeros suppressed.
///
/// `mode`: eRtosDecimal (12.5) or eRtosScientific (1.25E+01); the architectural, engineering and
/// fractional modes of other drawings are not offered here and fall back to decimal with an assertion.
/// `precision`: decimal places, clamped to 0..kMaxRtosPrecision. `zeros`: ERtosZeros flags.
/// The decimal point is always '.', whatever the process locale. Rounding is to nearest, and a value that
/// rounds to zero never shows a minus sign. Infinities and NaN show as "Inf", "-Inf" and "NaN".
OdString rtos(double value, int mode = -1, int precision = -1, int zeros = -1);

} // namespace ca
