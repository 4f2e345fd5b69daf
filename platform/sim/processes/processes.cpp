// Processes of the simulated host: the machine's live processes are real Linux
// processes whose program file lies under the machine's drives, and their ids
// are the real pids. A process handle holds a pidfd, so that it keeps naming
// the same process after that one ended and its pid was given to another.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <climits>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/sim/processes/SimChildren.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/files/SimPath.h"
#include "platform/sim/processes/SimProcesses.h"
#include "platform/sim/processes/SimSessions.h"
#include "platform/sim/processes/SimTokens.h"
#include "platform/sim/text/SimUnicode.h"
#include "platform/system_info.h"

namespace {

constexpr NTSTATUS kStatusSuccess = 0;
constexpr NTSTATUS kStatusInvalidInfoClass = static_cast<NTSTATUS>(0xC0000003u);
constexpr NTSTATUS kStatusInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004u);
constexpr NTSTATUS kStatusInvalidHandle = static_cast<NTSTATUS>(0xC0000008u);
constexpr NTSTATUS kStatusAccessViolation = static_cast<NTSTATUS>(0xC0000005u);
constexpr NTSTATUS kStatusAccessDenied = static_cast<NTSTATUS>(0xC0000022u);
constexpr DWORD kRpcServerUnavailable = 1722;

// The one module of every process: its image, at the usual image base.
const HMODULE kImageModule = reinterpret_cast<HMODULE>(static_cast<ULONG_PTR>(0x400000));

// glibc names P_PIDFD in an enumeration, so it cannot be tested with #ifdef.
constexpr idtype_t kPidFd = static_cast<idtype_t>(3);

constexpr DWORD kQueryRights = PROCESS_QUERY_INFORMATION | PROCESS_QUERY_LIMITED_INFORMATION;

// Fields of /proc/PID/stat after the command name: [0] is the state (field 3).
std::vector<std::string> StatFields(pid_t pid) {
  std::vector<std::string> fields;
  int fd = open(("/proc/" + std::to_string(pid) + "/stat").c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return fields;
  char buffer[1024];
  ssize_t n = read(fd, buffer, sizeof(buffer) - 1);
  close(fd);
  if (n <= 0) return fields;
  std::string text(buffer, static_cast<size_t>(n));
  size_t close_paren = text.rfind(')');  // the command name may hold anything, even ")"
  if (close_paren == std::string::npos) return fields;
  size_t pos = close_paren + 1;
  while (pos < text.size()) {
    while (pos < text.size() && text[pos] == ' ') ++pos;
    size_t end = text.find_first_of(" \n", pos);
    if (end == std::string::npos) end = text.size();
    if (end > pos) fields.push_back(text.substr(pos, end - pos));
    pos = end + 1;
  }
  return fields;
}

// Start time of a live process (not a zombie); -1 otherwise. With the pid it
// names one process for good.
long long StartTime(pid_t pid) {
  std::vector<std::string> fields = StatFields(pid);
  if (fields.size() < 20 || fields[0] == "Z" || fields[0] == "X") return -1;
  return std::atoll(fields[19].c_str());
}

// The program file a process runs from; empty once it has ended.
std::string RealImageOf(pid_t pid) {
  char buffer[PATH_MAX];
  ssize_t n = readlink(("/proc/" + std::to_string(pid) + "/exe").c_str(), buffer, sizeof(buffer) - 1);
  if (n <= 0) return std::string();
  std::string image(buffer, static_cast<size_t>(n));
  const std::string deleted = " (deleted)";
  if (image.size() > deleted.size() &&
      image.compare(image.size() - deleted.size(), deleted.size(), deleted) == 0)
    image.resize(image.size() - deleted.size());
  return image;
}

bool InMachine(const std::string& real_image, const SimMachine& machine) {
  const std::string drives = machine.DrivesDir() + "/";
  return real_image.compare(0, drives.size(), drives) == 0;
}

int OpenPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
  (void)pid;
  errno = ENOSYS;
  return -1;
#endif
}

