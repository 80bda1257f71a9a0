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
//
// dmp=N runs the analysis on N processes under mpirun (hosts=a:b:c names the machines, this one by
// default): each reads the deck and assembles its share of the elements, MUMPS factorises the matrix
// they share, and the first process recovers and writes the results. A program started by mpirun is
// one of those processes whatever its keywords say. When memorymaximum is below the factor's predicted
// size, such a run keeps the factor on disk, in sdirectory (the deck's folder by default).

#include "tools/nastran/Analysis.h"

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
    int processes = 0;        ///< dmp: processes sharing the solution; 0 or 1: this one alone
    std::string hosts;        ///< where they run, colon-separated; empty: this machine
    std::string scratch;      ///< sdirectory: folder of a factor kept on disk; empty: the deck's
    std::vector<std::string> notes;
    std::vector<std::string> errors; ///< values that cannot be read: the run stops with a fatal error
};

/// Parses the arguments after the program name. An empty deck means none was given.
CommandLine parseCommandLine(const std::vector<std::string>& args);

/// Amount of memory such as 16GB, 512mb, 100MW or 2000000 (8-byte words); negative when not understood.
double parseMemory(const std::string& text);

/// A number of threads: a whole number, 0 or more; negative when not understood.
int parseThreads(const std::string& text);

/// This process's part in a run that several processes share.
struct Sharing
{
    bool root = true;               ///< the process that writes the log and the f06
    int threads = 0;                ///< threads of this process's factorisation
    std::vector<std::string> notes; ///< written to the log after the command line's
    /// The solver of the reduced system, given where its progress goes.
    std::function<ShareSolver(const Analysis::Progress&)> solver;
};

/// Runs the analysis of the command line's deck on this process alone (`sharing` null) or as its share
/// of a run of several; returns the completion code.
int runDeck(const CommandLine& cl, const Sharing* sharing);

/// Runs the analysis of the command line's deck; returns the completion code written to the log
/// (0 on success).
int runProgram(const std::vector<std::string>& args);

} // namespace nastran
