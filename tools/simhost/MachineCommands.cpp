// Machine life cycle: new, reboot, ps, run, env, fact, volume.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include "platform/kernel.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/core/SimMachineSetup.h"
#include "platform/sim/files/SimPath.h"
#include "platform/sim/files/SimPendingRenames.h"
#include "platform/sim/processes/SimProcesses.h"
#include "platform/sim/services/SimServices.h"
#include "platform/sim/processes/SimSessions.h"
#include "platform/sim/text/SimUnicode.h"
#include "tools/simhost/SimhostCommands.h"

extern char** environ;

namespace {

void RemoveTree(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return;
  if (S_ISDIR(st.st_mode)) {
    if (DIR* d = opendir(path.c_str())) {
      while (dirent* e = readdir(d)) {
        if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, "..")) continue;
        RemoveTree(path + "/" + e->d_name);
      }
      closedir(d);
    }
    rmdir(path.c_str());
  } else {
    unlink(path.c_str());
  }
}

bool ParseNumber(const std::string& text, int* value) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  *value = std::atoi(text.c_str());
  return true;
}

// "6.1" or "6.1.7601".
bool ParseWindowsVersion(const std::string& text, int version[3]) {
  size_t first = text.find('.');
  if (first == std::string::npos) return false;
  size_t second = text.find('.', first + 1);
  if (!ParseNumber(text.substr(0, first), &version[0])) return false;
  if (!ParseNumber(text.substr(first + 1, second == std::string::npos ? std::string::npos
                                                                        : second - first - 1),
                   &version[1]))
    return false;
  version[2] = -1;
  return second == std::string::npos || ParseNumber(text.substr(second + 1), &version[2]);
}

}  // namespace

int CmdNew(const Args& args) {
  SimMachineOptions options;
  int version[3] = {-1, -1, -1};
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--arch" && i + 1 < args.size()) {
      const std::string& arch = args[++i];
      if (arch != "x86" && arch != "x64") return Fail("--arch takes x86 or x64");
      options.x64 = arch == "x64";
    } else if (args[i] == "--windows" && i + 1 < args.size()) {
      if (!ParseWindowsVersion(args[++i], version))
        return Fail("--windows takes MAJOR.MINOR or MAJOR.MINOR.BUILD");
    } else if (args[i] == "--server") {
      options.os_product_type = 3;
    } else if (args[i] == "--platform" && i + 1 < args.size()) {
      if (!ParseNumber(args[++i], &options.os_platform) || options.os_platform > 2)
        return Fail("--platform takes 0, 1 or 2");
    } else if (args[i] == "--no-active-session") {
      options.active_session = false;
    } else if (args[i] == "--standard-user") {
      options.standard_user = true;
    } else if (args[i] == "--no-explorer") {
      options.start_explorer = false;
    } else {
      return Usage();
    }
  }
  if (version[0] >= 0) {
    options.os_major = version[0];
    options.os_minor = version[1];
    options.os_build = version[2] >= 0
                           ? version[2]
                           : SimDefaultBuild(options.os_platform, version[0], version[1]);
  }
  options.explorer_program = SIMHOST_HELPER_PATH;
  if (mkdir(args[0].c_str(), 0755) != 0 && errno != EEXIST)
    return Fail("cannot create " + args[0] + ": " + std::strerror(errno));
  std::string error;
  if (!SimCreateMachine(args[0], options, &error)) return Fail(error);
  return 0;
}

