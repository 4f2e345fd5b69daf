// Named file mappings, mutexes and events shared by the processes of a machine.
//
// An object is a file under run/objects/<Global|Local>/. Each process opens it
// once (one file description per object per process, shared by all its handles
// and views) and holds a shared lock on kSimHolder through that description; the
// object "exists" while any other description holds that byte. The kernel drops
// the locks of a process however it ends, so a killed process leaves nothing
// live behind: the next creator finds no holder and resets the stale content.
#include <errno.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/kernel.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/core/SimLocks.h"
#include "platform/sim/files/SimPath.h"
#include "platform/sim/text/SimUnicode.h"

namespace {

constexpr DWORD kErrorMappedAlignment = 1132;
constexpr uint64_t kAllocationGranularity = 65536;

// File layout: a header page, then the mapping's data (mmap offsets must be
// page aligned).
constexpr off_t kDataOffset = 4096;
constexpr off_t kKindAt = 0;
constexpr off_t kManualResetAt = 1;  // event
constexpr off_t kSignaledAt = 2;     // event
constexpr off_t kOwnedAt = 3;        // mutex: set while some thread owns it
constexpr off_t kProtectAt = 4;      // mapping
constexpr off_t kSizeAt = 8;         // mapping, 8 bytes

enum class Kind : uint8_t { kMapping = 1, kMutex = 2, kEvent = 3 };

uint8_t ReadByte(int fd, off_t at) {
  uint8_t value = 0;
  return pread(fd, &value, 1, at) == 1 ? value : 0;
}

// A failed write means the run directory is gone; the object is unusable then anyway.
void WriteByte(int fd, off_t at, uint8_t value) { (void)!pwrite(fd, &value, 1, at); }

// Polls until ready() or the time-out; the first check is immediate.
template <class F>
bool PollUntil(DWORD milliseconds, F ready) {
  if (ready()) return true;
  if (milliseconds == 0) return false;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  DWORD step = 1;
  while (true) {
    if (milliseconds != INFINITE) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return ready();
      if (static_cast<DWORD>(left.count()) < step) step = static_cast<DWORD>(left.count());
    }
    Sleep(step);
    if (ready()) return true;
    if (step < 5) ++step;
  }
}

// One object as this process sees it. Handles, views and mutex ownership each
// count as a hold; the last one to go closes the description.
class KernelObject {
 public:
  KernelObject(Kind kind, int fd, std::string path) : kind(kind), fd(fd), path(std::move(path)) {}
  virtual ~KernelObject() = default;
  virtual DWORD Wait(DWORD milliseconds) {
    (void)milliseconds;
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }

  const Kind kind;
  int fd;
  const std::string path;  // empty for unnamed objects
  int holds = 0;           // guarded by the table's mutex
};

class ObjectTable {
 public:
  static ObjectTable& Get() {
    static ObjectTable* table = new ObjectTable;  // outlives static destructors
    return *table;
  }
  std::mutex mutex;
  std::map<std::string, std::shared_ptr<KernelObject>> named;

  void Retain(KernelObject* object) {
    std::lock_guard<std::mutex> guard(mutex);
    ++object->holds;
  }

  void Drop(const std::shared_ptr<KernelObject>& object) {
    std::lock_guard<std::mutex> guard(mutex);
    if (--object->holds > 0) return;
    if (object->path.empty()) {
      close(object->fd);
      object->fd = -1;
      return;
    }
    named.erase(object->path);
    SimGateLock gate(SimRunGateFd());
    // The last holder tidies up; a killed one leaves a stale file that the
    // next creator resets.
    if (!SimLockTaken(object->fd, kSimHolder)) unlink(object->path.c_str());
    close(object->fd);
    object->fd = -1;
  }
};

class MutexObject : public KernelObject {
 public:
  using KernelObject::KernelObject;

