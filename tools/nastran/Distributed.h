#pragma once

// The analysis shared by several processes under mpirun: each reads the deck and assembles its share
// of the elements, MUMPS analyses and factorises the matrix they hold between them (no process holds
// all of it) and solves, and the first process, which gets the solution, recovers and writes the
// results. A failure on any process ends all of them with the same fatal error.

#include "tools/nastran/Run.h"

#include <string>
#include <vector>

namespace nastran
{

/// Whether this process was started by mpirun (Open MPI names the size of its run in the environment).
bool startedByMpirun();

/// The command that starts `processes` copies of `program` with `args` under mpirun, on `hosts`
/// (colon-separated; empty: this machine).
std::vector<std::string> mpirunCommand(const std::string& program, int processes, const std::string& hosts,
                                       const std::vector<std::string>& args);

/// Starts the run under mpirun when this process was not started by it (and returns mpirun's exit
/// status), else runs this process's share; returns the completion code.
int runDistributed(const CommandLine& cl, const std::vector<std::string>& args);

} // namespace nastran
