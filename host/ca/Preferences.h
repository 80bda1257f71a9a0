#pragma once

namespace ca
{

/// The host application's user preferences that the module reads.
class Preferences
{
public:
    /// The colour index (1 to 255 of the drawing's colour table) in which the host shows
    /// highlighted entities; red (1) unless the user chose another.
    short highlightColorIndex() const { return m_highlightColorIndex; }
    /// Values outside 1 to 255 are refused (false, nothing changed).
    bool setHighlightColorIndex(short index);

private:
    short m_highlightColorIndex = 1;
};

/// The application's preferences: one object for the process, living until it ends.
Preferences& preferences();

} // namespace ca
