// Windows that other processes of the machine can find.
//
// A window is published as run/windows/<hwnd>, a small record (class, title,
// owner) whose kSimHolder lock the owner holds: a killed owner leaves only a
// dead record behind.
#include "platform/sim/windows/window_records.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "platform/kernel.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/core/SimLocks.h"

namespace simwin {

namespace {

constexpr uint32_t kRecordMagic = 0x4E495753;  // "SWIN"

uint64_t MonotonicNs() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000000000ull + static_cast<uint64_t>(ts.tv_nsec);
}

uint32_t StateFlags(const Window& window) {
  return ((window.style & WS_VISIBLE) ? kFlagVisible : 0) |
         ((window.style & WS_MINIMIZE) ? kFlagMinimized : 0);
}

}  // namespace

std::string WindowsDir() {
  auto machine = SimHost::Machine();
  if (!machine) return std::string();
  mkdir(machine->RunDir().c_str(), 0755);
  std::string dir = machine->RunDir() + "/windows";
  mkdir(dir.c_str(), 0755);
  return dir;
}

bool ReadLiveRecord(const std::string& path, Record* record, bool* dead) {
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

bool RemoteAlive(HWND hwnd) {
  Record record;
  return ReadLiveRecord(RecordPath(hwnd), &record) && record.header.pid == PidOf(hwnd);
}

// Writes the record beside its final name and renames it into place, so a
// reader never sees half a record. Returns the locked descriptor or -1.
int Publish(HWND hwnd, Window& window, uint32_t flags, std::string* path) {
  *path = RecordPath(hwnd);
  if (path->empty()) return -1;
  std::string temporary = *path + ".new";
  int fd = open(temporary.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return -1;
  window.published_state = StateFlags(window);
  flags |= window.published_state;
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

void RepublishState(HWND hwnd, Window& window) {
  if (window.fd < 0 || window.published_state == StateFlags(window)) return;
  Unpublish(window);
  window.fd = Publish(hwnd, window, window.record_flags, &window.path);
}

bool ReadRemoteFlags(HWND hwnd, uint32_t* flags) {
  Record record;
  if (!ReadLiveRecord(RecordPath(hwnd), &record) || record.header.pid != PidOf(hwnd)) return false;
  *flags = record.header.flags;
  return true;
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

}  // namespace simwin
