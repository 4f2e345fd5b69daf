#include "platform/sim/processes/SimSessions.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/sim/core/SimHost.h"
#include "platform/sim/files/SimPath.h"
#include "platform/sim/processes/SimProcesses.h"

extern char** environ;

namespace {

bool ReadUser(SimStatement& st, SimUser* user) {
  if (!st.Step()) return false;
  user->name = st.Text(0);
  user->sid = st.Text(1);
  user->admin = st.Int(2) != 0;
  user->split_token = st.Int(3) != 0;
  return true;
}

bool ParseSession(const std::string& text, DWORD* session) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  *session = static_cast<DWORD>(std::atol(text.c_str()));
  return true;
}

// Applies the identity variables found among "NAME=value" entries.
void ApplyVariables(const std::vector<std::string>& entries, SimIdentity* identity) {
  const std::string session = SIMHOST_SESSION_VAR "=";
  const std::string sid = SIMHOST_USER_SID_VAR "=";
  const std::string token = SIMHOST_TOKEN_VAR "=";
  for (const auto& e : entries) {
    if (e.compare(0, session.size(), session) == 0) ParseSession(e.substr(session.size()), &identity->session);
    else if (e.compare(0, sid.size(), sid) == 0 && e.size() > sid.size()) identity->user_sid = e.substr(sid.size());
    else if (e.compare(0, token.size(), token) == 0) SimParseTokenKind(e.substr(token.size()), &identity->kind);
  }
}

}  // namespace

const char* SimTokenKindName(SimTokenKind kind) {
  switch (kind) {
    case SimTokenKind::kElevated: return "elevated";
    case SimTokenKind::kLimited: return "limited";
    case SimTokenKind::kStandard: return "standard";
  }
  return "standard";
}

bool SimParseTokenKind(const std::string& text, SimTokenKind* kind) {
  for (SimTokenKind k : {SimTokenKind::kElevated, SimTokenKind::kLimited, SimTokenKind::kStandard}) {
    if (text == SimTokenKindName(k)) {
      *kind = k;
      return true;
    }
  }
  return false;
}

SimIdentity SimSystemIdentity() { return {0, "S-1-5-18", SimTokenKind::kElevated}; }

bool SimIsSystemIdentity(const SimIdentity& identity) { return identity.user_sid == "S-1-5-18"; }

const char* SimSessionStateName(int state) {
  static const char* const kNames[] = {"Active", "Connected", "ConnectQuery", "Shadow",
                                       "Disconnected", "Idle", "Listen", "Reset", "Down", "Init"};
  return state >= 0 && state < 10 ? kNames[state] : "Unknown";
}

std::vector<SimUser> SimListUsers(SimMachine& machine) {
  std::vector<SimUser> users;
  std::lock_guard<std::recursive_mutex> guard(machine.Db().Lock());
  SimStatement st(machine.Db(), "SELECT name, sid, admin, split_token FROM users ORDER BY sid");
  SimUser user;
  while (ReadUser(st, &user)) users.push_back(user);
  return users;
}

bool SimFindUserBySid(SimMachine& machine, const std::string& sid, SimUser* user) {
  std::lock_guard<std::recursive_mutex> guard(machine.Db().Lock());
  SimStatement st(machine.Db(),
                  "SELECT name, sid, admin, split_token FROM users WHERE upper(sid)=upper(?1)");
  st.Bind(1, sid);
  return ReadUser(st, user);
}

bool SimFindUserByName(SimMachine& machine, const std::string& name, SimUser* user) {
  std::lock_guard<std::recursive_mutex> guard(machine.Db().Lock());
  SimStatement st(machine.Db(), "SELECT name, sid, admin, split_token FROM users WHERE name=?1");
  st.Bind(1, name);
  return ReadUser(st, user);
}

std::vector<SimSession> SimListSessions(SimMachine& machine) {
  std::vector<SimSession> sessions;
  std::lock_guard<std::recursive_mutex> guard(machine.Db().Lock());
  SimStatement st(machine.Db(), "SELECT id, station, state, user FROM sessions ORDER BY id");
  while (st.Step())
    sessions.push_back({static_cast<DWORD>(st.Int(0)), st.Text(1), static_cast<int>(st.Int(2)),
                        st.Text(3)});
  return sessions;
}

SimTokenKind SimLogonKind(const SimUser& user) {
  if (!user.admin) return SimTokenKind::kStandard;
  return user.split_token ? SimTokenKind::kLimited : SimTokenKind::kElevated;
}

SimIdentity SimDefaultIdentity(SimMachine* machine) {
  SimIdentity identity;
  identity.session = 1;
  if (!machine) return identity;
  identity.user_sid = machine->Fact("user_sid");
  SimUser user;
  // A standard user has no elevated token to run with.
  if (SimFindUserBySid(*machine, identity.user_sid, &user) && !user.admin)
    identity.kind = SimTokenKind::kStandard;
  return identity;
}

