// The parent of a process as Windows keeps it: the id of its creator at the
// moment of creation. The layer hands that id to every program it starts; for
// any other process the kernel's parent is the best there is.
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/sim/processes/SimProcesses.h"
#include "platform/sim/processes/SimSessions.h"

namespace {

std::string ReadProcFile(pid_t pid, const char* name) {
  std::string text;
  SimReadProcFile(pid, name, &text);
  return text;
}

// The parent id recorded at the start, or -1 when none was.
pid_t RecordedParent(pid_t pid) {
  const std::string text = ReadProcFile(pid, "environ");
  const std::string prefix = SIMHOST_PARENT_PID_VAR "=";
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\0', start);
    if (end == std::string::npos) end = text.size();
    if (text.compare(start, prefix.size(), prefix) == 0) {
      const std::string value = text.substr(start + prefix.size(), end - start - prefix.size());
      if (!value.empty() && value.size() < 10 &&
          value.find_first_not_of("0123456789") == std::string::npos)
        return static_cast<pid_t>(std::atol(value.c_str()));
      return -1;
    }
    start = end + 1;
  }
  return -1;
}

pid_t KernelParent(pid_t pid) {
  const std::string text = ReadProcFile(pid, "stat");
  size_t close_paren = text.rfind(')');  // the command name may hold anything
  if (close_paren == std::string::npos || close_paren + 4 >= text.size()) return 0;
  return static_cast<pid_t>(std::strtol(text.c_str() + close_paren + 4, nullptr, 10));  // ") S PPID"
}

}  // namespace

pid_t SimParentPid(pid_t pid) {
  pid_t recorded = RecordedParent(pid);
  return recorded >= 0 ? recorded : KernelParent(pid);
}
