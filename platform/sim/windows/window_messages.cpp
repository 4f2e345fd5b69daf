// Windows that other processes of the machine can find and post messages to.
//
// A window is published as run/windows/<hwnd>, a small record (class, title,
// owner) whose kSimHolder lock the owner holds: a killed owner leaves only a
// dead record behind. Each process has one message queue, fed by an abstract
// Unix datagram socket named after its pid (it vanishes with the process) and
// drained by a reader thread, so that senders never wait on a busy receiver.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/kernel.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/core/SimLocks.h"
#include "platform/sim/core/SimUnicode.h"
#include "platform/sim/windows/SimDpi.h"
#include "platform/window_messages.h"

namespace {

constexpr DWORD kErrorCannotFindWndClass = 1407;
constexpr DWORD kErrorClassHasWindows = 1412;
constexpr DWORD kErrorNotEnoughQuota = 1816;
constexpr uint32_t kRecordMagic = 0x4E495753;  // "SWIN"
constexpr uint32_t kFlagHidden = 1;             // message-only or child: FindWindowW skips it

struct RecordHeader {
  uint32_t magic;
  uint32_t pid;
  uint32_t tid;
  uint32_t flags;
  uint64_t created;
  uint32_t class_length;
  uint32_t title_length;
};

struct Wire {
  uint64_t hwnd;
  uint32_t message;
  uint32_t time;
  uint64_t wparam;
  int64_t lparam;
};

struct WindowClass {
  std::u16string name;
  WNDPROC proc = nullptr;
  ATOM atom = 0;
};

struct Window {
  std::u16string class_name;
  std::u16string title;
  WNDPROC proc = nullptr;
  DWORD tid = 0;
  int fd = -1;          // the published record, locked while the window lives
  std::string path;
};

struct State {
  std::mutex mutex;
  std::condition_variable arrived;
  std::map<std::u16string, WindowClass> classes;  // by upper-cased name
  std::map<uintptr_t, Window> windows;
  std::deque<MSG> queue;
  bool quit = false;
  int quit_code = 0;
  uint16_t next_index = 1;
  ATOM next_atom = 0xC000;
  int socket = -1;
};

State& S() {
  static State* state = new State;  // the reader thread may outlive static destructors
  return *state;
}

uintptr_t Value(HWND hwnd) { return reinterpret_cast<uintptr_t>(hwnd); }
HWND FromValue(uintptr_t value) { return reinterpret_cast<HWND>(value); }
DWORD PidOf(HWND hwnd) { return static_cast<DWORD>(Value(hwnd) >> 16); }
bool IsLocal(HWND hwnd) { return hwnd && PidOf(hwnd) == GetCurrentProcessId(); }

uint64_t MonotonicNs() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000000000ull + static_cast<uint64_t>(ts.tv_nsec);
}

sockaddr_un QueueAddress(DWORD pid, socklen_t* length) {
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  std::string name = "simhost-queue-" + std::to_string(pid);
  std::memcpy(address.sun_path + 1, name.data(), name.size());  // abstract: leading NUL
  *length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
  return address;
}

void ReadQueue(int fd) {
  State& s = S();
  while (true) {
    Wire wire;
    ssize_t n = recv(fd, &wire, sizeof(wire), 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return;
    if (n != sizeof(wire)) continue;
    std::lock_guard<std::mutex> guard(s.mutex);
    // A message for a window destroyed meanwhile goes nowhere, as on Windows.
    if (!s.windows.count(wire.hwnd)) continue;
    MSG msg = {};
    msg.hwnd = FromValue(wire.hwnd);
    msg.message = wire.message;
    msg.wParam = static_cast<WPARAM>(wire.wparam);
    msg.lParam = static_cast<LPARAM>(wire.lparam);
    msg.time = wire.time;
    s.queue.push_back(msg);
    s.arrived.notify_all();
  }
}

// Binds this process's queue socket and starts its reader; caller holds s.mutex.
int EnsureQueue(State& s) {
  if (s.socket >= 0) return s.socket;
  int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  socklen_t length;
  sockaddr_un address = QueueAddress(GetCurrentProcessId(), &length);
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
    close(fd);
    return -1;
  }
  s.socket = fd;
  std::thread(ReadQueue, fd).detach();
  return fd;
}

