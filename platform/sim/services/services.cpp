// The service control manager on the simulated host. Services are rows of the
// machine's services table; a running service is a real process of the
// machine. Nothing runs in the background: a service's state is brought up to
// date whenever someone looks at it (a stop whose time has come, a process
// that ended, a removal that is due), in whichever process looks.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/services.h"
#include "platform/sim/files/SimWow64Redirection.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/files/SimPath.h"
#include "platform/sim/services/SimServices.h"
#include "platform/sim/processes/SimSessions.h"
#include "platform/sim/core/SimUnicode.h"

extern char** environ;

namespace {

// What Windows says when the manager cannot be reached.
constexpr DWORD kRpcServerUnavailable = 1722;
// The wait hint reported while a service stops.
constexpr DWORD kStopWaitHint = 2000;

class SimScManager : public SimObject {
 public:
  DWORD access = 0;
};

class SimService : public SimObject {
 public:
  std::string name;        // as stored
  int64_t handle_row = 0;  // its row in service_handles
  DWORD access = 0;
};

int64_t NowMs() {
  timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// Start time of a live process (field 22 of /proc/PID/stat); -1 for one that
// ended, zombies included. With the pid it names one process for good.
int64_t ProcessStartTime(int64_t pid) {
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

bool SameProcessAlive(int64_t pid, int64_t start) {
  return pid > 0 && start >= 0 && ProcessStartTime(pid) == start;
}

void AddEvent(SimDb& db, const std::string& name, const char* event) {
  SimStatement st(db, "INSERT INTO service_events(name, event, at_ms) VALUES(?1, ?2, ?3)");
  st.Bind(1, name).Bind(2, std::string(event)).Bind(3, NowMs());
  st.Step();
}

struct ServiceRow {
  std::string name;
  std::string display_name;
  std::string image_path;
  DWORD state = SERVICE_STOPPED;
  int64_t stop_ms = 0;
  bool delete_pending = false;
  int64_t pid = 0;
  int64_t pid_start = -1;
  int64_t stop_requested_ms = 0;
  int64_t checkpoint = 0;
};

bool ReadRow(SimDb& db, const std::string& name, ServiceRow* row) {
  SimStatement st(db,
                  "SELECT name, display_name, image_path, state, stop_ms, delete_pending, pid, "
                  "pid_start, stop_requested_ms, checkpoint FROM services WHERE name=?1");
  st.Bind(1, name);
  if (!st.Step()) return false;
  row->name = st.Text(0);
  row->display_name = st.Text(1);
  row->image_path = st.Text(2);
  row->state = static_cast<DWORD>(st.Int(3));
  row->stop_ms = st.Int(4);
  row->delete_pending = st.Int(5) != 0;
  row->pid = st.Int(6);
  row->pid_start = st.Int(7);
  row->stop_requested_ms = st.Int(8);
  row->checkpoint = st.Int(9);
  return true;
}

// The stored name of a service, found ignoring case (beyond ASCII too).
bool FindName(SimDb& db, std::u16string_view name, std::string* stored) {
  const std::u16string wanted = SimUpper(name);
  SimStatement st(db, "SELECT name FROM services");
  while (st.Step()) {
    if (SimUpper(SimToUtf16(st.Text(0))) == wanted) {
      *stored = st.Text(0);
      return true;
    }
  }
  return false;
}

// Handles to the service that live processes hold; those of ended processes go.
int LiveHandles(SimDb& db, const std::string& name) {
  std::vector<int64_t> dead;
  int live = 0;
  {
    SimStatement st(db, "SELECT id, pid, pid_start FROM service_handles WHERE name=?1");
    st.Bind(1, name);
    while (st.Step()) {
      if (SameProcessAlive(st.Int(1), st.Int(2))) ++live;
      else dead.push_back(st.Int(0));
    }
  }
  for (int64_t id : dead) {
    SimStatement st(db, "DELETE FROM service_handles WHERE id=?1");
    st.Bind(1, id);
    st.Step();
  }
  return live;
}

// Ends the service's process and waits until it is gone, so that its image
// can be deleted as soon as the service reports STOPPED.
void EndProcess(int64_t pid, int64_t start) {
  if (!SameProcessAlive(pid, start)) return;
  kill(static_cast<pid_t>(pid), SIGKILL);
  for (int i = 0; i < 2000 && SameProcessAlive(pid, start); ++i) usleep(1000);
}

void MarkStopped(SimDb& db, ServiceRow* row) {
  SimStatement st(db,
                  "UPDATE services SET state=?2, pid=0, pid_start=-1, stop_requested_ms=0, "
                  "checkpoint=0 WHERE name=?1");
  st.Bind(1, row->name).Bind(2, int64_t{SERVICE_STOPPED});
  st.Step();
  AddEvent(db, row->name, "stopped");
  row->state = SERVICE_STOPPED;
  row->pid = 0;
  row->pid_start = -1;
  row->stop_requested_ms = 0;
  row->checkpoint = 0;
}

// Brings the service up to date. False when it has been removed now.
bool Advance(SimDb& db, ServiceRow* row) {
  if (row->state == SERVICE_RUNNING || row->state == SERVICE_STOP_PENDING) {
    bool due = row->state == SERVICE_STOP_PENDING && row->stop_ms >= 0 &&
               NowMs() >= row->stop_requested_ms + row->stop_ms;
    if (due) {
      EndProcess(row->pid, row->pid_start);
      MarkStopped(db, row);
    } else if (!SameProcessAlive(row->pid, row->pid_start)) {
      MarkStopped(db, row);  // someone else ended it
    }
  }
  if (row->delete_pending && row->state == SERVICE_STOPPED && LiveHandles(db, row->name) == 0) {
    SimStatement st(db, "DELETE FROM services WHERE name=?1");
    st.Bind(1, row->name);
    st.Step();
    AddEvent(db, row->name, "removed");
    return false;
  }
  return true;
}

// Reads the service by its stored name and brings it up to date.
bool Load(SimDb& db, const std::string& name, ServiceRow* row) {
  return ReadRow(db, name, row) && Advance(db, row);
}

// A service API call's common start: the machine's database, a transaction on
// it, and the handle's service brought up to date. error is set (and the
// transaction closed) when there is no machine or the service is gone.
class OpenedService {
 public:
  explicit OpenedService(const std::string& name) : machine_(SimHost::Machine()) {
    if (!machine_) {
      error = kRpcServerUnavailable;
      return;
    }
    tx_.emplace(machine_->Db());
    if (!Load(machine_->Db(), name, &row)) {
      tx_->Commit();
      error = ERROR_SERVICE_DOES_NOT_EXIST;
    }
  }
  SimDb& Db() { return machine_->Db(); }
  SimTransaction& Transaction() { return *tx_; }
  const std::string& Dir() const { return machine_->Dir(); }

  DWORD error = 0;
  ServiceRow row;

 private:
  std::shared_ptr<SimMachine> machine_;
  std::optional<SimTransaction> tx_;
};

void FillStatus(const ServiceRow& row, SERVICE_STATUS* status) {
  std::memset(status, 0, sizeof(*status));
  status->dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status->dwCurrentState = row.state;
  status->dwControlsAccepted = row.state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
  if (row.state == SERVICE_STOP_PENDING) {
    status->dwCheckPoint = static_cast<DWORD>(row.checkpoint);
    status->dwWaitHint = kStopWaitHint;
  }
}

DWORD ManagerAccess(DWORD desired) {
  DWORD access = desired | SC_MANAGER_CONNECT;
  if (desired & (GENERIC_ALL | MAXIMUM_ALLOWED)) access |= SC_MANAGER_ALL_ACCESS;
  if (desired & GENERIC_READ)
    access |= STANDARD_RIGHTS_READ | SC_MANAGER_ENUMERATE_SERVICE | SC_MANAGER_QUERY_LOCK_STATUS;
  if (desired & GENERIC_WRITE)
    access |= STANDARD_RIGHTS_WRITE | SC_MANAGER_CREATE_SERVICE | SC_MANAGER_MODIFY_BOOT_CONFIG;
  if (desired & GENERIC_EXECUTE) access |= STANDARD_RIGHTS_EXECUTE | SC_MANAGER_LOCK;
  return access;
}

DWORD ServiceAccess(DWORD desired) {
  DWORD access = desired;
  if (desired & (GENERIC_ALL | MAXIMUM_ALLOWED)) access |= SERVICE_ALL_ACCESS;
  if (desired & GENERIC_READ)
    access |= STANDARD_RIGHTS_READ | SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS |
              SERVICE_INTERROGATE | SERVICE_ENUMERATE_DEPENDENTS;
  if (desired & GENERIC_WRITE) access |= STANDARD_RIGHTS_WRITE | SERVICE_CHANGE_CONFIG;
  if (desired & GENERIC_EXECUTE)
    access |= STANDARD_RIGHTS_EXECUTE | SERVICE_START | SERVICE_STOP | SERVICE_PAUSE_CONTINUE |
              SERVICE_USER_DEFINED_CONTROL;
  return access;
}

// A service handle and the access a call needs; sets the last error when either is wrong.
std::shared_ptr<SimService> ServiceFromHandle(SC_HANDLE handle, DWORD needed) {
  auto service = SimHandles::GetAs<SimService>(reinterpret_cast<HANDLE>(handle));
  if (!service) return SimFailWith(ERROR_INVALID_HANDLE, nullptr);
  if ((service->access & needed) != needed) return SimFailWith(ERROR_ACCESS_DENIED, nullptr);
  return service;
}

std::shared_ptr<SimScManager> ManagerFromHandle(SC_HANDLE handle, DWORD needed) {
  auto manager = SimHandles::GetAs<SimScManager>(reinterpret_cast<HANDLE>(handle));
  if (!manager) return SimFailWith(ERROR_INVALID_HANDLE, nullptr);
  if ((manager->access & needed) != needed) return SimFailWith(ERROR_ACCESS_DENIED, nullptr);
  return manager;
}

// A new service handle, counted in service_handles as held by this process.
SC_HANDLE NewServiceHandle(SimDb& db, const std::string& name, DWORD desired) {
  const int64_t self = static_cast<int64_t>(getpid());
  SimStatement st(db, "INSERT INTO service_handles(name, pid, pid_start) VALUES(?1, ?2, ?3)");
  st.Bind(1, name).Bind(2, self).Bind(3, ProcessStartTime(self));
  st.Step();
  if (st.Failed()) return nullptr;
  auto service = std::make_shared<SimService>();
  service->name = name;
  service->handle_row = db.LastInsertId();
  service->access = ServiceAccess(desired);
  return reinterpret_cast<SC_HANDLE>(SimHandles::Add(service));
}

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

void CloseInheritedFiles(int keep) {
#ifdef SYS_close_range
  if (syscall(SYS_close_range, 3u, static_cast<unsigned>(keep - 1), 0u) == 0 &&
      syscall(SYS_close_range, static_cast<unsigned>(keep + 1), ~0u, 0u) == 0)
    return;
#endif
  for (int fd = 3; fd < 4096; ++fd)
    if (fd != keep) close(fd);
}

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
  std::vector<std::string> env_store = SimIdentityEnvironment({0, "S-1-5-18", SimTokenKind::kElevated});
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

bool IsValidServiceName(const char16_t* name) {
  if (!name || !*name) return false;
  size_t length = 0;
  for (const char16_t* p = name; *p; ++p, ++length)
    if (*p == u'\\' || *p == u'/') return false;
  return length <= 256;
}

}  // namespace

SC_HANDLE OpenSCManagerW(LPCWSTR machine_name, LPCWSTR database_name, DWORD desired_access) {
  if (machine_name && *machine_name) return SimFailWith(ERROR_INVALID_NAME, SC_HANDLE{nullptr});
  if (database_name && SimUpper(database_name) != u"SERVICESACTIVE")
    return SimFailWith(ERROR_DATABASE_DOES_NOT_EXIST, SC_HANDLE{nullptr});
  if (!SimHost::Machine()) return SimFailWith(kRpcServerUnavailable, SC_HANDLE{nullptr});
  auto manager = std::make_shared<SimScManager>();
  manager->access = ManagerAccess(desired_access);
  return reinterpret_cast<SC_HANDLE>(SimHandles::Add(manager));
}

SC_HANDLE OpenServiceW(SC_HANDLE manager, LPCWSTR service_name, DWORD desired_access) {
  if (!ManagerFromHandle(manager, 0)) return nullptr;
  if (!service_name || !*service_name) return SimFailWith(ERROR_INVALID_NAME, SC_HANDLE{nullptr});
  auto machine = SimHost::Machine();
  if (!machine) return SimFailWith(kRpcServerUnavailable, SC_HANDLE{nullptr});
  SimDb& db = machine->Db();
  SimTransaction tx(db);
  std::string name;
  ServiceRow row;
  if (!FindName(db, service_name, &name) || !Load(db, name, &row)) {
    tx.Commit();  // a removal that came due stays done
    return SimFailWith(ERROR_SERVICE_DOES_NOT_EXIST, SC_HANDLE{nullptr});
  }
  SC_HANDLE handle = NewServiceHandle(db, name, desired_access);
  if (!handle || !tx.Commit()) {
    if (handle) SimHandles::Remove(reinterpret_cast<HANDLE>(handle));
    return SimFailWith(ERROR_CANTWRITE, SC_HANDLE{nullptr});
  }
  return handle;
}

SC_HANDLE CreateServiceW(SC_HANDLE manager, LPCWSTR service_name, LPCWSTR display_name,
                         DWORD desired_access, DWORD, DWORD, DWORD, LPCWSTR binary_path_name,
                         LPCWSTR, LPDWORD tag_id, LPCWSTR, LPCWSTR, LPCWSTR) {
  if (!ManagerFromHandle(manager, SC_MANAGER_CREATE_SERVICE)) return nullptr;
  if (!IsValidServiceName(service_name)) return SimFailWith(ERROR_INVALID_NAME, SC_HANDLE{nullptr});
  if (!binary_path_name || !*binary_path_name)
    return SimFailWith(ERROR_INVALID_PARAMETER, SC_HANDLE{nullptr});
  auto machine = SimHost::Machine();
  if (!machine) return SimFailWith(kRpcServerUnavailable, SC_HANDLE{nullptr});
  SimDb& db = machine->Db();
  SimTransaction tx(db);
  std::string existing;
  ServiceRow row;
  if (FindName(db, service_name, &existing) && Load(db, existing, &row)) {
    tx.Commit();
    return SimFailWith(row.delete_pending ? ERROR_SERVICE_MARKED_FOR_DELETE : ERROR_SERVICE_EXISTS,
                       SC_HANDLE{nullptr});
  }
  const std::string name = SimToUtf8(service_name);
  SimStatement st(db,
                  "INSERT INTO services(name, display_name, image_path, state) "
                  "VALUES(?1, ?2, ?3, ?4)");
  st.Bind(1, name)
      .Bind(2, SimToUtf8(display_name && *display_name ? display_name : service_name))
      .Bind(3, SimToUtf8(binary_path_name))
      .Bind(4, int64_t{SERVICE_STOPPED});
  st.Step();
  if (st.Failed()) return SimFailWith(ERROR_CANTWRITE, SC_HANDLE{nullptr});
  AddEvent(db, name, "created");
  SC_HANDLE handle = NewServiceHandle(db, name, desired_access);
  if (!handle || !tx.Commit()) {
    if (handle) SimHandles::Remove(reinterpret_cast<HANDLE>(handle));
    return SimFailWith(ERROR_CANTWRITE, SC_HANDLE{nullptr});
  }
  if (tag_id) *tag_id = 0;
  return handle;
}

BOOL StartServiceW(SC_HANDLE handle, DWORD argument_count, LPCWSTR* arguments) {
  auto service = ServiceFromHandle(handle, SERVICE_START);
  if (!service) return FALSE;
  if (argument_count && !arguments) return SimFail(ERROR_INVALID_PARAMETER);
  OpenedService opened(service->name);
  if (opened.error) return SimFail(opened.error);
  SimDb& db = opened.Db();
  SimTransaction& tx = opened.Transaction();
  ServiceRow& row = opened.row;
  DWORD error = 0;
  if (row.delete_pending) error = ERROR_SERVICE_MARKED_FOR_DELETE;
  else if (row.state != SERVICE_STOPPED) error = ERROR_SERVICE_ALREADY_RUNNING;
  std::string real;
  std::vector<std::u16string> words;
  if (!error) error = ResolveProgram(SimToUtf16(row.image_path), &real, &words);
  if (error) {
    tx.Commit();
    return SimFail(error);
  }
  std::vector<std::string> argv = {real};
  for (const auto& word : words) argv.push_back(SimToUtf8(word));
  for (DWORD i = 0; i < argument_count; ++i)
    argv.push_back(arguments[i] ? SimToUtf8(arguments[i]) : std::string());
  int64_t pid = 0;
  error = SpawnDetached(real, argv, opened.Dir(), &pid);
  if (error) {
    tx.Commit();
    return SimFail(error);
  }
  SimStatement st(db,
                  "UPDATE services SET state=?2, pid=?3, pid_start=?4, stop_requested_ms=0, "
                  "checkpoint=0 WHERE name=?1");
  st.Bind(1, row.name)
      .Bind(2, int64_t{SERVICE_RUNNING})
      .Bind(3, pid)
      .Bind(4, ProcessStartTime(pid));
  st.Step();
  AddEvent(db, row.name, "started");
  if (st.Failed() || !tx.Commit()) {
    kill(static_cast<pid_t>(pid), SIGKILL);
    return SimFail(ERROR_CANTWRITE);
  }
  return TRUE;
}

BOOL ControlService(SC_HANDLE handle, DWORD control, LPSERVICE_STATUS status) {
  DWORD needed = SERVICE_USER_DEFINED_CONTROL;
  if (control == SERVICE_CONTROL_STOP) needed = SERVICE_STOP;
  else if (control == SERVICE_CONTROL_INTERROGATE) needed = SERVICE_INTERROGATE;
  else if (control == SERVICE_CONTROL_PAUSE || control == SERVICE_CONTROL_CONTINUE)
    needed = SERVICE_PAUSE_CONTINUE;
  else if (control < 128 || control > 255) return SimFail(ERROR_INVALID_PARAMETER);
  auto service = ServiceFromHandle(handle, needed);
  if (!service) return FALSE;
  if (!status) return SimFail(ERROR_INVALID_PARAMETER);
  OpenedService opened(service->name);
  if (opened.error) return SimFail(opened.error);
  SimDb& db = opened.Db();
  SimTransaction& tx = opened.Transaction();
  ServiceRow& row = opened.row;
  DWORD error = 0;
  if (row.state == SERVICE_STOPPED) {
    error = ERROR_SERVICE_NOT_ACTIVE;
  } else if (control == SERVICE_CONTROL_STOP) {
    if (row.state != SERVICE_RUNNING) {
      error = ERROR_SERVICE_CANNOT_ACCEPT_CTRL;
    } else {
      SimStatement st(db,
                      "UPDATE services SET state=?2, stop_requested_ms=?3, checkpoint=0 "
                      "WHERE name=?1");
      st.Bind(1, row.name).Bind(2, int64_t{SERVICE_STOP_PENDING}).Bind(3, NowMs());
      st.Step();
      if (st.Failed()) return SimFail(ERROR_CANTWRITE);
      AddEvent(db, row.name, "stop-requested");
      ReadRow(db, row.name, &row);
      Advance(db, &row);  // a service that stops at once reports STOPPED
    }
  } else if (control != SERVICE_CONTROL_INTERROGATE) {
    error = ERROR_INVALID_SERVICE_CONTROL;
  }
  FillStatus(row, status);  // filled for these errors too, as Windows does
  if (!tx.Commit()) return SimFail(ERROR_CANTWRITE);
  return error ? SimFail(error) : TRUE;
}

BOOL QueryServiceStatus(SC_HANDLE handle, LPSERVICE_STATUS status) {
  auto service = ServiceFromHandle(handle, SERVICE_QUERY_STATUS);
  if (!service) return FALSE;
  if (!status) return SimFail(ERROR_INVALID_PARAMETER);
  OpenedService opened(service->name);
  if (opened.error) return SimFail(opened.error);
  SimDb& db = opened.Db();
  SimTransaction& tx = opened.Transaction();
  ServiceRow& row = opened.row;
  if (row.state == SERVICE_STOP_PENDING) {
    // Each look while stopping shows progress, as a stopping service reports it.
    SimStatement st(db, "UPDATE services SET checkpoint=checkpoint+1 WHERE name=?1");
    st.Bind(1, row.name);
    st.Step();
    ++row.checkpoint;
  }
  FillStatus(row, status);
  return tx.Commit() ? TRUE : SimFail(ERROR_CANTWRITE);
}

BOOL QueryServiceConfigW(SC_HANDLE handle, LPQUERY_SERVICE_CONFIGW config, DWORD buffer_size,
                         LPDWORD bytes_needed) {
  auto service = ServiceFromHandle(handle, SERVICE_QUERY_CONFIG);
  if (!service) return FALSE;
  if (!bytes_needed) return SimFail(ERROR_INVALID_ADDRESS);
  OpenedService opened(service->name);
  if (opened.error) return SimFail(opened.error);
  opened.Transaction().Commit();
  const ServiceRow& row = opened.row;
  const std::u16string strings[] = {SimToUtf16(row.image_path), u"", u"", u"LocalSystem",
                                    SimToUtf16(row.display_name)};
  DWORD needed = sizeof(QUERY_SERVICE_CONFIGW);
  for (const auto& text : strings) needed += static_cast<DWORD>((text.size() + 1) * sizeof(char16_t));
  needed += sizeof(char16_t);  // the dependency list ends with two terminators
  *bytes_needed = needed;
  if (!config || buffer_size < needed) return SimFail(ERROR_INSUFFICIENT_BUFFER);
  auto* out = reinterpret_cast<char16_t*>(config + 1);
  auto put = [&out](const std::u16string& text) {
    char16_t* start = out;
    std::memcpy(out, text.c_str(), (text.size() + 1) * sizeof(char16_t));
    out += text.size() + 1;
    return start;
  };
  config->dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  config->dwStartType = SERVICE_DEMAND_START;
  config->dwErrorControl = SERVICE_ERROR_NORMAL;
  config->dwTagId = 0;
  config->lpBinaryPathName = put(strings[0]);
  config->lpLoadOrderGroup = put(strings[1]);
  config->lpDependencies = put(strings[2]);
  *out++ = 0;
  config->lpServiceStartName = put(strings[3]);
  config->lpDisplayName = put(strings[4]);
  return TRUE;
}

BOOL DeleteService(SC_HANDLE handle) {
  auto service = ServiceFromHandle(handle, DELETE);
  if (!service) return FALSE;
  OpenedService opened(service->name);
  if (opened.error) return SimFail(opened.error);
  SimDb& db = opened.Db();
  SimTransaction& tx = opened.Transaction();
  ServiceRow& row = opened.row;
  if (row.delete_pending) {
    tx.Commit();
    return SimFail(ERROR_SERVICE_MARKED_FOR_DELETE);
  }
  SimStatement st(db, "UPDATE services SET delete_pending=1 WHERE name=?1");
  st.Bind(1, row.name);
  st.Step();
  AddEvent(db, row.name, "delete-marked");
  // Removal waits at least for this handle to be closed.
  return !st.Failed() && tx.Commit() ? TRUE : SimFail(ERROR_CANTWRITE);
}

BOOL CloseServiceHandle(SC_HANDLE handle) {
  HANDLE raw = reinterpret_cast<HANDLE>(handle);
  if (SimHandles::GetAs<SimScManager>(raw)) {
    SimHandles::Remove(raw);
    return TRUE;
  }
  auto service = SimHandles::GetAs<SimService>(raw);
  if (!service || !SimHandles::Remove(raw)) return SimFail(ERROR_INVALID_HANDLE);
  auto machine = SimHost::Machine();
  if (!machine) return TRUE;
  SimDb& db = machine->Db();
  SimTransaction tx(db);
  SimStatement st(db, "DELETE FROM service_handles WHERE id=?1");
  st.Bind(1, service->handle_row);
  st.Step();
  ServiceRow row;
  Load(db, service->name, &row);  // the last handle may complete a removal
  tx.Commit();
  return TRUE;
}

// ---- the host's own view ----------------------------------------------------

const char* SimServiceStateName(DWORD state) {
  switch (state) {
    case SERVICE_STOPPED: return "STOPPED";
    case SERVICE_START_PENDING: return "START_PENDING";
    case SERVICE_STOP_PENDING: return "STOP_PENDING";
    case SERVICE_RUNNING: return "RUNNING";
    case SERVICE_CONTINUE_PENDING: return "CONTINUE_PENDING";
    case SERVICE_PAUSE_PENDING: return "PAUSE_PENDING";
    case SERVICE_PAUSED: return "PAUSED";
    default: return "UNKNOWN";
  }
}

namespace {

SimServiceInfo InfoOf(const ServiceRow& row) {
  SimServiceInfo info;
  info.name = row.name;
  info.display_name = row.display_name;
  info.image_path = row.image_path;
  info.state = row.state;
  info.pid = row.state == SERVICE_STOPPED ? 0 : row.pid;
  info.stop_ms = row.stop_ms;
  info.delete_pending = row.delete_pending;
  return info;
}

}  // namespace

bool SimListServices(std::vector<SimServiceInfo>* out) {
  out->clear();
  auto machine = SimHost::Machine();
  if (!machine) return false;
  SimDb& db = machine->Db();
  SimTransaction tx(db);
  if (!tx.Ok()) return false;
  std::vector<std::string> names;
  {
    SimStatement st(db, "SELECT name FROM services ORDER BY name");
    while (st.Step()) names.push_back(st.Text(0));
  }
  for (const auto& name : names) {
    ServiceRow row;
    if (Load(db, name, &row)) out->push_back(InfoOf(row));
  }
  return tx.Commit();
}

bool SimFindService(const std::u16string& name, SimServiceInfo* info) {
  auto machine = SimHost::Machine();
  if (!machine) return false;
  SimDb& db = machine->Db();
  SimTransaction tx(db);
  std::string stored;
  ServiceRow row;
  bool found = FindName(db, name, &stored) && Load(db, stored, &row);
  if (found) *info = InfoOf(row);
  return tx.Commit() && found;
}

bool SimSetServiceStopMs(const std::u16string& name, int64_t stop_ms) {
  auto machine = SimHost::Machine();
  if (!machine) return false;
  SimDb& db = machine->Db();
  SimTransaction tx(db);
  std::string stored;
  if (!FindName(db, name, &stored)) return false;
  SimStatement st(db, "UPDATE services SET stop_ms=?2 WHERE name=?1");
  st.Bind(1, stored).Bind(2, stop_ms < 0 ? kSimServiceNeverStops : stop_ms);
  st.Step();
  ServiceRow row;
  Load(db, stored, &row);  // a stop already asked for may be over now
  return !st.Failed() && tx.Commit();
}

std::vector<std::string> SimServiceEvents(const std::u16string& name) {
  std::vector<std::string> events;
  auto machine = SimHost::Machine();
  if (!machine) return events;
  SimDb& db = machine->Db();
  SimTransaction tx(db);
  // Looking brings the service up to date, so that a stop or removal that
  // came due is in the history.
  std::string stored;
  ServiceRow row;
  if (FindName(db, name, &stored)) Load(db, stored, &row);
  const std::u16string wanted = SimUpper(name);
  {
    SimStatement st(db, "SELECT name, event FROM service_events ORDER BY seq");
    while (st.Step())
      if (SimUpper(SimToUtf16(st.Text(0))) == wanted) events.push_back(st.Text(1));
  }
  tx.Commit();
  return events;
}

bool SimServicesAfterReboot() {
  auto machine = SimHost::Machine();
  if (!machine) return false;
  SimDb& db = machine->Db();
  SimTransaction tx(db);
  if (!tx.Ok()) return false;
  std::vector<std::string> names;
  {
    SimStatement st(db, "SELECT name FROM services WHERE state<>?1 ORDER BY name");
    st.Bind(1, int64_t{SERVICE_STOPPED});
    while (st.Step()) names.push_back(st.Text(0));
  }
  for (const auto& name : names) AddEvent(db, name, "stopped");
  std::vector<std::string> marked;
  {
    SimStatement st(db, "SELECT name FROM services WHERE delete_pending<>0 ORDER BY name");
    while (st.Step()) marked.push_back(st.Text(0));
  }
  for (const auto& name : marked) AddEvent(db, name, "removed");
  bool ok = db.Exec("DELETE FROM service_handles") &&
            db.Exec("DELETE FROM services WHERE delete_pending<>0") &&
            db.Exec("UPDATE services SET state=1, pid=0, pid_start=-1, stop_requested_ms=0, "
                    "checkpoint=0");
  return ok && tx.Commit();
}
