// DPI awareness on the simulated host: process and thread awareness contexts,
// the awareness each window keeps from its creation, and the DPI the screen
// shows a window or a display context (96 to DPI-unaware code, whose windows
// Windows scales for it).
//
// A window's awareness is published as run/dpi/<hwnd> (awareness and owner),
// locked by its owner like the window record, so that another process of the
// machine can ask GetDpiForWindow about it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

#include "platform/dpi.h"
#include "platform/kernel.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/core/SimLocks.h"
#include "platform/sim/windows/SimDpi.h"
#include "platform/system_info.h"
#include "platform/window_messages.h"

namespace {

// Awareness kinds; kNotSet only for "the process never chose".
enum Kind : int32_t {
  kNotSet = -1,
  kUnaware = 0,
  kSystemAware = 1,
  kPerMonitor = 2,
  kPerMonitorV2 = 3,
  kUnawareGdiScaled = 4,
};

constexpr uint32_t kRecordMagic = 0x49504453;  // "SDPI"

struct Record {
  uint32_t magic;
  uint32_t pid;
  int32_t kind;
};

std::atomic<int32_t> g_process{kNotSet};
thread_local int32_t t_thread = kNotSet;

struct LocalWindow {
  int32_t kind;
  int fd;
  std::string path;
};

struct Windows {
  std::mutex mutex;
  std::map<uintptr_t, LocalWindow> by_handle;
};

Windows& LocalWindows() {
  static Windows* windows = new Windows;  // windows may outlive static destructors
  return *windows;
}

LONG_PTR Value(DPI_AWARENESS_CONTEXT context) { return reinterpret_cast<LONG_PTR>(context); }

// The values Windows hands out for each awareness: low bits the awareness,
// 0x10 "has a DPI", the system DPI above bit 8, 0x20 per-monitor v2.
DPI_AWARENESS_CONTEXT HandleOf(int32_t kind) {
  LONG_PTR value = 0;
  switch (kind) {
    case kSystemAware: value = (static_cast<LONG_PTR>(SimScreenDpi()) << 8) | 0x11; break;
    case kPerMonitor: value = 0x12; break;
    case kPerMonitorV2: value = 0x22; break;
    case kUnawareGdiScaled: value = 0x40006010; break;
    default: value = 0x6010; break;
  }
  return reinterpret_cast<DPI_AWARENESS_CONTEXT>(value);
}

// The kind of a pseudo handle or of a value handed out; kNotSet when invalid.
int32_t KindOf(DPI_AWARENESS_CONTEXT context) {
  const LONG_PTR value = Value(context);
  switch (value) {
    case -1: return kUnaware;
    case -2: return kSystemAware;
    case -3: return kPerMonitor;
    case -4: return kPerMonitorV2;
    case -5: return kUnawareGdiScaled;
    case 0x6010: return kUnaware;
    case 0x12: return kPerMonitor;
    case 0x22: return kPerMonitorV2;
    case 0x40006010: return kUnawareGdiScaled;
    default: break;
  }
  if (value > 0 && (value & 0xFF) == 0x11 && (value >> 8) > 0 && (value >> 8) <= 0xFFFF)
    return kSystemAware;
  return kNotSet;
}

int32_t ThreadKind() {
  if (t_thread != kNotSet) return t_thread;
  int32_t process = g_process.load();
  return process == kNotSet ? kUnaware : process;
}

bool Scaled(int32_t kind) { return kind == kUnaware || kind == kUnawareGdiScaled; }

UINT DpiSeenBy(int32_t kind) { return Scaled(kind) ? USER_DEFAULT_SCREEN_DPI : SimScreenDpi(); }

std::string RecordDir() {
  auto machine = SimHost::Machine();
  if (!machine) return std::string();
  mkdir(machine->RunDir().c_str(), 0755);
  std::string dir = machine->RunDir() + "/dpi";
  mkdir(dir.c_str(), 0755);
  return dir;
}

std::string RecordPath(HWND window) {
  std::string dir = RecordDir();
  return dir.empty() ? dir : dir + "/" + std::to_string(reinterpret_cast<uintptr_t>(window));
}

// Written beside its name and renamed into place, locked while the window lives.
int Publish(const std::string& path, int32_t kind) {
  if (path.empty()) return -1;
  std::string temporary = path + ".new";
  int fd = open(temporary.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return -1;
  Record record = {kRecordMagic, GetCurrentProcessId(), kind};
  bool ok = write(fd, &record, sizeof(record)) == static_cast<ssize_t>(sizeof(record)) &&
            SimLockShared(fd, kSimHolder);
  if (ok) {
    SimGateLock gate(SimRunGateFd());
    ok = rename(temporary.c_str(), path.c_str()) == 0;
  }
  if (!ok) {
    unlink(temporary.c_str());
    close(fd);
    return -1;
  }
  return fd;
}

// Another process's window: its published awareness while its owner lives.
bool RemoteKind(HWND window, int32_t* kind) {
  std::string path = RecordPath(window);
  if (path.empty()) return false;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  Record record = {};
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  bool ok = SimLockTaken(fd, kSimHolder) &&
            pread(fd, &record, sizeof(record), 0) == static_cast<ssize_t>(sizeof(record)) &&
            record.magic == kRecordMagic && record.pid == owner;
  close(fd);
  if (ok) *kind = record.kind;
  return ok;
}

bool WindowKind(HWND window, int32_t* kind) {
  {
    Windows& windows = LocalWindows();
    std::lock_guard<std::mutex> guard(windows.mutex);
    auto it = windows.by_handle.find(reinterpret_cast<uintptr_t>(window));
    if (it != windows.by_handle.end()) {
      *kind = it->second.kind;
      return true;
    }
  }
  return RemoteKind(window, kind);
}

// ---- user32 entry points (reached through GetProcAddress only) ----

BOOL WINAPI SetProcessDPIAware() {
  // Vista's call: it never fails; it changes nothing once the process chose.
  int32_t expected = kNotSet;
  g_process.compare_exchange_strong(expected, kSystemAware);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL WINAPI IsProcessDPIAware() {
  const int32_t process = g_process.load();
  return process == kNotSet || Scaled(process) ? FALSE : TRUE;
}

BOOL WINAPI SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT context) {
  const int32_t kind = KindOf(context);
  if (kind == kNotSet) return SimFail(ERROR_INVALID_PARAMETER);
  int32_t expected = kNotSet;
  if (!g_process.compare_exchange_strong(expected, kind)) return SimFail(ERROR_ACCESS_DENIED);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

DPI_AWARENESS_CONTEXT WINAPI SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT context) {
  const int32_t kind = KindOf(context);
  if (kind == kNotSet) return SimFailWith<DPI_AWARENESS_CONTEXT>(ERROR_INVALID_PARAMETER, nullptr);
  DPI_AWARENESS_CONTEXT previous = HandleOf(ThreadKind());
  t_thread = kind;
  return previous;
}

DPI_AWARENESS_CONTEXT WINAPI GetThreadDpiAwarenessContext() { return HandleOf(ThreadKind()); }

BOOL WINAPI AreDpiAwarenessContextsEqual(DPI_AWARENESS_CONTEXT a, DPI_AWARENESS_CONTEXT b) {
  const int32_t kind_a = KindOf(a);
  const int32_t kind_b = KindOf(b);
  return kind_a != kNotSet && kind_a == kind_b ? TRUE : FALSE;
}

DPI_AWARENESS WINAPI GetAwarenessFromDpiAwarenessContext(DPI_AWARENESS_CONTEXT context) {
  switch (KindOf(context)) {
    case kUnaware:
    case kUnawareGdiScaled: return DPI_AWARENESS_UNAWARE;
    case kSystemAware: return DPI_AWARENESS_SYSTEM_AWARE;
    case kPerMonitor:
    case kPerMonitorV2: return DPI_AWARENESS_PER_MONITOR_AWARE;
    default: return DPI_AWARENESS_INVALID;
  }
}

UINT WINAPI GetDpiForWindow(HWND window) {
  if (!window || !IsWindow(window)) return SimFailWith<UINT>(ERROR_INVALID_WINDOW_HANDLE, 0);
  int32_t kind = kUnaware;
  WindowKind(window, &kind);
  return DpiSeenBy(kind);
}

template <class F>
FARPROC EntryPoint(F* function) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

}  // namespace

UINT SimScreenDpi() {
  auto machine = SimHost::Machine();
  if (!machine) return USER_DEFAULT_SCREEN_DPI;
  std::string text = machine->Fact("dpi", "");
  char* end = nullptr;
  unsigned long dpi = std::strtoul(text.c_str(), &end, 10);
  if (text.empty() || *end || dpi == 0 || dpi > 0xFFFF) return USER_DEFAULT_SCREEN_DPI;
  return static_cast<UINT>(dpi);
}

void SimRegisterDpiEntryPoints() {
  SimRegisterEntryPoint("user32.dll", "SetProcessDPIAware", EntryPoint(&SetProcessDPIAware));
  SimRegisterEntryPoint("user32.dll", "IsProcessDPIAware", EntryPoint(&IsProcessDPIAware));
  SimRegisterEntryPoint("user32.dll", "SetProcessDpiAwarenessContext",
                        EntryPoint(&SetProcessDpiAwarenessContext));
  SimRegisterEntryPoint("user32.dll", "SetThreadDpiAwarenessContext",
                        EntryPoint(&SetThreadDpiAwarenessContext));
  SimRegisterEntryPoint("user32.dll", "GetThreadDpiAwarenessContext",
                        EntryPoint(&GetThreadDpiAwarenessContext));
  SimRegisterEntryPoint("user32.dll", "AreDpiAwarenessContextsEqual",
                        EntryPoint(&AreDpiAwarenessContextsEqual));
  SimRegisterEntryPoint("user32.dll", "GetAwarenessFromDpiAwarenessContext",
                        EntryPoint(&GetAwarenessFromDpiAwarenessContext));
  SimRegisterEntryPoint("user32.dll", "GetDpiForWindow", EntryPoint(&GetDpiForWindow));
}

void SimResetDpiAwareness() {
  g_process = kNotSet;
  t_thread = kNotSet;
}

void SimDpiWindowCreated(HWND window) {
  const int32_t kind = ThreadKind();
  std::string path = RecordPath(window);
  int fd = Publish(path, kind);
  Windows& windows = LocalWindows();
  std::lock_guard<std::mutex> guard(windows.mutex);
  windows.by_handle[reinterpret_cast<uintptr_t>(window)] = {kind, fd, path};
}

void SimDpiWindowDestroyed(HWND window) {
  LocalWindow gone;
  {
    Windows& windows = LocalWindows();
    std::lock_guard<std::mutex> guard(windows.mutex);
    auto it = windows.by_handle.find(reinterpret_cast<uintptr_t>(window));
    if (it == windows.by_handle.end()) return;
    gone = it->second;
    windows.by_handle.erase(it);
  }
  if (gone.fd < 0) return;
  {
    SimGateLock gate(SimRunGateFd());
    unlink(gone.path.c_str());
  }
  close(gone.fd);
}

int GetDeviceCaps(HDC dc, int index) {
  if (!dc) return 0;
  if (index == LOGPIXELSX || index == LOGPIXELSY) return static_cast<int>(DpiSeenBy(ThreadKind()));
  return 0;
}