std::string WindowsDir() {
  auto machine = SimHost::Machine();
  if (!machine) return std::string();
  mkdir(machine->RunDir().c_str(), 0755);
  std::string dir = machine->RunDir() + "/windows";
  mkdir(dir.c_str(), 0755);
  return dir;
}

struct Record {
  RecordHeader header = {};
  std::u16string class_name;
  std::u16string title;
};

// Reads a published record; false unless its owner is alive.
bool ReadLiveRecord(const std::string& path, Record* record, bool* dead = nullptr) {
  if (dead) *dead = false;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = false;
  if (!SimLockTaken(fd, kSimHolder)) {
    if (dead) *dead = true;
  } else if (pread(fd, &record->header, sizeof(RecordHeader), 0) == sizeof(RecordHeader) &&
             record->header.magic == kRecordMagic && record->header.class_length < 65536 &&
             record->header.title_length < 65536) {
    record->class_name.resize(record->header.class_length);
    record->title.resize(record->header.title_length);
    size_t class_bytes = record->class_name.size() * sizeof(char16_t);
    size_t title_bytes = record->title.size() * sizeof(char16_t);
    ok = pread(fd, record->class_name.data(), class_bytes, sizeof(RecordHeader)) ==
             static_cast<ssize_t>(class_bytes) &&
         pread(fd, record->title.data(), title_bytes, sizeof(RecordHeader) + class_bytes) ==
             static_cast<ssize_t>(title_bytes);
  }
  close(fd);
  return ok;
}

std::string RecordPath(HWND hwnd) {
  std::string dir = WindowsDir();
  return dir.empty() ? dir : dir + "/" + std::to_string(Value(hwnd));
}

// Writes the record beside its final name and renames it into place, so a
// reader never sees half a record. Returns the locked descriptor or -1.
int Publish(HWND hwnd, const Window& window, uint32_t flags, std::string* path) {
  *path = RecordPath(hwnd);
  if (path->empty()) return -1;
  std::string temporary = *path + ".new";
  int fd = open(temporary.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return -1;
  RecordHeader header = {kRecordMagic,
                         GetCurrentProcessId(),
                         window.tid,
                         flags,
                         MonotonicNs(),
                         static_cast<uint32_t>(window.class_name.size()),
                         static_cast<uint32_t>(window.title.size())};
  std::string bytes(reinterpret_cast<const char*>(&header), sizeof(header));
  bytes.append(reinterpret_cast<const char*>(window.class_name.data()),
               window.class_name.size() * sizeof(char16_t));
  bytes.append(reinterpret_cast<const char*>(window.title.data()),
               window.title.size() * sizeof(char16_t));
  bool ok = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) &&
            SimLockShared(fd, kSimHolder);
  if (ok) {
    SimGateLock gate(SimRunGateFd());
    ok = rename(temporary.c_str(), path->c_str()) == 0;
  }
  if (!ok) {
    unlink(temporary.c_str());
    close(fd);
    return -1;
  }
  return fd;
}

void Unpublish(Window& window) {
  if (window.fd < 0) return;
  {
    SimGateLock gate(SimRunGateFd());
    unlink(window.path.c_str());
  }
  close(window.fd);
  window.fd = -1;
}

// Removes a dead owner's record; the gate keeps it from racing a new owner
// that reuses the pid and so the name.
void RemoveIfDead(const std::string& path) {
  SimGateLock gate(SimRunGateFd());
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  if (!SimLockTaken(fd, kSimHolder)) unlink(path.c_str());
  close(fd);
}

// A class argument may be an atom (MAKEINTATOM) instead of text.
bool ClassNameOf(LPCWSTR class_name, std::u16string* name) {
  if (reinterpret_cast<uintptr_t>(class_name) >= 0x10000) {
    *name = class_name;
    return true;
  }
  ATOM atom = static_cast<ATOM>(reinterpret_cast<uintptr_t>(class_name));
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  for (const auto& [key, c] : s.classes)
    if (c.atom == atom) {
      *name = c.name;
      return true;
    }
  return false;
}

