#pragma once

#include "apps/CommandLine.h"

#include <string>
#include <vector>

namespace cae_app
{
/// Reads `task3d FILE.json [options]` (`args` starts with "task3d").
CommandLine parseTask3dCommandLine(const std::vector<std::string>& args);
/// `cae task3d --help`: the options and the task file.
std::string task3dHelp();
} // namespace cae_app
