// Where the simulated shell records what it was asked to open.
#pragma once

#include <string>
#include <vector>

// One ShellExecuteW call as the machine recorded it (UTF-8).
struct SimShellCall {
  std::string verb, file, parameters, directory;
  int show = 0;
  int result = 0;
};

// "<machine>/run/shell-execute.log": one line per call, fields separated by
// tabs: verb, file, parameters, directory, show, result.
std::string SimShellExecuteLogPath();
// The calls recorded on this process's machine, oldest first.
std::vector<SimShellCall> SimReadShellCalls();
