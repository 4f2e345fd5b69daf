// The end of a stopped service's process, a moment after its stop.
#include "platform/sim/services/SimServiceExit.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool SameProcessAlive(int64_t pid, int64_t start) {
  return pid > 0 && start >= 0 && SimProcessStartTime(pid) == start;
}

// The reaper keeps only the process descriptor: an inherited descriptor
// (an image lock, the machine database) must not outlive its owner's use.
void CloseAllBut(int keep) {
#ifdef SYS_close_range
  if (syscall(SYS_close_range, 0u, static_cast<unsigned>(keep - 1), 0u) == 0 &&
      syscall(SYS_close_range, static_cast<unsigned>(keep + 1), ~0u, 0u) == 0)
    return;
#endif
  for (int fd = 0; fd < 4096; ++fd)
    if (fd != keep) close(fd);
}

// Only async-signal-safe calls after fork: the caller may have threads.
bool SpawnReaper(int pidfd, int delay_ms) {
  pid_t middle = fork();
  if (middle < 0) return false;
  if (middle == 0) {
    if (fork() != 0) _exit(0);  // the reaper is init's to reap
    CloseAllBut(pidfd);
    timespec wait = {delay_ms / 1000, static_cast<long>(delay_ms % 1000) * 1000000L};
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
#ifdef SYS_pidfd_send_signal
    syscall(SYS_pidfd_send_signal, pidfd, SIGKILL, nullptr, 0u);
#endif
    _exit(0);
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
  int pidfd = -1;
#if defined(SYS_pidfd_open) && defined(SYS_pidfd_send_signal)
  pidfd = static_cast<int>(syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0u));
#endif
  // Checked again once the descriptor is held: it names this very process.
  bool arranged = pidfd >= 0 && SameProcessAlive(pid, start_time) && SpawnReaper(pidfd, delay_ms);
  if (pidfd >= 0) close(pidfd);
  if (!arranged) SimEndServiceProcessNow(pid, start_time);
}
