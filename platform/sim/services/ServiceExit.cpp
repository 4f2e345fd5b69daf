// The end of a stopped service's process, a moment after its stop.
#include "platform/sim/services/SimServiceExit.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool SameProcessAlive(int64_t pid, int64_t start) {
  return pid > 0 && start >= 0 && SimProcessStartTime(pid) == start;
}

// Waits $3 seconds, then ends process $1 if it is still the one that started
// at $2 (field 22 of its stat; the command name before it may hold blanks).
constexpr char kReaperScript[] =
    "p=$1 t=$2; sleep \"$3\"; s=$(cat /proc/$p/stat 2>/dev/null) || exit 0; "
    "s=${s##*\") \"}; set -- $s; shift 19; [ \"$1\" = \"$t\" ] && kill -9 \"$p\"";

// The reaper is a shell of the Linux host, not a program of the machine: it
// is not listed among the machine's processes and holds none of its files.
// Only async-signal-safe calls after fork: the caller may have threads.
bool SpawnReaper(int64_t pid, int64_t start_time, int delay_ms) {
  std::string pid_text = std::to_string(pid), start_text = std::to_string(start_time);
  char seconds[32];
  std::snprintf(seconds, sizeof(seconds), "%d.%03d", delay_ms / 1000, delay_ms % 1000);
  char shell[] = "/bin/sh", dash_c[] = "-c", name[] = "service-exit";
  std::string script = kReaperScript;
  char* argv[] = {shell, dash_c, script.data(), name, pid_text.data(), start_text.data(),
                  seconds, nullptr};
  char path[] = "PATH=/usr/bin:/bin";
  char* envp[] = {path, nullptr};
  pid_t middle = fork();
  if (middle < 0) return false;
  if (middle == 0) {
    if (fork() != 0) _exit(0);  // the reaper is init's to reap
    for (int fd = 0; fd < 3; ++fd) close(fd);
    open("/dev/null", O_RDWR);
    dup(0);
    dup(0);
#ifdef SYS_close_range
    if (syscall(SYS_close_range, 3u, ~0u, 0u) != 0)
#endif
      for (int fd = 3; fd < 4096; ++fd) close(fd);
    execve(shell, argv, envp);
    _exit(127);
  }
  int status = 0;
  while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int64_t SimProcessStartTime(int64_t pid) {
  if (pid <= 0) return -1;
  int fd = open(("/proc/" + std::to_string(pid) + "/stat").c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  char buffer[1024];
  ssize_t n = read(fd, buffer, sizeof(buffer) - 1);
  close(fd);
  if (n <= 0) return -1;
  std::string text(buffer, static_cast<size_t>(n));
  size_t pos = text.rfind(')');  // the command name may hold anything
  if (pos == std::string::npos) return -1;
  std::vector<std::string> fields;
  while (pos + 1 < text.size() && fields.size() < 20) {
    size_t start = text.find_first_not_of(' ', pos + 1);
    if (start == std::string::npos) break;
    size_t end = text.find_first_of(" \n", start);
    if (end == std::string::npos) end = text.size();
    fields.push_back(text.substr(start, end - start));
    pos = end;
  }
  if (fields.size() < 20 || fields[0] == "Z" || fields[0] == "X") return -1;
  return std::atoll(fields[19].c_str());
}

void SimEndServiceProcessNow(int64_t pid, int64_t start_time) {
  if (!SameProcessAlive(pid, start_time)) return;
  kill(static_cast<pid_t>(pid), SIGKILL);
  for (int i = 0; i < 2000 && SameProcessAlive(pid, start_time); ++i) usleep(1000);
}

void SimEndServiceProcessLater(int64_t pid, int64_t start_time, int delay_ms) {
  if (!SameProcessAlive(pid, start_time)) return;
  if (!SpawnReaper(pid, start_time, delay_ms)) SimEndServiceProcessNow(pid, start_time);
}