  DWORD Wait(DWORD milliseconds) override {
    const DWORD self = GetCurrentThreadId();
    std::unique_lock<std::mutex> lock(mutex_);
    if (owner_ == self) {
      ++recursion_;
      return WAIT_OBJECT_0;
    }
    // One thread of this process at a time competes for the process-wide lock.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (busy_) {
      if (milliseconds == INFINITE) {
        changed_.wait(lock);
      } else if (changed_.wait_until(lock, deadline) == std::cv_status::timeout && busy_) {
        return WAIT_TIMEOUT;
      }
    }
    busy_ = true;
    lock.unlock();
    bool got;
    if (milliseconds == INFINITE) {
      got = SimLockExclusive(fd, kSimOwner, true);
    } else {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      DWORD rest = left.count() > 0 ? static_cast<DWORD>(left.count()) : 0;
      got = PollUntil(rest, [this] { return SimLockExclusive(fd, kSimOwner, false); });
    }
    lock.lock();
    if (!got) {
      busy_ = false;
      changed_.notify_one();
      if (milliseconds == INFINITE) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
      }
      return WAIT_TIMEOUT;
    }
    // The mark survives an owner that died holding the lock.
    bool abandoned = ReadByte(fd, kOwnedAt) != 0;
    WriteByte(fd, kOwnedAt, 1);
    owner_ = self;
    recursion_ = 1;
    ObjectTable::Get().Retain(this);  // ownership outlives the handles
    return abandoned ? WAIT_ABANDONED : WAIT_OBJECT_0;
  }

  BOOL Release(const std::shared_ptr<KernelObject>& self_ref) {
    {
      std::lock_guard<std::mutex> guard(mutex_);
      if (owner_ != GetCurrentThreadId()) return SimFail(ERROR_NOT_OWNER);
      if (--recursion_ > 0) return TRUE;
      WriteByte(fd, kOwnedAt, 0);
      SimUnlock(fd, kSimOwner);
      owner_ = 0;
      busy_ = false;
      changed_.notify_one();
    }
    ObjectTable::Get().Drop(self_ref);
    return TRUE;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  DWORD owner_ = 0;
  uint32_t recursion_ = 0;
  bool busy_ = false;  // a thread of this process owns or is acquiring the lock
};

class EventObject : public KernelObject {
 public:
  using KernelObject::KernelObject;

  DWORD Wait(DWORD milliseconds) override {
    bool manual = ReadByte(fd, kManualResetAt) != 0;
    bool got = PollUntil(milliseconds, [&] {
      if (ReadByte(fd, kSignaledAt) == 0) return false;
      if (manual) return true;
      // An auto-reset event lets exactly one waiter through.
      std::lock_guard<std::mutex> guard(mutex_);
      SimGateLock gate(SimRunGateFd());
      if (ReadByte(fd, kSignaledAt) == 0) return false;
      WriteByte(fd, kSignaledAt, 0);
      return true;
    });
    return got ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
  }

  void SetState(bool signaled) {
    std::lock_guard<std::mutex> guard(mutex_);
    SimGateLock gate(SimRunGateFd());
    WriteByte(fd, kSignaledAt, signaled ? 1 : 0);
  }

 private:
  std::mutex mutex_;  // unnamed events have no machine gate to lean on
};

std::shared_ptr<KernelObject> MakeObject(Kind kind, int fd, std::string path) {
  switch (kind) {
    case Kind::kMutex:
      return std::make_shared<MutexObject>(kind, fd, std::move(path));
    case Kind::kEvent:
      return std::make_shared<EventObject>(kind, fd, std::move(path));
    default:
      return std::make_shared<KernelObject>(kind, fd, std::move(path));
  }
}

// What a HANDLE refers to: one hold on the object plus the access granted.
class ObjectHandle : public SimObject {
 public:
  ObjectHandle(std::shared_ptr<KernelObject> object, DWORD access)
      : object_(std::move(object)), access_(access) {}
  ~ObjectHandle() override { ObjectTable::Get().Drop(object_); }
  DWORD Wait(DWORD milliseconds) override { return object_->Wait(milliseconds); }
  const std::shared_ptr<KernelObject>& Object() const { return object_; }
  DWORD Access() const { return access_; }

 private:
  std::shared_ptr<KernelObject> object_;
  DWORD access_;
};

// Escapes a name into one file name: ASCII letters, digits, "." and "-" stay
// (letter case matters, as in object names), every other UTF-16 unit becomes
// "_XXXX". Long names keep a readable prefix and a hash of the whole.
std::string FileNameFor(std::u16string_view name) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = "n";  // never "." or ".."
  for (char16_t c : name) {
    if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
        c == u'.' || c == u'-') {
      out += static_cast<char>(c);
    } else {
      out += '_';
      for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 0xF];
    }
  }
  if (out.size() <= 200) return out;
  uint64_t h1 = 1469598103934665603ull, h2 = 0x9E3779B97F4A7C15ull;
  for (char16_t c : name) {
    h1 = (h1 ^ c) * 1099511628211ull;
    h2 = (h2 ^ c) * 0x100000001B3ull + 0x632BE59BD9B4E019ull;
    h2 ^= h2 >> 29;
  }
  out.resize(100);
  out += '~';
  for (uint64_t h : {h1, h2})
    for (int shift = 60; shift >= 0; shift -= 4) out += kHex[(h >> shift) & 0xF];
  return out;
}

