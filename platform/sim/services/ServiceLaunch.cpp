// Starting a service's program as a real process of the machine.
#include "platform/sim/services/ServiceLaunch.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/kernel.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/files/SimPath.h"
#include "platform/sim/processes/SimSessions.h"
#include "platform/sim/text/SimUnicode.h"
#include "platform/sim/files/SimWow64Redirection.h"

extern char** environ;

namespace sim_services {

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

// The words of a command line: split at blanks outside double quotes, quotes removed.
std::vector<std::u16string> SplitWords(std::u16string_view text) {
  std::vector<std::u16string> words;
  std::u16string word;
  bool quoted = false, any = false;
  for (char16_t c : text) {
    if (c == u'"') {
      quoted = !quoted;
      any = true;
    } else if (IsBlank(c) && !quoted) {
      if (any) words.push_back(word);
      word.clear();
      any = false;
    } else {
      word += c;
      any = true;
    }
  }
  if (any) words.push_back(word);
  return words;
}

bool IsRegularFile(const std::string& real) {
  struct stat st;
  return ::stat(real.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

// The program of an image path and the arguments after it. An unquoted
// program path with blanks is tried word by word, shortest first, as Windows does.
DWORD ResolveProgram(const std::u16string& image, std::string* real,
                     std::vector<std::u16string>* args) {
  SimNativePathScope native;  // the service manager is a native program
  size_t start = 0;
  while (start < image.size() && IsBlank(image[start])) ++start;
  if (start < image.size() && image[start] == u'"') {
    size_t close = image.find(u'"', start + 1);
    if (close == std::u16string::npos) return ERROR_FILE_NOT_FOUND;
    std::u16string program = image.substr(start + 1, close - start - 1);
    if (SimResolveExistingW(program.c_str(), real) != 0 || !IsRegularFile(*real))
      return ERROR_FILE_NOT_FOUND;
    *args = SplitWords(std::u16string_view(image).substr(close + 1));
    return 0;
  }
  size_t end = start;
  while (end < image.size()) {
    while (end < image.size() && !IsBlank(image[end])) ++end;
    std::u16string program = image.substr(start, end - start);
    if (SimResolveExistingW(program.c_str(), real) == 0 && IsRegularFile(*real)) {
      *args = SplitWords(std::u16string_view(image).substr(end));
      return 0;
    }
    while (end < image.size() && IsBlank(image[end])) ++end;
  }
  return ERROR_FILE_NOT_FOUND;
}

namespace {

void CloseInheritedFiles(int keep) {
#ifdef SYS_close_range
  if (syscall(SYS_close_range, 3u, static_cast<unsigned>(keep - 1), 0u) == 0 &&
      syscall(SYS_close_range, static_cast<unsigned>(keep + 1), ~0u, 0u) == 0)
    return;
#endif
  for (int fd = 3; fd < 4096; ++fd)
    if (fd != keep) close(fd);
}

}  // namespace

// Starts the program on its own: a middle process starts it and ends at once,
// so that the service outlives whoever started it and nobody but init has to
// reap it. Only async-signal-safe calls between fork and exec.
DWORD SpawnDetached(const std::string& real, const std::vector<std::string>& arguments,
                    const std::string& machine_dir, int64_t* pid_out) {
  std::vector<std::string> argv_store(arguments);
  std::vector<char*> argv;
  for (auto& a : argv_store) argv.push_back(a.data());
  argv.push_back(nullptr);
  // Services run as LocalSystem in session 0, whoever started them.
  std::vector<std::string> env_store = SimIdentityEnvironment(SimSystemIdentity());
  env_store.push_back("SIMHOST_MACHINE=" + machine_dir);
  std::vector<char*> envp;
  for (char** e = environ; *e; ++e)
    if (!SimIsHostVariable(*e)) envp.push_back(*e);
  for (auto& entry : env_store) envp.push_back(entry.data());
  envp.push_back(nullptr);

  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return ERROR_NOT_ENOUGH_MEMORY;
  pid_t middle = fork();
  if (middle == 0) {
    setsid();
    pid_t service = fork();
    if (service == 0) {
      sigset_t none;
      sigemptyset(&none);
      sigprocmask(SIG_SETMASK, &none, nullptr);
      for (int sig : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGCHLD}) signal(sig, SIG_DFL);
      int null_fd = open("/dev/null", O_RDWR);
      if (null_fd >= 0) {
        dup2(null_fd, 0);
        dup2(null_fd, 1);
        dup2(null_fd, 2);
      }
      CloseInheritedFiles(report[1]);
      execve(real.c_str(), argv.data(), envp.data());
      int error = errno;
      ssize_t ignored = write(report[1], &error, sizeof(error));
      (void)ignored;
      _exit(127);
    }
    ssize_t ignored = write(report[1], &service, sizeof(service));
    (void)ignored;
    _exit(0);
  }
  close(report[1]);
  if (middle < 0) {
    close(report[0]);
    return ERROR_NOT_ENOUGH_MEMORY;
  }
  // The service's pid, then an errno only if its exec failed; end of file
  // once the middle process has ended and the exec has happened.
  char buffer[sizeof(pid_t) + sizeof(int)];
  size_t got = 0;
  while (got < sizeof(buffer)) {
    ssize_t n = read(report[0], buffer + got, sizeof(buffer) - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  close(report[0]);
  int status = 0;
  while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {
  }
  pid_t service = -1;
  if (got >= sizeof(pid_t)) std::memcpy(&service, buffer, sizeof(pid_t));
  if (service <= 0) return ERROR_NOT_ENOUGH_MEMORY;
  if (got == sizeof(buffer)) {
    int error = 0;
    std::memcpy(&error, buffer + sizeof(pid_t), sizeof(int));
    return SimErrorFromErrno(error);
  }
  *pid_out = service;
  return 0;
}

}  // namespace sim_services
