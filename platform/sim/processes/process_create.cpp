// Starting programs of the machine: CreateProcessW and CreateProcessAsUserW.
// The program is a real file under the machine's drives, started as a Linux
// process. What Windows would give it and Linux cannot carry travels in its
// environment: the machine, the exact command line (SIMHOST_CMDLINE), the
// session, user and token kind, the show flag and the desktop of the
// start-up information, and an environment block of its own.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/sim/processes/SimChildren.h"
#include "platform/sim/core/SimEnvironment.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/files/SimPath.h"
#include "platform/sim/processes/SimSessions.h"
#include "platform/sim/processes/SimTokens.h"
#include "platform/sim/text/SimUnicode.h"

extern char** environ;

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

// The program part of a command line: in quotes up to the closing quote,
// else up to the first blank. *rest is where the arguments start.
std::u16string ProgramToken(const std::u16string& line, size_t* rest) {
  size_t i = 0;
  while (i < line.size() && IsBlank(line[i])) ++i;
  std::u16string program;
  if (i < line.size() && line[i] == u'"') {
    size_t close = line.find(u'"', i + 1);
    if (close == std::u16string::npos) close = line.size();
    program = line.substr(i + 1, close - i - 1);
    i = close < line.size() ? close + 1 : close;
  } else {
    size_t end = i;
    while (end < line.size() && !IsBlank(line[end])) ++end;
    program = line.substr(i, end - i);
    i = end;
  }
  *rest = i;
  return program;
}

// The arguments after the program, split as the C runtime of a Windows
// program splits them: blanks separate outside quotes; 2n backslashes before
// a quote give n and the quote toggles quoting, 2n+1 give n and a literal
// quote; "" inside quotes is a literal quote.
std::vector<std::string> SplitArguments(const std::u16string& text) {
  std::vector<std::string> args;
  std::u16string current;
  bool in_arg = false, quoted = false;
  size_t i = 0;
  while (i < text.size()) {
    char16_t c = text[i];
    if (!quoted && IsBlank(c)) {
      if (in_arg) args.push_back(SimToUtf8(current));
      current.clear();
      in_arg = false;
      ++i;
      continue;
    }
    in_arg = true;
    if (c == u'\\') {
      size_t count = 0;
      while (i < text.size() && text[i] == u'\\') ++count, ++i;
      if (i < text.size() && text[i] == u'"') {
        current.append(count / 2, u'\\');
        if (count % 2) {
          current += u'"';
          ++i;
        }
      } else {
        current.append(count, u'\\');
      }
    } else if (c == u'"') {
      if (quoted && i + 1 < text.size() && text[i + 1] == u'"') {
        current += u'"';
        i += 2;
        continue;
      }
      quoted = !quoted;
      ++i;
    } else {
      current += c;
      ++i;
    }
  }
  if (in_arg) args.push_back(SimToUtf8(current));
  return args;
}

bool HasExtension(const std::u16string& name) {
  size_t slash = name.find_last_of(u"\\/");
  size_t dot = name.find_last_of(u'.');
  return dot != std::u16string::npos && (slash == std::u16string::npos || dot > slash);
}

std::u16string FolderOf(const std::u16string& path) {
  size_t slash = path.find_last_of(u"\\/");
  return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash);
}

// A regular file of the machine; ERROR_ACCESS_DENIED for a folder.
DWORD ResolveFile(const std::u16string& path, std::string* real) {
  DWORD error = SimResolveExistingW(path.c_str(), real);
  if (error) return error;
  struct stat st;
  if (stat(real->c_str(), &st) != 0) return ERROR_FILE_NOT_FOUND;
  return S_ISREG(st.st_mode) ? ERROR_SUCCESS : static_cast<DWORD>(ERROR_ACCESS_DENIED);
}

// Where Windows looks for a program named without a folder: the caller's
// own folder, the current directory, the system folders, then the Path.
DWORD FindProgram(std::u16string name, std::string* real) {
  if (name.empty()) return ERROR_FILE_NOT_FOUND;
  if (!HasExtension(name)) name += u".exe";
  if (name.find_first_of(u"\\/:") != std::u16string::npos) return ResolveFile(name, real);
  std::vector<std::u16string> folders = {FolderOf(SimHost::ModulePath()),
                                         SimHost::CurrentDirectory(), u"C:\\Windows\\System32",
                                         u"C:\\Windows"};
  char16_t path_value[4096];
  DWORD length = GetEnvironmentVariableW(u"Path", path_value, 4096);
  if (length > 0 && length < 4096) {
    std::u16string list(path_value, length);
    size_t start = 0;
    while (start <= list.size()) {
      size_t semicolon = list.find(u';', start);
      if (semicolon == std::u16string::npos) semicolon = list.size();
      if (semicolon > start) folders.push_back(list.substr(start, semicolon - start));
      start = semicolon + 1;
    }
  }
  for (std::u16string folder : folders) {
    if (folder.empty()) continue;
    if (folder.back() != u'\\' && folder.back() != u'/') folder += u'\\';
    if (ResolveFile(folder + name, real) == ERROR_SUCCESS) return ERROR_SUCCESS;
  }
  return ERROR_FILE_NOT_FOUND;
}

int OpenPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
  (void)pid;
  return -1;
#endif
}