// Exit codes given to TerminateProcess by this program, by process identity.
struct ExitCodes {
  std::mutex mutex;
  std::map<std::pair<pid_t, long long>, DWORD> codes;
};
ExitCodes& TerminatedCodes() {
  static ExitCodes* codes = new ExitCodes;  // outlives static destructors
  return *codes;
}

class ProcessObject : public SimObject {
 public:
  ProcessObject(pid_t pid, long long start, int pidfd, DWORD access, std::string image)
      : pid_(pid), start_(start), pidfd_(pidfd), access_(access), last_image_(std::move(image)) {}
  ~ProcessObject() override;

  // A process this program started: its end status stays readable until the
  // last handle to it is closed, and it is reaped then (or once it ends).
  void MarkChild() { child_ = true; }

  pid_t Pid() const { return pid_; }
  long long StartTicks() const { return start_; }
  bool Self() const { return pid_ == getpid(); }
  bool Allows(DWORD rights) const { return (access_ & rights) == rights; }
  bool AllowsAny(DWORD rights) const { return (access_ & rights) != 0; }

  bool Alive() const {
    if (Self()) return true;
    if (pidfd_ >= 0) {
      struct pollfd p = {pidfd_, POLLIN, 0};
      return poll(&p, 1, 0) == 0;
    }
    return StartTime(pid_) == start_;
  }

  // The image's real path: read afresh while the process runs (a renamed
  // program reports its new name), the last one known after its end.
  std::string RealImage() {
    std::string image = RealImageOf(pid_);
    std::lock_guard<std::mutex> guard(mutex_);
    if (!image.empty() && Alive()) last_image_ = image;  // still the same process
    return last_image_;
  }