bool Matches(const MSG& msg, HWND window, UINT filter_min, UINT filter_max) {
  if (msg.message == WM_QUIT) return true;  // never filtered out
  if (window == FromValue(static_cast<uintptr_t>(-1))) {
    if (msg.hwnd) return false;
  } else if (window && msg.hwnd != window) {
    return false;
  }
  if (filter_min == 0 && filter_max == 0) return true;
  return msg.message >= filter_min && msg.message <= filter_max;
}

// Takes (or with remove false, copies) the first message the filter accepts;
// the pending quit comes last, as on Windows.
bool TakeMessage(State& s, LPMSG out, HWND window, UINT filter_min, UINT filter_max, bool remove) {
  for (auto it = s.queue.begin(); it != s.queue.end(); ++it) {
    if (!Matches(*it, window, filter_min, filter_max)) continue;
    *out = *it;
    if (remove) s.queue.erase(it);
    return true;
  }
  if (s.quit) {
    *out = MSG{};
    out->message = WM_QUIT;
    out->wParam = static_cast<WPARAM>(s.quit_code);
    out->time = GetTickCount();
    if (remove) s.quit = false;
    return true;
  }
  return false;
}

bool FilterWindowValid(State& s, HWND window) {
  return !window || window == FromValue(static_cast<uintptr_t>(-1)) ||
         s.windows.count(Value(window)) != 0;
}

}  // namespace

ATOM RegisterClassExW(const WNDCLASSEXW* window_class) {
  if (!window_class || window_class->cbSize != sizeof(WNDCLASSEXW) ||
      !window_class->lpszClassName ||
      reinterpret_cast<uintptr_t>(window_class->lpszClassName) < 0x10000 ||
      !*window_class->lpszClassName)
    return SimFailWith<ATOM>(ERROR_INVALID_PARAMETER, 0);
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  std::u16string key = SimUpper(window_class->lpszClassName);
  if (s.classes.count(key)) return SimFailWith<ATOM>(ERROR_CLASS_ALREADY_EXISTS, 0);
  WindowClass c;
  c.name = window_class->lpszClassName;
  c.proc = window_class->lpfnWndProc;
  c.atom = s.next_atom++;
  s.classes.emplace(key, c);
  return c.atom;
}

BOOL UnregisterClassW(LPCWSTR class_name, HINSTANCE) {
  std::u16string name;
  if (!class_name || !ClassNameOf(class_name, &name)) return SimFail(ERROR_CLASS_DOES_NOT_EXIST);
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  auto it = s.classes.find(SimUpper(name));
  if (it == s.classes.end()) return SimFail(ERROR_CLASS_DOES_NOT_EXIST);
  for (const auto& [value, window] : s.windows)
    if (SimEqualNoCase(window.class_name, name)) return SimFail(kErrorClassHasWindows);
  s.classes.erase(it);
  return TRUE;
}

HWND CreateWindowExW(DWORD, LPCWSTR class_name, LPCWSTR window_name, DWORD, int, int, int, int,
                     HWND parent, void*, HINSTANCE, LPVOID) {
  std::u16string name;
  if (!class_name || !ClassNameOf(class_name, &name))
    return SimFailWith<HWND>(kErrorCannotFindWndClass, nullptr);
  State& s = S();
  HWND hwnd;
  WNDPROC proc;
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    auto c = s.classes.find(SimUpper(name));
    if (c == s.classes.end()) return SimFailWith<HWND>(kErrorCannotFindWndClass, nullptr);
    if (EnsureQueue(s) < 0) return SimFailWith<HWND>(ERROR_NOT_ENOUGH_MEMORY, nullptr);
    uintptr_t base = static_cast<uintptr_t>(GetCurrentProcessId()) << 16;
    uint16_t index = s.next_index;
    for (int tries = 0; tries < 0x10000; ++tries) {
      if (index != 0 && !s.windows.count(base | index)) break;
      ++index;
    }
    if (index == 0 || s.windows.count(base | index))
      return SimFailWith<HWND>(ERROR_NOT_ENOUGH_MEMORY, nullptr);
    s.next_index = static_cast<uint16_t>(index + 1);
    hwnd = FromValue(base | index);
    Window window;
    window.class_name = c->second.name;
    window.title = window_name ? window_name : u"";
    window.proc = proc = c->second.proc;
    window.tid = GetCurrentThreadId();
    // Message-only and child windows are never found by FindWindowW, but
    // other processes may still post to them.
    uint32_t flags = parent ? kFlagHidden : 0;
    window.fd = Publish(hwnd, window, flags, &window.path);
    s.windows.emplace(Value(hwnd), std::move(window));
  }
  SimDpiWindowCreated(hwnd);
  if (proc && proc(hwnd, WM_CREATE, 0, 0) == -1) {
    DestroyWindow(hwnd);
    return SimFailWith<HWND>(ERROR_INVALID_PARAMETER, nullptr);
  }
  SetLastError(ERROR_SUCCESS);
  return hwnd;
}