BOOL StartProcess(const SimIdentity& identity, LPCWSTR application_name, LPWSTR command_line,
                  DWORD creation_flags, LPVOID environment, LPCWSTR current_directory,
                  LPSTARTUPINFOW startup_info, LPPROCESS_INFORMATION process_information) {
  if (!process_information || !startup_info || (!application_name && !command_line))
    return SimFail(ERROR_INVALID_PARAMETER);
  auto machine = SimHost::Machine();
  if (!machine) return SimFail(ERROR_FILE_NOT_FOUND);
  const std::u16string line = command_line ? command_line : application_name;

  std::string real;
  size_t rest = 0;
  const std::u16string program = ProgramToken(line, &rest);
  DWORD error = application_name ? ResolveFile(application_name, &real) : FindProgram(program, &real);
  size_t start = 0;
  while (start < line.size() && IsBlank(line[start])) ++start;
  if (error && !application_name && start < line.size() && line[start] != u'"') {
    // An unquoted name with blanks in it: Windows tries "C:\Program", then
    // "C:\Program Files\Tool", ... one more blank-separated word each time.
    size_t end = rest;
    while (error && end < line.size()) {
      size_t next = end;
      while (next < line.size() && IsBlank(line[next])) ++next;
      if (next == line.size()) break;
      while (next < line.size() && !IsBlank(line[next])) ++next;
      if (FindProgram(line.substr(start, next - start), &real) == ERROR_SUCCESS) {
        error = ERROR_SUCCESS;
        rest = next;
      }
      end = next;
    }
  }
  if (error) return SimFail(error);

  std::string real_dir;
  const std::u16string dir = current_directory ? current_directory : SimHost::CurrentDirectory();
  if (SimResolveExistingW(dir.c_str(), &real_dir) != ERROR_SUCCESS) {
    if (current_directory) return SimFail(ERROR_DIRECTORY);
    real_dir = machine->DriveDir(u'C');
  }
  struct stat st;
  if (stat(real_dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return SimFail(ERROR_DIRECTORY);

  std::vector<std::string> argv_store = {real};
  for (auto& arg : SplitArguments(line.substr(rest))) argv_store.push_back(std::move(arg));
  std::vector<char*> argv;
  for (auto& a : argv_store) argv.push_back(a.data());
  argv.push_back(nullptr);

  std::vector<std::string> env_store = SimIdentityEnvironment(identity);
  env_store.push_back("SIMHOST_MACHINE=" + machine->Dir());
  env_store.push_back("SIMHOST_CMDLINE=" + SimToUtf8(line));
  env_store.push_back(SIMHOST_PARENT_PID_VAR "=" + std::to_string(getpid()));
  if (startup_info->dwFlags & STARTF_USESHOWWINDOW)
    env_store.push_back("SIMHOST_SHOW=" + std::to_string(startup_info->wShowWindow));
  if (startup_info->lpDesktop)
    env_store.push_back("SIMHOST_DESKTOP=" + SimToUtf8(startup_info->lpDesktop));
  if (environment) {
    for (auto& entry : SimBlockEntries(SimSortedEnvironment(SimParseEnvironmentBlock(
             environment, (creation_flags & CREATE_UNICODE_ENVIRONMENT) != 0))))
      env_store.push_back(std::move(entry));
  }
  std::vector<char*> envp;
  for (char** e = environ; *e; ++e) {
    if (SimIsHostVariable(*e)) continue;
    if (environment && std::strncmp(*e, "SIMHOST_ENV", 11) == 0) continue;  // replaced
    envp.push_back(*e);
  }
  for (auto& e : env_store) envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addchdir_np(&actions, real_dir.c_str());
  // Only the standard handles are inherited; nothing else this program holds.
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t pid = -1;
  int rc = posix_spawn(&pid, real.c_str(), &actions, &attributes, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (rc != 0) return SimFail(rc == ENOENT ? ERROR_FILE_NOT_FOUND : SimErrorFromErrno(rc));

  HANDLE process = nullptr, thread = nullptr;
  SimAdoptChild(pid, OpenPidFd(pid), &process, &thread);
  process_information->hProcess = process;
  process_information->hThread = thread;
  process_information->dwProcessId = static_cast<DWORD>(pid);
  process_information->dwThreadId = static_cast<DWORD>(pid);  // its main thread's id
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

}  // namespace

BOOL CreateProcessW(LPCWSTR application_name, LPWSTR command_line, LPSECURITY_ATTRIBUTES,
                    LPSECURITY_ATTRIBUTES, BOOL, DWORD creation_flags, LPVOID environment,
                    LPCWSTR current_directory, LPSTARTUPINFOW startup_info,
                    LPPROCESS_INFORMATION process_information) {
  return StartProcess(SimOwnIdentity(), application_name, command_line, creation_flags,
                      environment, current_directory, startup_info, process_information);
}

BOOL CreateProcessAsUserW(HANDLE token, LPCWSTR application_name, LPWSTR command_line,
                          LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL,
                          DWORD creation_flags, LPVOID environment, LPCWSTR current_directory,
                          LPSTARTUPINFOW startup_info,
                          LPPROCESS_INFORMATION process_information) {
  auto object = SimHandles::GetAs<SimTokenObject>(token);
  if (!object) return SimFail(ERROR_INVALID_HANDLE);
  if (!object->Allows(TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY))
    return SimFail(ERROR_ACCESS_DENIED);
  SimIdentity identity;
  {
    std::lock_guard<std::mutex> guard(object->State().mutex);
    if (object->State().type != TokenPrimary) return SimFail(ERROR_BAD_TOKEN_TYPE);
    identity = object->State().identity;
  }
  if (DWORD error = SimCheckAssignPrimary(object->State())) return SimFail(error);
  return StartProcess(identity, application_name, command_line, creation_flags, environment,
                      current_directory, startup_info, process_information);
}
