#pragma once

#include "apps/CommandLine.h"

#include <string>
#include <vector>

namespace cae_app
{
/// Reads `task3d FILE.json [options]` (`args` starts with "task3d").
CommandLine parseTask3dCommandLine(const std::vector<std::string>& args);
/// Why `key`=`value` cannot go on the solver's command line; empty when it can.
std::string solverKeywordProblem(const std::string& key, const std::string& value);
/// `cae task3d --help`: the options and the task file.
std::string task3dHelp();
} // namespace cae_app