bool HasPrefixNoCase(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() && SimEqualNoCase(text.substr(0, prefix.size()), prefix);
}

// The real path of a named object; empty without a machine.
std::string ObjectPath(LPCWSTR name) {
  auto machine = SimHost::Machine();
  if (!machine) return std::string();
  std::u16string_view text(name);
  std::string space = "Local";
  if (HasPrefixNoCase(text, u"Global\\")) {
    space = "Global";
    text.remove_prefix(7);
  } else if (HasPrefixNoCase(text, u"Local\\")) {
    text.remove_prefix(6);
  }
  std::string dir = machine->RunDir() + "/objects";
  mkdir(machine->RunDir().c_str(), 0755);
  mkdir(dir.c_str(), 0755);
  dir += "/" + space;
  mkdir(dir.c_str(), 0755);
  return dir + "/" + FileNameFor(text);
}

// The initial content of a fresh object.
struct Creation {
  Kind kind;
  uint64_t size = 0;   // mapping
  uint8_t protect = 0; // mapping
  bool manual_reset = false;
  bool signaled = false;
};

bool Initialise(int fd, const Creation& c) {
  if (ftruncate(fd, 0) != 0 || ftruncate(fd, kDataOffset + static_cast<off_t>(c.size)) != 0)
    return false;
  uint8_t header[16] = {};
  header[kKindAt] = static_cast<uint8_t>(c.kind);
  header[kManualResetAt] = c.manual_reset ? 1 : 0;
  header[kSignaledAt] = c.signaled ? 1 : 0;
  header[kProtectAt] = c.protect;
  std::memcpy(header + kSizeAt, &c.size, sizeof(c.size));
  return pwrite(fd, header, sizeof(header), 0) == static_cast<ssize_t>(sizeof(header));
}

// Creates the object or opens the live one of that name. *existed tells which;
// an object of another kind under the name fails with ERROR_INVALID_HANDLE.
std::shared_ptr<KernelObject> CreateObject(LPCWSTR name, const Creation& c, bool* existed) {
  *existed = false;
  if (!name || !*name) {
    int fd = memfd_create("simobject", MFD_CLOEXEC);
    if (fd < 0) return SimFailWith<std::shared_ptr<KernelObject>>(SimErrorFromErrno(errno), nullptr);
    if (!Initialise(fd, c)) {
      close(fd);
      return SimFailWith<std::shared_ptr<KernelObject>>(ERROR_NOT_ENOUGH_MEMORY, nullptr);
    }
    auto object = MakeObject(c.kind, fd, std::string());
    object->holds = 1;
    return object;
  }
  std::string path = ObjectPath(name);
  if (path.empty()) return SimFailWith<std::shared_ptr<KernelObject>>(ERROR_PATH_NOT_FOUND, nullptr);
  ObjectTable& table = ObjectTable::Get();
  std::lock_guard<std::mutex> guard(table.mutex);
  auto it = table.named.find(path);
  if (it != table.named.end()) {
    if (it->second->kind != c.kind)
      return SimFailWith<std::shared_ptr<KernelObject>>(ERROR_INVALID_HANDLE, nullptr);
    *existed = true;
    ++it->second->holds;
    return it->second;
  }
  SimGateLock gate(SimRunGateFd());
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return SimFailWith<std::shared_ptr<KernelObject>>(ERROR_PATH_NOT_FOUND, nullptr);
  if (SimLockTaken(fd, kSimHolder)) {
    if (ReadByte(fd, kKindAt) != static_cast<uint8_t>(c.kind)) {
      close(fd);
      return SimFailWith<std::shared_ptr<KernelObject>>(ERROR_INVALID_HANDLE, nullptr);
    }
    *existed = true;
  } else if (!Initialise(fd, c)) {
    close(fd);
    return SimFailWith<std::shared_ptr<KernelObject>>(ERROR_NOT_ENOUGH_MEMORY, nullptr);
  }
  if (!SimLockShared(fd, kSimHolder)) {
    close(fd);
    return SimFailWith<std::shared_ptr<KernelObject>>(ERROR_ACCESS_DENIED, nullptr);
  }
  auto object = MakeObject(c.kind, fd, path);
  object->holds = 1;
  table.named.emplace(path, object);
  return object;
}