BOOL DestroyWindow(HWND window) {
  State& s = S();
  WNDPROC proc;
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    auto it = s.windows.find(Value(window));
    if (it == s.windows.end()) {
      bool remote_live = false;
      if (window && !IsLocal(window)) {
        Record record;
        remote_live = ReadLiveRecord(RecordPath(window), &record);
      }
      return SimFail(remote_live ? ERROR_ACCESS_DENIED : ERROR_INVALID_WINDOW_HANDLE);
    }
    proc = it->second.proc;
  }
  if (proc) proc(window, WM_DESTROY, 0, 0);
  std::lock_guard<std::mutex> guard(s.mutex);
  auto it = s.windows.find(Value(window));
  if (it == s.windows.end()) return TRUE;  // destroyed again from its WM_DESTROY
  Unpublish(it->second);
  s.windows.erase(it);
  SimDpiWindowDestroyed(window);
  for (auto m = s.queue.begin(); m != s.queue.end();)
    m = m->hwnd == window ? s.queue.erase(m) : m + 1;
  return TRUE;
}

BOOL IsWindow(HWND window) {
  if (!window) return FALSE;
  if (IsLocal(window)) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.mutex);
    return s.windows.count(Value(window)) ? TRUE : FALSE;
  }
  Record record;
  return ReadLiveRecord(RecordPath(window), &record) && record.header.pid == PidOf(window);
}

HWND FindWindowW(LPCWSTR class_name, LPCWSTR window_name) {
  std::u16string wanted_class;
  if (class_name && !ClassNameOf(class_name, &wanted_class)) return nullptr;
  HWND best = nullptr;
  uint64_t best_created = 0;
  std::string dir = WindowsDir();
  if (dir.empty()) {
    // Without a machine only this process's windows exist.
    State& s = S();
    std::lock_guard<std::mutex> guard(s.mutex);
    for (const auto& [value, window] : s.windows)
      if ((!class_name || SimEqualNoCase(window.class_name, wanted_class)) &&
          (!window_name || window.title == window_name))
        best = FromValue(value);
    return best;
  }
  DIR* d = opendir(dir.c_str());
  if (!d) return nullptr;
  std::vector<std::string> dead;
  while (dirent* e = readdir(d)) {
    char* end = nullptr;
    unsigned long long value = strtoull(e->d_name, &end, 10);
    if (value == 0 || !end || *end) continue;  // "." and records being written
    std::string path = dir + "/" + e->d_name;
    Record record;
    bool is_dead = false;
    if (!ReadLiveRecord(path, &record, &is_dead)) {
      if (is_dead) dead.push_back(path);
      continue;
    }
    if (record.header.flags & kFlagHidden) continue;
    if (class_name && !SimEqualNoCase(record.class_name, wanted_class)) continue;
    if (window_name && record.title != window_name) continue;
    // The newest match stands in for the top of the Z order.
    if (!best || record.header.created > best_created) {
      best = FromValue(static_cast<uintptr_t>(value));
      best_created = record.header.created;
    }
  }
  closedir(d);
  for (const auto& path : dead) RemoveIfDead(path);
  return best;
}

