// The live processes of a machine: real processes whose program file lies
// inside the machine's drives.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

struct SimProcessInfo {
  pid_t pid = 0;
  std::string real_image;  // as the kernel reports it (" (deleted)" cut off)
};

std::vector<SimProcessInfo> SimListMachineProcesses(const std::string& machine_dir);