// Opens a live object; ERROR_FILE_NOT_FOUND when there is none.
std::shared_ptr<KernelObject> OpenObject(LPCWSTR name, Kind kind) {
  if (!name) return SimFailWith<std::shared_ptr<KernelObject>>(ERROR_INVALID_PARAMETER, nullptr);
  std::string path = ObjectPath(name);
  if (path.empty()) return SimFailWith<std::shared_ptr<KernelObject>>(ERROR_FILE_NOT_FOUND, nullptr);
  ObjectTable& table = ObjectTable::Get();
  std::lock_guard<std::mutex> guard(table.mutex);
  auto it = table.named.find(path);
  if (it != table.named.end()) {
    if (it->second->kind != kind)
      return SimFailWith<std::shared_ptr<KernelObject>>(ERROR_INVALID_HANDLE, nullptr);
    ++it->second->holds;
    return it->second;
  }
  SimGateLock gate(SimRunGateFd());
  int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return SimFailWith<std::shared_ptr<KernelObject>>(ERROR_FILE_NOT_FOUND, nullptr);
  DWORD error = 0;
  if (!SimLockTaken(fd, kSimHolder)) error = ERROR_FILE_NOT_FOUND;
  else if (ReadByte(fd, kKindAt) != static_cast<uint8_t>(kind)) error = ERROR_INVALID_HANDLE;
  else if (!SimLockShared(fd, kSimHolder)) error = ERROR_ACCESS_DENIED;
  if (error) {
    close(fd);
    return SimFailWith<std::shared_ptr<KernelObject>>(error, nullptr);
  }
  auto object = MakeObject(kind, fd, path);
  object->holds = 1;
  table.named.emplace(path, object);
  return object;
}

HANDLE AddHandle(std::shared_ptr<KernelObject> object, DWORD access, bool existed) {
  HANDLE handle = SimHandles::Add(std::make_shared<ObjectHandle>(std::move(object), access));
  SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return handle;
}

template <class T>
std::shared_ptr<T> ObjectOf(HANDLE handle, Kind kind, std::shared_ptr<ObjectHandle>* out = nullptr) {
  auto h = SimHandles::GetAs<ObjectHandle>(handle);
  if (!h || h->Object()->kind != kind) return nullptr;
  if (out) *out = h;
  return std::static_pointer_cast<T>(h->Object());
}

struct View {
  std::shared_ptr<KernelObject> object;
  size_t length;
};

std::mutex& ViewsMutex() {
  static std::mutex* mutex = new std::mutex;
  return *mutex;
}
std::map<uintptr_t, View>& Views() {
  static auto* views = new std::map<uintptr_t, View>;
  return *views;
}

}  // namespace

HANDLE CreateFileMappingW(HANDLE file, LPSECURITY_ATTRIBUTES, DWORD protect,
                          DWORD maximum_size_high, DWORD maximum_size_low, LPCWSTR name) {
  // Only mappings backed by the paging file are needed by the program.
  if (file != INVALID_HANDLE_VALUE) return SimFailWith<HANDLE>(ERROR_NOT_SUPPORTED, nullptr);
  uint8_t page = static_cast<uint8_t>(protect & 0xFF);
  if (page != PAGE_READONLY && page != PAGE_READWRITE)
    return SimFailWith<HANDLE>(ERROR_INVALID_PARAMETER, nullptr);
  Creation c{Kind::kMapping};
  c.size = (static_cast<uint64_t>(maximum_size_high) << 32) | maximum_size_low;
  c.protect = page;
  if (c.size == 0) return SimFailWith<HANDLE>(ERROR_INVALID_PARAMETER, nullptr);
  bool existed = false;
  auto object = CreateObject(name, c, &existed);
  if (!object) return nullptr;
  return AddHandle(std::move(object), FILE_MAP_ALL_ACCESS, existed);
}

HANDLE OpenFileMappingW(DWORD desired_access, BOOL, LPCWSTR name) {
  auto object = OpenObject(name, Kind::kMapping);
  if (!object) return nullptr;
  return AddHandle(std::move(object), desired_access, false);
}