  DWORD ExitCode() const {
    if (Alive()) return STILL_ACTIVE;
    {
      ExitCodes& known = TerminatedCodes();
      std::lock_guard<std::mutex> guard(known.mutex);
      auto it = known.codes.find({pid_, start_});
      if (it != known.codes.end()) return it->second;
    }
    // A child of ours tells its status until it is reaped.
    siginfo_t info = {};
    if (pidfd_ >= 0 &&
        waitid(kPidFd, static_cast<id_t>(pidfd_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
        info.si_pid != 0)
      return info.si_code == CLD_EXITED ? static_cast<DWORD>(info.si_status) : 1u;
    return 0;
  }

  bool Kill(UINT exit_code) {
    {
      ExitCodes& known = TerminatedCodes();
      std::lock_guard<std::mutex> guard(known.mutex);
      known.codes[{pid_, start_}] = exit_code;
    }
#ifdef SYS_pidfd_send_signal
    if (pidfd_ >= 0) return syscall(SYS_pidfd_send_signal, pidfd_, SIGKILL, nullptr, 0) == 0;
#endif
    return StartTime(pid_) == start_ && kill(pid_, SIGKILL) == 0;
  }

  DWORD Wait(DWORD milliseconds) override {
    if (!Allows(SYNCHRONIZE)) return SimFailWith<DWORD>(ERROR_ACCESS_DENIED, WAIT_FAILED);
    if (Self()) {  // a process never sees its own end
      if (milliseconds == INFINITE) for (;;) Sleep(INFINITE - 1);
      Sleep(milliseconds);
      return WAIT_TIMEOUT;
    }
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    for (;;) {
      if (!Alive()) return WAIT_OBJECT_0;
      ULONGLONG now = GetTickCount64();
      if (milliseconds != INFINITE && now >= deadline) return WAIT_TIMEOUT;
      ULONGLONG left = milliseconds == INFINITE ? 1000 : deadline - now;
      if (pidfd_ >= 0) {
        struct pollfd p = {pidfd_, POLLIN, 0};
        poll(&p, 1, static_cast<int>(left < 1000 ? left : 1000));
      } else {
        Sleep(static_cast<DWORD>(left < 5 ? left : 5));
      }
    }
  }

 private:
  const pid_t pid_;
  const long long start_;
  const int pidfd_;
  const DWORD access_;
  std::mutex mutex_;
  std::string last_image_;
  bool child_ = false;
};

// Children this program started and holds no handle to any more, still
// running: reaped once they end, so that none stays a zombie.
struct Orphans {
  std::mutex mutex;
  std::vector<int> pidfds;
};
Orphans& PendingReaps() {
  static Orphans* orphans = new Orphans;  // outlives static destructors
  return *orphans;
}

// Reaps the child behind pidfd when it has ended; false while it runs.
bool ReapIfEnded(int pidfd) {
  siginfo_t info = {};
  if (waitid(kPidFd, static_cast<id_t>(pidfd), &info, WEXITED | WNOHANG) != 0) return true;
  return info.si_pid != 0;
}

void ReapOrphans() {
  Orphans& orphans = PendingReaps();
  std::lock_guard<std::mutex> guard(orphans.mutex);
  auto& fds = orphans.pidfds;
  for (size_t i = 0; i < fds.size();) {
    if (ReapIfEnded(fds[i])) {
      close(fds[i]);
      fds[i] = fds.back();
      fds.pop_back();
    } else {
      ++i;
    }
  }
}

ProcessObject::~ProcessObject() {
  if (pidfd_ < 0) return;
  if (child_) {
    if (!Alive()) {
      // Whoever opens it by id later still learns how it ended.
      DWORD code = ExitCode();
      ExitCodes& known = TerminatedCodes();
      std::lock_guard<std::mutex> guard(known.mutex);
      known.codes.emplace(std::make_pair(pid_, start_), code);
    }
    if (!ReapIfEnded(pidfd_)) {
      Orphans& orphans = PendingReaps();
      std::lock_guard<std::mutex> guard(orphans.mutex);
      orphans.pidfds.push_back(pidfd_);
      return;
    }
  }
  close(pidfd_);
}

// The thread handle of a started process: waits for the process.
class ThreadObject : public SimObject {
 public:
  explicit ThreadObject(std::shared_ptr<ProcessObject> process) : process_(std::move(process)) {}
  DWORD Wait(DWORD milliseconds) override { return process_->Wait(milliseconds); }

 private:
  std::shared_ptr<ProcessObject> process_;
};

// What GetCurrentProcess() names: this process, with every right.
std::shared_ptr<ProcessObject> SelfObject() {
  static std::shared_ptr<ProcessObject>* self = new std::shared_ptr<ProcessObject>(
      std::make_shared<ProcessObject>(getpid(), StartTime(getpid()), -1, PROCESS_ALL_ACCESS | 0xFFFF,
                                      RealImageOf(getpid())));
  return *self;
}

std::shared_ptr<ProcessObject> ProcessFromHandle(HANDLE handle) {
  if (handle == GetCurrentProcess()) return SelfObject();
  return SimHandles::GetAs<ProcessObject>(handle);
}

// The NT device of a drive: the machine's volume table, or, for a drive folder
// the table gives no letter, a volume of its own that has none.
std::u16string VolumeDevice(SimMachine& machine, char letter, bool* has_letter) {
  char upper = static_cast<char>(letter >= 'a' && letter <= 'z' ? letter - 32 : letter);
  {
    std::lock_guard<std::recursive_mutex> guard(machine.Db().Lock());
    SimStatement st(machine.Db(), "SELECT device FROM volumes WHERE upper(letter)=?1");
    st.Bind(1, std::string(1, upper));
    if (st.Step()) {
      *has_letter = true;
      return SimToUtf16(st.Text(0));
    }
  }
  *has_letter = false;
  return u"\\Device\\HarddiskVolume" + SimToUtf16(std::to_string(64 + (upper - 'A')));
}

struct ImagePaths {
  std::u16string device;  // "\Device\HarddiskVolume2\Program Files\..."
  std::u16string drive;   // "C:\Program Files\...", or the device form below \\?\GLOBALROOT
};

ImagePaths PathsOf(const std::string& real) {
  ImagePaths paths;
  paths.drive = SimWinPathFromReal(real);
  paths.device = paths.drive;
  auto machine = SimHost::Machine();
  if (!machine || !InMachine(real, *machine)) return paths;
  const std::string drives = machine->DrivesDir() + "/";
  char letter = real[drives.size()];
  std::string rest = real.substr(std::min(real.size(), drives.size() + 1));
  std::u16string tail = SimToUtf16(rest);
  for (auto& c : tail)
    if (c == u'/') c = u'\\';
  bool has_letter = false;
  paths.device = VolumeDevice(*machine, letter, &has_letter) + tail;
  if (!has_letter) paths.drive = u"\\\\?\\GLOBALROOT" + paths.device;
  return paths;
}

// Whole text into the buffer, or nothing and ERROR_INSUFFICIENT_BUFFER.
DWORD CopyWhole(const std::u16string& text, LPWSTR buffer, DWORD size) {
  if (!buffer || size <= text.size()) return SimFailWith<DWORD>(ERROR_INSUFFICIENT_BUFFER, 0);
  std::memcpy(buffer, text.c_str(), (text.size() + 1) * sizeof(char16_t));
  return static_cast<DWORD>(text.size());
}

// Text cut to the buffer (terminated), ERROR_INSUFFICIENT_BUFFER when cut.
DWORD CopyTruncated(const std::u16string& text, LPWSTR buffer, DWORD size) {
  if (!buffer || size == 0) return SimFailWith<DWORD>(ERROR_INSUFFICIENT_BUFFER, 0);
  size_t length = std::min<size_t>(text.size(), size - 1);
  std::memcpy(buffer, text.data(), length * sizeof(char16_t));
  buffer[length] = 0;
  SetLastError(length < text.size() ? ERROR_INSUFFICIENT_BUFFER : ERROR_SUCCESS);
  return static_cast<DWORD>(length);
}

// The process behind a handle for the module calls, which read its memory.
std::shared_ptr<ProcessObject> ModuleProcess(HANDLE handle, HMODULE module) {
  auto process = ProcessFromHandle(handle);
  if (!process) return SimFailWith<std::shared_ptr<ProcessObject>>(ERROR_INVALID_HANDLE, nullptr);
  if (!process->AllowsAny(kQueryRights) || !process->Allows(PROCESS_VM_READ))
    return SimFailWith<std::shared_ptr<ProcessObject>>(ERROR_ACCESS_DENIED, nullptr);
  if (!process->Alive())
    return SimFailWith<std::shared_ptr<ProcessObject>>(ERROR_PARTIAL_COPY, nullptr);
  if (module != nullptr && module != kImageModule)
    return SimFailWith<std::shared_ptr<ProcessObject>>(ERROR_INVALID_HANDLE, nullptr);
  return process;
}

// ---- access tokens ---------------------------------------------------------

struct Privilege {
  const char16_t* name;
  DWORD luid;
  DWORD attributes;  // in the token of an administrator's elevated program; 0: enabled later
  bool held;
};

const Privilege kPrivileges[] = {
    {u"SeCreateTokenPrivilege", 2, 0, false},
    {u"SeAssignPrimaryTokenPrivilege", 3, 0, false},
    {u"SeLockMemoryPrivilege", 4, 0, false},
    {u"SeIncreaseQuotaPrivilege", 5, 0, true},
    {u"SeMachineAccountPrivilege", 6, 0, false},
    {u"SeTcbPrivilege", 7, 0, false},
    {u"SeSecurityPrivilege", 8, 0, true},
    {u"SeTakeOwnershipPrivilege", 9, 0, true},
    {u"SeLoadDriverPrivilege", 10, 0, true},
    {u"SeSystemProfilePrivilege", 11, 0, true},
    {u"SeSystemtimePrivilege", 12, 0, true},
    {u"SeProfileSingleProcessPrivilege", 13, 0, true},
    {u"SeIncreaseBasePriorityPrivilege", 14, 0, true},
    {u"SeCreatePagefilePrivilege", 15, 0, true},
    {u"SeCreatePermanentPrivilege", 16, 0, false},
    {u"SeBackupPrivilege", 17, 0, true},
    {u"SeRestorePrivilege", 18, 0, true},
    {u"SeShutdownPrivilege", 19, 0, true},
    {u"SeDebugPrivilege", 20, 0, true},
    {u"SeAuditPrivilege", 21, 0, false},
    {u"SeSystemEnvironmentPrivilege", 22, 0, true},
    {u"SeChangeNotifyPrivilege", 23, SE_PRIVILEGE_ENABLED | SE_PRIVILEGE_ENABLED_BY_DEFAULT, true},
    {u"SeRemoteShutdownPrivilege", 24, 0, true},
    {u"SeUndockPrivilege", 25, 0, true},
    {u"SeManageVolumePrivilege", 28, 0, true},
    {u"SeImpersonatePrivilege", 29, SE_PRIVILEGE_ENABLED | SE_PRIVILEGE_ENABLED_BY_DEFAULT, true},
    {u"SeCreateGlobalPrivilege", 30, SE_PRIVILEGE_ENABLED | SE_PRIVILEGE_ENABLED_BY_DEFAULT, true},
    {u"SeIncreaseWorkingSetPrivilege", 33, 0, true},
    {u"SeTimeZonePrivilege", 34, 0, true},
    {u"SeCreateSymbolicLinkPrivilege", 35, 0, true},
};

using TokenObject = SimTokenObject;
using TokenState = SimToken;

// What a limited or standard token keeps of the privileges.
bool HeldWithoutElevation(DWORD luid) {
  return luid == 19 || luid == 23 || luid == 25 || luid == 33 || luid == 34;
}

// GetProcAddress hands these out for the libraries that hold them on Windows.
template <class F>
FARPROC EntryPoint(F* function) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

const bool kEntryPointsRegistered = [] {
  SimRegisterEntryPoint("psapi.dll", "EnumProcesses", EntryPoint(&EnumProcesses));
  SimRegisterEntryPoint("psapi.dll", "EnumProcessModules", EntryPoint(&EnumProcessModules));
  SimRegisterEntryPoint("psapi.dll", "GetModuleBaseNameW", EntryPoint(&GetModuleBaseNameW));
  SimRegisterEntryPoint("psapi.dll", "GetModuleFileNameExW", EntryPoint(&GetModuleFileNameExW));
  SimRegisterEntryPoint("psapi.dll", "GetProcessImageFileNameW",
                        EntryPoint(&GetProcessImageFileNameW));
  SimRegisterEntryPoint("ntdll.dll", "NtQueryInformationProcess",
                        EntryPoint(&NtQueryInformationProcess));
  // Also pulls the session functions into every program that lists processes.
  SimRegisterSessionEntryPoints();
  return true;
}();

}  // namespace

BOOL EnumProcesses(DWORD* ids, DWORD bytes, LPDWORD bytes_returned) {
  (void)kEntryPointsRegistered;
  if (!bytes_returned || (!ids && bytes > 0)) return SimFail(ERROR_NOACCESS);
  std::vector<SimProcessInfo> live;
  if (auto machine = SimHost::Machine()) live = SimListMachineProcesses(machine->Dir());
  size_t count = std::min<size_t>(live.size(), bytes / sizeof(DWORD));
  for (size_t i = 0; i < count; ++i) ids[i] = static_cast<DWORD>(live[i].pid);
  *bytes_returned = static_cast<DWORD>(count * sizeof(DWORD));
  return TRUE;
}

HANDLE OpenProcess(DWORD desired_access, BOOL, DWORD process_id) {
  auto machine = SimHost::Machine();
  const pid_t pid = static_cast<pid_t>(process_id);
  if (process_id == 0 || process_id > static_cast<DWORD>(INT_MAX))
    return SimFailWith<HANDLE>(ERROR_INVALID_PARAMETER, nullptr);
  // This program may open itself wherever it runs from.
  const bool self = pid == getpid();
  auto is_ours = [&] {
    if (self) return true;
    std::string image = RealImageOf(pid);
    return machine && !image.empty() && InMachine(image, *machine);
  };
  if (!is_ours()) return SimFailWith<HANDLE>(ERROR_INVALID_PARAMETER, nullptr);
  if (DWORD denied = self ? 0 : SimProcessAccessError(pid, desired_access))
    return SimFailWith<HANDLE>(denied, nullptr);
  int pidfd = self ? -1 : OpenPidFd(pid);
  if (!self && pidfd < 0 && errno == ESRCH) return SimFailWith<HANDLE>(ERROR_INVALID_PARAMETER, nullptr);
  long long start = StartTime(pid);
  std::string image = RealImageOf(pid);
  auto object = std::make_shared<ProcessObject>(pid, start, pidfd, desired_access, image);
  // Checked again with the process held: the pid may have been reused meanwhile.
  if (start < 0 || image.empty() || !object->Alive() || !is_ours())
    return SimFailWith<HANDLE>(ERROR_INVALID_PARAMETER, nullptr);
  return SimHandles::Add(object);
}

void SimAdoptChild(pid_t pid, int pidfd, HANDLE* process, HANDLE* thread) {
  ReapOrphans();
  auto object = std::make_shared<ProcessObject>(pid, StartTime(pid), pidfd, PROCESS_ALL_ACCESS,
                                                RealImageOf(pid));
  object->MarkChild();
  *thread = SimHandles::Add(std::make_shared<ThreadObject>(object));
  *process = SimHandles::Add(object);
}

BOOL TerminateProcess(HANDLE process, UINT exit_code) {
  auto object = ProcessFromHandle(process);
  if (!object) return SimFail(ERROR_INVALID_HANDLE);
  if (!object->Allows(PROCESS_TERMINATE)) return SimFail(ERROR_ACCESS_DENIED);
  if (object->Self()) ExitProcess(exit_code);
  // A process that has ended already cannot be ended again.
  if (!object->Alive() || !object->Kill(exit_code)) return SimFail(ERROR_ACCESS_DENIED);
  return TRUE;
}

BOOL GetExitCodeProcess(HANDLE process, LPDWORD exit_code) {
  auto object = ProcessFromHandle(process);
  if (!object) return SimFail(ERROR_INVALID_HANDLE);
  if (!object->AllowsAny(kQueryRights)) return SimFail(ERROR_ACCESS_DENIED);
  if (!exit_code) return SimFail(ERROR_NOACCESS);
  *exit_code = object->ExitCode();
  return TRUE;
}

BOOL GetProcessTimes(HANDLE process, LPFILETIME creation_time, LPFILETIME exit_time,
                     LPFILETIME kernel_time, LPFILETIME user_time) {
  auto object = ProcessFromHandle(process);
  if (!object) return SimFail(ERROR_INVALID_HANDLE);
  if (!object->AllowsAny(kQueryRights)) return SimFail(ERROR_ACCESS_DENIED);
  if (!creation_time || !exit_time || !kernel_time || !user_time) return SimFail(ERROR_NOACCESS);
  SimProcessTimes times = SimTimesOf(object->Pid(), object->StartTicks(), object->Alive());
  *creation_time = times.creation;
  *exit_time = times.exit;
  *kernel_time = times.kernel;
  *user_time = times.user;
  return TRUE;
}

BOOL EnumProcessModules(HANDLE process, HMODULE* modules, DWORD bytes, LPDWORD bytes_needed) {
  if (!ModuleProcess(process, nullptr)) return FALSE;
  if (!bytes_needed || (!modules && bytes > 0)) return SimFail(ERROR_NOACCESS);
  if (bytes >= sizeof(HMODULE)) modules[0] = kImageModule;
  *bytes_needed = sizeof(HMODULE);
  return TRUE;
}

DWORD GetModuleBaseNameW(HANDLE process, HMODULE module, LPWSTR buffer, DWORD size) {
  auto object = ModuleProcess(process, module);
  if (!object) return 0;
  std::u16string path = PathsOf(object->RealImage()).drive;
  size_t cut = path.find_last_of(u'\\');
  return CopyTruncated(cut == std::u16string::npos ? path : path.substr(cut + 1), buffer, size);
}

DWORD GetModuleFileNameExW(HANDLE process, HMODULE module, LPWSTR buffer, DWORD size) {
  auto object = ModuleProcess(process, module);
  if (!object) return 0;
  return CopyTruncated(PathsOf(object->RealImage()).drive, buffer, size);
}

DWORD GetProcessImageFileNameW(HANDLE process, LPWSTR buffer, DWORD size) {
  auto object = ProcessFromHandle(process);
  if (!object) return SimFailWith<DWORD>(ERROR_INVALID_HANDLE, 0);
  if (!object->AllowsAny(kQueryRights)) return SimFailWith<DWORD>(ERROR_ACCESS_DENIED, 0);
  std::string real = object->RealImage();
  if (real.empty()) return SimFailWith<DWORD>(ERROR_INVALID_PARAMETER, 0);
  return CopyWhole(PathsOf(real).device, buffer, size);
}

NTSTATUS WINAPI NtQueryInformationProcess(HANDLE process, PROCESSINFOCLASS information_class,
                                          PVOID information, ULONG length, PULONG returned) {
  if (information_class != ProcessBasicInformation) return kStatusInvalidInfoClass;
  if (length != sizeof(PROCESS_BASIC_INFORMATION)) return kStatusInfoLengthMismatch;
  auto object = ProcessFromHandle(process);
  if (!object) return kStatusInvalidHandle;
  if (!object->AllowsAny(kQueryRights)) return kStatusAccessDenied;
  if (!information) return kStatusAccessViolation;
  PROCESS_BASIC_INFORMATION info = {};
  info.ExitStatus = static_cast<NTSTATUS>(object->ExitCode());
  info.AffinityMask = 1;
  for (unsigned i = 1; i < std::thread::hardware_concurrency() && i < sizeof(ULONG_PTR) * 8; ++i)
    info.AffinityMask |= ULONG_PTR(1) << i;
  info.BasePriority = 8;  // normal priority class
  info.UniqueProcessId = static_cast<ULONG_PTR>(object->Pid());
  info.InheritedFromUniqueProcessId = static_cast<ULONG_PTR>(SimParentPid(object->Pid()));
  std::memcpy(information, &info, sizeof(info));
  if (returned) *returned = sizeof(info);
  return kStatusSuccess;
}

BOOL OpenProcessToken(HANDLE process, DWORD desired_access, PHANDLE token) {
  auto object = ProcessFromHandle(process);
  if (!object) return SimFail(ERROR_INVALID_HANDLE);
  if (!object->AllowsAny(kQueryRights)) return SimFail(ERROR_ACCESS_DENIED);
  if (!token) return SimFail(ERROR_NOACCESS);
  std::shared_ptr<SimToken> state;
  if (object->Self()) {
    state = SimOwnToken();
  } else {
    SimIdentity identity;
    if (!object->Alive() || !SimIdentityOfProcess(object->Pid(), &identity))
      return SimFail(ERROR_ACCESS_DENIED);
    state = SimNewToken(identity);
  }
  *token = SimHandles::Add(std::make_shared<TokenObject>(state, desired_access));
  return TRUE;
}

void SimFillPrivileges(SimToken* token) {
  if (SimIsSystemIdentity(token->identity)) return SimFillSystemPrivileges(token);
  const bool elevated = token->identity.kind == SimTokenKind::kElevated;
  for (const auto& p : kPrivileges)
    if (p.held && (elevated || HeldWithoutElevation(p.luid))) token->held[p.luid] = p.attributes;
}

std::shared_ptr<SimToken> SimOwnToken() {
  static std::mutex* mutex = new std::mutex;
  static auto* tokens = new std::map<std::string, std::shared_ptr<SimToken>>;
  auto machine = SimHost::Machine();
  const std::string key = machine ? machine->Dir() : std::string();
  std::lock_guard<std::mutex> guard(*mutex);
  auto& token = (*tokens)[key];
  if (!token) {
    token = SimNewToken(SimOwnIdentity());
    token->lineage = token.get();
  }
  return token;
}

BOOL LookupPrivilegeValueW(LPCWSTR system_name, LPCWSTR name, PLUID luid) {
  if (system_name && *system_name) {
    std::u16string system = system_name;
    if (system.compare(0, 2, u"\\\\") == 0) system.erase(0, 2);
    auto machine = SimHost::Machine();
    std::u16string own = machine ? SimToUtf16(machine->Fact("computer_name")) : u"";
    if (own.empty() || !SimEqualNoCase(system, own)) return SimFail(kRpcServerUnavailable);
  }
  if (!name || !luid) return SimFail(ERROR_NOACCESS);
  for (const auto& p : kPrivileges) {
    if (SimEqualNoCase(name, p.name)) {
      luid->LowPart = p.luid;
      luid->HighPart = 0;
      return TRUE;
    }
  }
  return SimFail(ERROR_NO_SUCH_PRIVILEGE);
}

BOOL AdjustTokenPrivileges(HANDLE token, BOOL disable_all, PTOKEN_PRIVILEGES new_state,
                           DWORD buffer_length, PTOKEN_PRIVILEGES previous_state,
                           PDWORD return_length) {
  auto object = SimHandles::GetAs<TokenObject>(token);
  if (!object) return SimFail(ERROR_INVALID_HANDLE);
  if (!object->Allows(TOKEN_ADJUST_PRIVILEGES) ||
      (previous_state && !object->Allows(TOKEN_QUERY)))
    return SimFail(ERROR_ACCESS_DENIED);
  if (!disable_all && !new_state) return SimFail(ERROR_INVALID_PARAMETER);
  if (previous_state && !return_length) return SimFail(ERROR_INVALID_PARAMETER);

  TokenState& state = object->State();
  std::lock_guard<std::mutex> guard(state.mutex);
  std::map<DWORD, DWORD> after = state.held;
  bool not_all_assigned = false;
  if (disable_all) {
    for (auto& [luid, attributes] : after) attributes &= ~static_cast<DWORD>(SE_PRIVILEGE_ENABLED);
  } else {
    const LUID_AND_ATTRIBUTES* entries = new_state->Privileges;  // as many as the count says
    for (DWORD i = 0; i < new_state->PrivilegeCount; ++i) {
      const LUID_AND_ATTRIBUTES& entry = entries[i];
      auto it = entry.Luid.HighPart == 0 ? after.find(entry.Luid.LowPart) : after.end();
      if (it == after.end()) {
        not_all_assigned = true;
        continue;
      }
      if (entry.Attributes & SE_PRIVILEGE_REMOVED) after.erase(it);
      else if (entry.Attributes & SE_PRIVILEGE_ENABLED) it->second |= SE_PRIVILEGE_ENABLED;
      else it->second &= ~static_cast<DWORD>(SE_PRIVILEGE_ENABLED);
    }
  }

  // The previous state lists the privileges whose state changed.
  std::vector<LUID_AND_ATTRIBUTES> changed;
  for (const auto& [luid, attributes] : state.held) {
    auto it = after.find(luid);
    if (it == after.end() || it->second != attributes)
      changed.push_back({{luid, 0}, attributes});
  }
  if (previous_state) {
    DWORD needed = static_cast<DWORD>(offsetof(TOKEN_PRIVILEGES, Privileges) +
                                      std::max<size_t>(changed.size(), 1) *
                                          sizeof(LUID_AND_ATTRIBUTES));
    *return_length = needed;
    if (buffer_length < needed) return SimFail(ERROR_INSUFFICIENT_BUFFER);
    previous_state->PrivilegeCount = static_cast<DWORD>(changed.size());
    LUID_AND_ATTRIBUTES* entries = previous_state->Privileges;
    for (size_t i = 0; i < changed.size(); ++i) entries[i] = changed[i];
  }
  state.held = std::move(after);
  SetLastError(not_all_assigned ? ERROR_NOT_ALL_ASSIGNED : ERROR_SUCCESS);
  return TRUE;
}
