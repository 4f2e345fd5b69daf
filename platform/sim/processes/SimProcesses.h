// The live processes of a machine: real processes whose program file lies
// inside the machine's drives.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "platform/types.h"

struct SimProcessInfo {
  pid_t pid = 0;
  std::string real_image;  // as the kernel reports it (" (deleted)" cut off)
};

std::vector<SimProcessInfo> SimListMachineProcesses(const std::string& machine_dir);

// The whole of a file under /proc (an entry such as "environ" or "stat" of
// pid, or any path when pid is 0); false when it cannot be read.
bool SimReadProcFile(pid_t pid, const char* name, std::string* text);

// The id of the process that started pid, as it was at the start (Windows
// keeps it when the parent ends and may give the id to another process); 0
// when unknown.
pid_t SimParentPid(pid_t pid);

struct SimProcessTimes {
  FILETIME creation = {};
  FILETIME exit = {};  // zero while it runs
  FILETIME kernel = {};
  FILETIME user = {};
};
// The times of the process that started start_ticks (clock ticks after boot)
// after boot; its processor times while it is alive.
SimProcessTimes SimTimesOf(pid_t pid, long long start_ticks, bool alive);

// ERROR_SUCCESS when this process may open pid with the rights, else
// ERROR_ACCESS_DENIED: another user's or LocalSystem's process needs
// SeDebugPrivilege enabled, and a token that is not elevated gets only
// limited query rights on an elevated process.
DWORD SimProcessAccessError(pid_t pid, DWORD desired_access);