LPVOID MapViewOfFile(HANDLE mapping, DWORD desired_access, DWORD offset_high, DWORD offset_low,
                     SIZE_T bytes) {
  std::shared_ptr<ObjectHandle> handle;
  auto object = ObjectOf<KernelObject>(mapping, Kind::kMapping, &handle);
  if (!object) return SimFailWith<LPVOID>(ERROR_INVALID_HANDLE, nullptr);
  bool copy = desired_access == FILE_MAP_COPY;
  bool write = (desired_access & FILE_MAP_WRITE) != 0;
  if (!copy && !write && !(desired_access & FILE_MAP_READ))
    return SimFailWith<LPVOID>(ERROR_INVALID_PARAMETER, nullptr);
  bool may_write = ReadByte(object->fd, kProtectAt) == PAGE_READWRITE &&
                   (handle->Access() & FILE_MAP_WRITE) != 0;
  if (write && !may_write) return SimFailWith<LPVOID>(ERROR_ACCESS_DENIED, nullptr);
  uint64_t offset = (static_cast<uint64_t>(offset_high) << 32) | offset_low;
  if (offset % kAllocationGranularity != 0)
    return SimFailWith<LPVOID>(kErrorMappedAlignment, nullptr);
  uint64_t size = 0;
  if (pread(object->fd, &size, sizeof(size), kSizeAt) != sizeof(size))
    return SimFailWith<LPVOID>(ERROR_INVALID_HANDLE, nullptr);
  if (offset >= size) return SimFailWith<LPVOID>(ERROR_ACCESS_DENIED, nullptr);
  if (bytes == 0) bytes = static_cast<SIZE_T>(size - offset);
  if (bytes > size - offset) return SimFailWith<LPVOID>(ERROR_ACCESS_DENIED, nullptr);
  int prot = write || copy ? PROT_READ | PROT_WRITE : PROT_READ;
  void* base = mmap(nullptr, bytes, prot, copy ? MAP_PRIVATE : MAP_SHARED, object->fd,
                    kDataOffset + static_cast<off_t>(offset));
  if (base == MAP_FAILED) return SimFailWith<LPVOID>(ERROR_NOT_ENOUGH_MEMORY, nullptr);
  ObjectTable::Get().Retain(object.get());  // a view keeps the object alive
  std::lock_guard<std::mutex> guard(ViewsMutex());
  Views()[reinterpret_cast<uintptr_t>(base)] = View{object, bytes};
  return base;
}

BOOL UnmapViewOfFile(LPCVOID base) {
  View view;
  {
    std::lock_guard<std::mutex> guard(ViewsMutex());
    auto it = Views().find(reinterpret_cast<uintptr_t>(base));
    if (it == Views().end()) return SimFail(ERROR_INVALID_ADDRESS);
    view = std::move(it->second);
    Views().erase(it);
  }
  munmap(const_cast<void*>(base), view.length);
  ObjectTable::Get().Drop(view.object);
  return TRUE;
}

HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES, BOOL initial_owner, LPCWSTR name) {
  bool existed = false;
  auto object = CreateObject(name, Creation{Kind::kMutex}, &existed);
  if (!object) return nullptr;
  // Only the creator may take initial ownership.
  if (initial_owner && !existed) object->Wait(INFINITE);
  return AddHandle(std::move(object), MUTEX_ALL_ACCESS, existed);
}

HANDLE OpenMutexW(DWORD desired_access, BOOL, LPCWSTR name) {
  auto object = OpenObject(name, Kind::kMutex);
  if (!object) return nullptr;
  return AddHandle(std::move(object), desired_access, false);
}

BOOL ReleaseMutex(HANDLE mutex) {
  auto object = ObjectOf<MutexObject>(mutex, Kind::kMutex);
  if (!object) return SimFail(ERROR_INVALID_HANDLE);
  return object->Release(object);
}

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES, BOOL manual_reset, BOOL initial_state, LPCWSTR name) {
  Creation c{Kind::kEvent};
  c.manual_reset = manual_reset != FALSE;
  c.signaled = initial_state != FALSE;
  bool existed = false;
  auto object = CreateObject(name, c, &existed);
  if (!object) return nullptr;
  return AddHandle(std::move(object), EVENT_ALL_ACCESS, existed);
}

HANDLE OpenEventW(DWORD desired_access, BOOL, LPCWSTR name) {
  auto object = OpenObject(name, Kind::kEvent);
  if (!object) return nullptr;
  return AddHandle(std::move(object), desired_access, false);
}

BOOL SetEvent(HANDLE event) {
  auto object = ObjectOf<EventObject>(event, Kind::kEvent);
  if (!object) return SimFail(ERROR_INVALID_HANDLE);
  object->SetState(true);
  return TRUE;
}

BOOL ResetEvent(HANDLE event) {
  auto object = ObjectOf<EventObject>(event, Kind::kEvent);
  if (!object) return SimFail(ERROR_INVALID_HANDLE);
  object->SetState(false);
  return TRUE;
}