DWORD GetWindowThreadProcessId(HWND window, LPDWORD process_id) {
  if (window && IsLocal(window)) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.mutex);
    auto it = s.windows.find(Value(window));
    if (it != s.windows.end()) {
      if (process_id) *process_id = GetCurrentProcessId();
      return it->second.tid;
    }
  } else if (window) {
    Record record;
    if (ReadLiveRecord(RecordPath(window), &record) && record.header.pid == PidOf(window)) {
      if (process_id) *process_id = record.header.pid;
      return record.header.tid;
    }
  }
  return SimFailWith<DWORD>(ERROR_INVALID_WINDOW_HANDLE, 0);
}

BOOL PostMessageW(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  State& s = S();
  if (!window || IsLocal(window)) {
    std::lock_guard<std::mutex> guard(s.mutex);
    // A null window posts to the queue itself, like a thread message.
    if (window && !s.windows.count(Value(window))) return SimFail(ERROR_INVALID_WINDOW_HANDLE);
    MSG msg = {};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wparam;
    msg.lParam = lparam;
    msg.time = GetTickCount();
    s.queue.push_back(msg);
    s.arrived.notify_all();
    return TRUE;
  }
  Record record;
  if (!ReadLiveRecord(RecordPath(window), &record) || record.header.pid != PidOf(window))
    return SimFail(ERROR_INVALID_WINDOW_HANDLE);
  int fd;
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    fd = EnsureQueue(s);
  }
  if (fd < 0) return SimFail(ERROR_NOT_ENOUGH_MEMORY);
  Wire wire = {Value(window), message, GetTickCount(), static_cast<uint64_t>(wparam),
               static_cast<int64_t>(lparam)};
  socklen_t length;
  sockaddr_un address = QueueAddress(record.header.pid, &length);
  // The receiver's reader drains its socket continuously; a full socket only
  // means a short wait, a lasting one a receiver that stopped reading.
  for (int attempt = 0; attempt < 2000; ++attempt) {
    if (sendto(fd, &wire, sizeof(wire), MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&address),
               length) == static_cast<ssize_t>(sizeof(wire)))
      return TRUE;
    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
      return SimFail(ERROR_INVALID_WINDOW_HANDLE);
    Sleep(1);
  }
  return SimFail(kErrorNotEnoughQuota);
}

BOOL GetMessageW(LPMSG message, HWND window, UINT filter_min, UINT filter_max) {
  if (!message) return SimFailWith<BOOL>(ERROR_INVALID_PARAMETER, -1);
  State& s = S();
  std::unique_lock<std::mutex> lock(s.mutex);
  if (!FilterWindowValid(s, window)) return SimFailWith<BOOL>(ERROR_INVALID_WINDOW_HANDLE, -1);
  EnsureQueue(s);
  while (!TakeMessage(s, message, window, filter_min, filter_max, true)) s.arrived.wait(lock);
  return message->message == WM_QUIT ? FALSE : TRUE;
}

BOOL PeekMessageW(LPMSG message, HWND window, UINT filter_min, UINT filter_max, UINT remove) {
  if (!message) return SimFail(ERROR_INVALID_PARAMETER);
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  if (!FilterWindowValid(s, window)) return SimFail(ERROR_INVALID_WINDOW_HANDLE);
  EnsureQueue(s);
  return TakeMessage(s, message, window, filter_min, filter_max, (remove & PM_REMOVE) != 0)
             ? TRUE
             : FALSE;
}

LRESULT DispatchMessageW(const MSG* message) {
  if (!message || !message->hwnd) return 0;
  WNDPROC proc = nullptr;
  {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.mutex);
    auto it = s.windows.find(Value(message->hwnd));
    if (it == s.windows.end()) return SimFailWith<LRESULT>(ERROR_INVALID_WINDOW_HANDLE, 0);
    proc = it->second.proc;
  }
  return proc ? proc(message->hwnd, message->message, message->wParam, message->lParam) : 0;
}

LRESULT DefWindowProcW(HWND, UINT, WPARAM, LPARAM) { return 0; }

void PostQuitMessage(int exit_code) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  s.quit = true;
  s.quit_code = exit_code;
  s.arrived.notify_all();
}