namespace {

// Gone, or a zombie: its files are closed either way.
bool HasExited(pid_t pid) {
  char path[64];
  std::snprintf(path, sizeof(path), "/proc/%d/stat", static_cast<int>(pid));
  FILE* file = std::fopen(path, "r");
  if (!file) return true;
  char line[512] = {};
  const bool read = std::fgets(line, sizeof(line), file) != nullptr;
  std::fclose(file);
  const char* end = read ? std::strrchr(line, ')') : nullptr;
  return !end || end[1] == 0 || end[2] == 'Z' || end[2] == 'X';
}

// Still mapped as some process's program (the kernel refuses writing it).
bool ImageBusy(const std::string& real) {
  int fd = open(real.c_str(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  if (fd >= 0) close(fd);
  return fd < 0 && errno == ETXTBSY;
}

}  // namespace

int CmdReboot(const Args& args) {
  if (args.size() != 1) return Usage();
  if (!OpenMachine(args[0])) return 2;
  auto machine = SimHost::Machine();
  // Every process ends, however it was started; kernel objects go with them.
  std::vector<pid_t> killed;
  std::set<std::string> images;
  for (int round = 0; round < 200; ++round) {
    auto processes = SimListMachineProcesses(machine->Dir());
    if (processes.empty()) break;
    for (const auto& p : processes) {
      kill(p.pid, SIGKILL);
      killed.push_back(p.pid);
      images.insert(p.real_image);
    }
    usleep(10000);
  }
  // A dying process leaves the list when its image goes but still holds its
  // open files for a moment: wait until each is gone or a zombie, so that the
  // renames below never meet a file it held.
  for (pid_t pid : killed) {
    for (int round = 0; round < 200 && !HasExited(pid); ++round) usleep(10000);
  }
  // A zombie's image can stay busy a moment longer, while someone reading its
  // /proc entry still holds its memory: the pending renames must not meet that.
  for (const std::string& image : images) {
    for (int round = 0; round < 200 && ImageBusy(image); ++round) usleep(10000);
  }
  RemoveTree(machine->RunDir());
  mkdir(machine->RunDir().c_str(), 0755);
  SimRunPendingRenames();
  // Services do not start again by themselves; those marked for deletion are gone.
  if (!SimServicesAfterReboot()) return Fail("cannot reset the services of " + args[0]);
  // The user logs on again: the shell starts (when the machine has one).
  SimStartExplorer(*machine);
  return 0;
}

int CmdSession(const Args& args) {
  if (args.size() != 1) return Usage();
  if (!OpenMachine(args[0])) return 2;
  auto machine = SimHost::Machine();
  for (const auto& s : SimListSessions(*machine))
    std::printf("session %u %s %s%s%s\n", static_cast<unsigned>(s.id), s.station.c_str(),
                SimSessionStateName(s.state), s.user.empty() ? "" : " ", s.user.c_str());
  for (const auto& u : SimListUsers(*machine))
    std::printf("user %s %s%s%s\n", u.name.c_str(), u.sid.c_str(), u.admin ? " admin" : "",
                u.split_token ? " split-token" : "");
  return 0;
}

int CmdPs(const Args& args) {
  if (args.size() != 1) return Usage();
  if (!OpenMachine(args[0])) return 2;
  for (const auto& p : SimListMachineProcesses(SimHost::Machine()->Dir()))
    std::printf("%d %s\n", static_cast<int>(p.pid), SimToUtf8(SimWinPathFromReal(p.real_image)).c_str());
  return 0;
}

int CmdRun(const Args& given) {
  Args args = given;
  // --as-system: as a service's process runs, LocalSystem in session 0,
  // working in the system folder.
  const bool as_system = args.size() > 1 && args[1] == "--as-system";
  if (as_system) args.erase(args.begin() + 1);
  if (args.size() < 2) return Usage();
  if (!OpenMachine(args[0])) return 2;
  std::string real;
  DWORD error = SimResolveExistingW(SimToUtf16(args[1]).c_str(), &real);
  if (error) return Fail("no such program in the machine: " + args[1]);
  std::vector<std::string> store(args.begin() + 1, args.end());
  store[0] = real;
  std::vector<char*> argv;
  for (auto& a : store) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env_store = {"SIMHOST_MACHINE=" + SimHost::Machine()->Dir()};
  if (as_system)
    for (auto& entry : SimIdentityEnvironment(SimSystemIdentity())) env_store.push_back(entry);
  std::vector<char*> envp;
  for (char** e = environ; *e; ++e)
    if (!SimIsHostVariable(*e)) envp.push_back(*e);
  for (auto& entry : env_store) envp.push_back(entry.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const std::string system_dir = SimHost::Machine()->DriveDir(u'C') + "/Windows/System32";
  struct stat st;
  if (as_system && stat(system_dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
    posix_spawn_file_actions_addchdir_np(&actions, system_dir.c_str());
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, real.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return Fail("cannot start " + args[1]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int CmdEnv(const Args& args) {
  if (args.size() != 2 && args.size() != 3) return Usage();
  if (!OpenMachine(args[0])) return 2;
  std::u16string name = SimToUtf16(args[1]);
  if (args.size() == 3) {
    if (!SetEnvironmentVariableW(name.c_str(), SimToUtf16(args[2]).c_str()))
      return Fail("cannot set " + args[1]);
    return 0;
  }
  DWORD size = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
  if (size == 0) return Fail("no variable " + args[1]);
  std::u16string value(size, u'\0');
  DWORD length = GetEnvironmentVariableW(name.c_str(), value.data(), size);
  value.resize(length);
  std::printf("%s\n", SimToUtf8(value).c_str());
  return 0;
}

int CmdFact(const Args& args) {
  if (args.size() != 2 && args.size() != 3) return Usage();
  if (!OpenMachine(args[0])) return 2;
  auto machine = SimHost::Machine();
  if (args.size() == 3) return machine->SetFact(args[1], args[2]) ? 0 : Fail("cannot set " + args[1]);
  std::printf("%s\n", machine->Fact(args[1]).c_str());
  return 0;
}

int CmdVolume(const Args& args) {
  if (args.size() != 3) return Usage();
  const std::string& letter_text = args[1];
  char letter = letter_text.size() == 1 || (letter_text.size() == 2 && letter_text[1] == ':')
                    ? letter_text[0]
                    : 0;
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  if (letter < 'A' || letter > 'Z') return Fail("LETTER is a drive letter: C or C:");
  if (!OpenMachine(args[0])) return 2;
  auto machine = SimHost::Machine();
  SimDb& db = machine->Db();
  SimTransaction tx(db);
  const bool remove = args[2] == "--remove";
  SimStatement st(db, remove ? "DELETE FROM volumes WHERE upper(letter)=?1"
                             : "INSERT OR REPLACE INTO volumes(letter, device) VALUES(?1, ?2)");
  st.Bind(1, std::string(1, letter));
  if (!remove) st.Bind(2, args[2]);
  st.Step();
  if (st.Failed() || !tx.Commit()) return Fail("cannot change the volumes of " + args[0]);
  // The drive's folder stays when the drive goes: its files are not lost.
  if (!remove) {
    std::string dir = machine->DriveDir(static_cast<char16_t>(letter));
    if (mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) return Fail("cannot create " + dir);
  }
  return 0;
}
