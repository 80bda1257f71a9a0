#pragma once

// One run of the program: command line, log, deck, analysis and printed results.
//
//   nastran <deck> [keyword=value ...]
//
// The deck path may be quoted (a quoted path split at its blanks by the caller is joined again).
// Keywords are those of the solver's option table; memorymaximum (e.g. 16GB, 512MB, or a number of
// 8-byte words) limits the memory of the factor; a value it cannot read is a fatal error, since running
// without the limit asked for could exhaust the machine. Other known keywords are noted in the log and
// have no effect; unknown ones are noted too. smp (or parallel) sets the threads of the factorisation,
// one per processor by default, and the log names their count; matrix=<file> writes the reduced
// stiffness matrix and its load in Matrix Market format before it is factorised, for comparisons. Beside the
// deck, with its base name, the program writes the log
// (.log, one line per phase, flushed as it goes, ending with "Analysis complete <code>") and the printed
// results (.f06, written under a temporary name and renamed when complete).

#include <string>
#include <vector>

namespace nastran
{

struct CommandLine
{
    std::string deck;
    double memoryLimit = 0.0; ///< bytes; 0 = no limit
    int threads = 0;          ///< 0 = one per processor
    std::string matrixFile;   ///< where to write the reduced system; empty: nowhere
    std::vector<std::string> notes;
    std::vector<std::string> errors; ///< values that cannot be read: the run stops with a fatal error
};

/// Parses the arguments after the program name. An empty deck means none was given.
CommandLine parseCommandLine(const std::vector<std::string>& args);

/// Amount of memory such as 16GB, 512mb, 100MW or 2000000 (8-byte words); negative when not understood.
double parseMemory(const std::string& text);

/// A number of threads: a whole number, 0 or more; negative when not understood.
int parseThreads(const std::string& text);

/// Runs the analysis of the command line's deck; returns the completion code written to the log
/// (0 on success).
int runProgram(const std::vector<std::string>& args);

} // namespace nastran