SimIdentity SimOwnIdentity() {
  // The variables are taken once; the default depends on the machine, which
  // a test process changes from test to test.
  static const std::vector<std::string>* given = [] {
    auto* entries = new std::vector<std::string>;
    for (const char* name : {SIMHOST_SESSION_VAR, SIMHOST_USER_SID_VAR, SIMHOST_TOKEN_VAR})
      if (const char* value = getenv(name)) entries->push_back(std::string(name) + "=" + value);
    return entries;
  }();
  auto machine = SimHost::Machine();
  SimIdentity own = SimDefaultIdentity(machine.get());
  ApplyVariables(*given, &own);
  return own;
}

bool SimIdentityOfProcess(pid_t pid, SimIdentity* identity) {
  if (pid == getpid()) {
    *identity = SimOwnIdentity();
    return true;
  }
  std::string text;
  if (!SimReadProcFile(pid, "environ", &text)) return false;
  std::vector<std::string> entries;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\0', start);
    if (end == std::string::npos) end = text.size();
    entries.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  auto machine = SimHost::Machine();
  *identity = SimDefaultIdentity(machine.get());
  ApplyVariables(entries, identity);
  return true;
}

std::vector<std::string> SimIdentityEnvironment(const SimIdentity& identity) {
  return {std::string(SIMHOST_SESSION_VAR "=") + std::to_string(identity.session),
          std::string(SIMHOST_USER_SID_VAR "=") + identity.user_sid,
          std::string(SIMHOST_TOKEN_VAR "=") + SimTokenKindName(identity.kind)};
}

bool SimIsHostVariable(const char* entry) {
  for (const char* prefix : {"SIMHOST_MACHINE=", "SIMHOST_CMDLINE=", SIMHOST_SESSION_VAR "=",
                             SIMHOST_USER_SID_VAR "=", SIMHOST_TOKEN_VAR "=", "SIMHOST_SHOW=",
                             SIMHOST_PARENT_PID_VAR "=",
                             "SIMHOST_DESKTOP="})
    if (std::strncmp(entry, prefix, std::strlen(prefix)) == 0) return true;
  return false;
}

bool SimStartExplorer(SimMachine& machine) {
  SimUser user;
  bool has_user = false;
  for (const auto& session : SimListSessions(machine))
    if (session.id == 1 && !session.user.empty()) has_user = SimFindUserByName(machine, session.user, &user);
  if (!has_user) return false;
  const std::string real = machine.DriveDir(u'C') + "/Windows/explorer.exe";
  struct stat st;
  if (stat(real.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;

  // Everything the child needs is made before fork: only async-signal-safe
  // calls between fork and exec. "shell" makes the helper program wait until
  // the machine is deleted.
  std::vector<std::string> argv_store = {real, "shell"};
  std::vector<char*> argv;
  for (auto& a : argv_store) argv.push_back(a.data());
  argv.push_back(nullptr);
  SimIdentity identity;
  identity.session = 1;
  identity.user_sid = user.sid;
  identity.kind = SimLogonKind(user);
  std::vector<std::string> env_store = SimIdentityEnvironment(identity);
  env_store.push_back("SIMHOST_MACHINE=" + machine.Dir());
  std::vector<char*> envp;
  for (char** e = environ; *e; ++e)
    if (!SimIsHostVariable(*e) && std::strncmp(*e, "SIMHOST_ENV", 11) != 0) envp.push_back(*e);
  for (auto& e : env_store) envp.push_back(e.data());
  envp.push_back(nullptr);
  const std::string windows_dir = machine.DriveDir(u'C') + "/Windows";

  // The pipe ends at the exec (every descriptor is close-on-exec by then):
  // the caller returns once the shell runs, and learns when it could not start.
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return false;
  pid_t middle = fork();
  if (middle == 0) {
    setsid();
    pid_t shell = fork();
    if (shell == 0) {
      sigset_t none;
      sigemptyset(&none);
      sigprocmask(SIG_SETMASK, &none, nullptr);
      int null_fd = open("/dev/null", O_RDWR);
      if (null_fd >= 0) {
        dup2(null_fd, 0);
        dup2(null_fd, 1);
        dup2(null_fd, 2);
      }
#ifdef SYS_close_range
      syscall(SYS_close_range, 3u, ~0u, 4u /* CLOSE_RANGE_CLOEXEC */);
#endif
      int error = 0;
      if (chdir(windows_dir.c_str()) == 0) execve(real.c_str(), argv.data(), envp.data());
      error = errno ? errno : ENOEXEC;
      ssize_t ignored = write(report[1], &error, sizeof(error));
      (void)ignored;
      _exit(127);
    }
    _exit(shell < 0 ? 1 : 0);
  }
  close(report[1]);
  int error = 0;
  ssize_t got = -1;
  if (middle > 0) {
    do {
      got = read(report[0], &error, sizeof(error));
    } while (got < 0 && errno == EINTR);
    int status = 0;
    while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) got = 1;
  }
  close(report[0]);
  return middle > 0 && got == 0;
}
