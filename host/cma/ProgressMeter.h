#pragma once

#include "host/ca/CommandLine.h"
#include "platform/base/OdString.h"

#include <chrono>
#include <iosfwd>
#include <thread>

namespace cma
{

/// The host's progress meter: a text bar "<label> [#####.....]  45%" redrawn in place on a terminal.
///
/// Cheap enough for a hot loop: a position change costs a comparison and a clock read, and the bar is
/// redrawn at most once per kRedrawInterval (besides the first drawing at start and the last at stop).
/// Nothing is written when the sink is not a terminal, so redirected output and logs stay clean.
///
/// When the bar shares its terminal with the host's command line (standard error and standard output on
/// one screen), a running meter is the command line's status line: text printed meanwhile goes above the
/// bar instead of being overwritten by it. The meter is drawn by the thread that started it alone; text
/// that other threads print passes the bar by.
class ProgressMeter : private ca::StatusLine
{
public:
    /// Shortest time between two redraws of the bar.
    static constexpr std::chrono::milliseconds kRedrawInterval{100};
    /// Number of cells of the bar.
    static constexpr int kBarWidth = 30;

    /// Draws on standard error when it is a terminal, keeping apart from the command line's text when
    /// standard output is a terminal too; otherwise stays silent.
    ProgressMeter();
    /// Draws on `sink` (which must outlive the meter) when `interactive`; otherwise stays silent. With
    /// `sharesCommandLine`, an interactive meter takes the command line's status line while it runs.
    ProgressMeter(std::ostream& sink, bool interactive, bool sharesCommandLine = false);
    /// Stops a running meter.
    ~ProgressMeter() override;
    ProgressMeter(const ProgressMeter&) = delete;
    ProgressMeter& operator=(const ProgressMeter&) = delete;

    /// Starts (or restarts) the meter at 0 of `total` steps; a total below 1 counts as 1.
    void start(const OdString& label = OdString(), int total = 100);
    /// Sets the position, clamped to 0..total. Ignored when the meter is not running.
    void progress(int done);
    /// Advances the position by one step.
    void meterProgress() { progress(m_done + 1); }
    /// Draws the final state and ends the line. Does nothing when the meter is not running.
    void stop();

    bool isRunning() const { return m_running; }
    int position() const { return m_done; }
    int total() const { return m_total; }

private:
    using Clock = std::chrono::steady_clock;
    int percent() const;
    void draw();
    void erase() override;
    void redraw() override;

    std::ostream* m_sink;
    bool m_interactive;
    bool m_sharesCommandLine;
    /// The status line this meter replaced while it runs on the command line's terminal.
    ca::StatusLine* m_previousStatusLine = nullptr;
    /// The thread that started the meter, the only one that draws it.
    std::thread::id m_owner;
    bool m_running = false;
    OdString m_label;
    int m_total = 100;
    int m_done = 0;
    int m_drawnPercent = -1;
    Clock::time_point m_lastDraw{};
};

} // namespace cma
