// The last presented frame of each visible top-level window, kept as
// run/frames/<hwnd>.frame: a header (size, where the frame lies in the window,
// class and title), then premultiplied BGRA rows. The file is made beside its
// name and renamed into place once; later frames are written over it in place
// (a new 1 MB file per frame would keep the disk's writeback busy) between two
// steps of a sequence number, odd while writing, so a reader that sees it
// change or odd reads again and never takes half a frame. Like the window
// records, the writer holds a kSimHolder lock on it, so a killed owner's
// frame is known dead and never taken for a live window.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <dirent.h>
#include <sched.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/canvas.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/core/SimLocks.h"
#include "platform/sim/display/SimPresent.h"
#include "platform/sim/display/present_internal.h"
#include "platform/sim/windows/SimWindowState.h"
#include "platform/sim/windows/window_records.h"

namespace simdisplay {

namespace {

constexpr uint32_t kFrameMagic = 0x4D524653;  // "SFRM"

struct FrameHeader {
  uint32_t magic;
  uint32_t sequence;  // odd while a frame is being written
  int32_t width;
  int32_t height;
  int32_t origin_x;
  int32_t origin_y;
  uint32_t class_length;
  uint32_t title_length;
};

std::mutex& FramesMutex() {
  static std::mutex* mutex = new std::mutex;  // used until the process ends
  return *mutex;
}

// The locked descriptor of each window's frame file, and its sequence.
struct HeldFrame {
  int fd = -1;
  uint32_t sequence = 0;
  off_t size = 0;
};
std::map<uintptr_t, HeldFrame>& Held() {
  static auto* held = new std::map<uintptr_t, HeldFrame>;
  return *held;
}

std::string FramesDir() {
  auto machine = SimHost::Machine();
  if (!machine) return std::string();
  mkdir(machine->RunDir().c_str(), 0755);
  std::string dir = machine->RunDir() + "/frames";
  mkdir(dir.c_str(), 0755);
  return dir;
}

std::string FramePath(const std::string& dir, uintptr_t hwnd) {
  return dir + "/" + std::to_string(hwnd) + ".frame";
}

void RemoveLocked(uintptr_t hwnd) {
  auto it = Held().find(hwnd);
  if (it == Held().end()) return;
  std::string dir = FramesDir();
  if (!dir.empty()) {
    SimGateLock gate(SimRunGateFd());
    unlink(FramePath(dir, hwnd).c_str());
  }
  close(it->second.fd);
  Held().erase(it);
}

bool ReadAll(int fd, void* data, size_t size, off_t offset) {
  auto* bytes = static_cast<char*>(data);
  while (size) {
    ssize_t got = pread(fd, bytes, size, offset);
    if (got <= 0) return false;
    bytes += got;
    size -= static_cast<size_t>(got);
    offset += got;
  }
  return true;
}

bool ParseFrame(int fd, SimFrame* out) {
  for (int attempt = 0; attempt < 1000; ++attempt) {
    FrameHeader header;
    if (!ReadAll(fd, &header, sizeof(header), 0) || header.magic != kFrameMagic) return false;
    if (header.sequence & 1) {
      sched_yield();  // being written
      continue;
    }
    if (header.width <= 0 || header.height <= 0 || header.width > kCanvasMaxSide ||
        header.height > kCanvasMaxSide || header.class_length > 65536 || header.title_length > 65536)
      return false;
    out->width = header.width;
    out->height = header.height;
    out->origin_x = header.origin_x;
    out->origin_y = header.origin_y;
    off_t offset = sizeof(header) + (header.class_length + header.title_length) * sizeof(char16_t);
    out->pixels.resize(static_cast<size_t>(header.width) * header.height);
    bool read = ReadAll(fd, out->pixels.data(), out->pixels.size() * sizeof(uint32_t), offset);
    uint32_t after = 0;
    if (!ReadAll(fd, &after, sizeof(after), offsetof(FrameHeader, sequence))) return false;
    if (read && after == header.sequence) return true;
  }
  return false;
}

// Opens a frame that a live process holds; removes a dead one. The gate keeps
// the removal from racing a writer that is putting a new file in place.
int OpenLiveFrame(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  if (SimLockTaken(fd, kSimHolder)) return fd;
  close(fd);
  SimGateLock gate(SimRunGateFd());
  fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  if (SimLockTaken(fd, kSimHolder)) return fd;
  unlink(path.c_str());
  close(fd);
  return -1;
}

}  // namespace

bool WriteFrame(HWND window, const Snapshot& frame) {
  std::lock_guard<std::mutex> guard(FramesMutex());
  std::string dir = FramesDir();
  if (dir.empty()) return false;
  uintptr_t value = simwin::Value(window);
  auto held = Held().find(value);
  uint32_t sequence = held == Held().end() ? 0 : held->second.sequence + 1;
  FrameHeader header = {kFrameMagic,
                        sequence,
                        frame.width,
                        frame.height,
                        frame.origin_x,
                        frame.origin_y,
                        static_cast<uint32_t>(frame.class_name.size()),
                        static_cast<uint32_t>(frame.title.size())};
  iovec parts[4] = {
      {&header, sizeof(header)},
      {const_cast<char16_t*>(frame.class_name.data()), frame.class_name.size() * sizeof(char16_t)},
      {const_cast<char16_t*>(frame.title.data()), frame.title.size() * sizeof(char16_t)},
      {const_cast<uint32_t*>(frame.pixels->data()), frame.pixels->size() * sizeof(uint32_t)}};
  size_t total = 0;
  for (const auto& part : parts) total += part.iov_len;

  if (held != Held().end()) {
    // Odd first, the frame, then even again: readers retry in between.
    HeldFrame& file = held->second;
    const uint32_t done = sequence + 1;
    bool ok = pwrite(file.fd, &sequence, sizeof(sequence), offsetof(FrameHeader, sequence)) ==
                  static_cast<ssize_t>(sizeof(sequence)) &&
              pwritev(file.fd, parts, 4, 0) == static_cast<ssize_t>(total) &&
              (file.size <= static_cast<off_t>(total) || ftruncate(file.fd, static_cast<off_t>(total)) == 0) &&
              pwrite(file.fd, &done, sizeof(done), offsetof(FrameHeader, sequence)) ==
                  static_cast<ssize_t>(sizeof(done));
    file.sequence = done;
    file.size = static_cast<off_t>(total);
    return ok;
  }

  std::string path = FramePath(dir, value);
  std::string temporary = path + ".new";
  int fd = open(temporary.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = writev(fd, parts, 4) == static_cast<ssize_t>(total) && SimLockShared(fd, kSimHolder);
  if (ok) {
    SimGateLock gate(SimRunGateFd());
    ok = rename(temporary.c_str(), path.c_str()) == 0;
  }
  if (!ok) {
    unlink(temporary.c_str());
    close(fd);
    return false;
  }
  Held()[value] = HeldFrame{fd, sequence, static_cast<off_t>(total)};
  return true;
}

void RemoveFrame(HWND window) {
  std::lock_guard<std::mutex> guard(FramesMutex());
  RemoveLocked(simwin::Value(window));
}

}  // namespace simdisplay

bool SimFindFrame(const std::u16string* title, const std::u16string* class_name, SimFrame* out) {
  std::string dir = simdisplay::FramesDir();
  if (dir.empty()) return false;
  DIR* listing = opendir(dir.c_str());
  if (!listing) return false;
  std::vector<std::string> names;
  while (dirent* entry = readdir(listing)) {
    std::string name = entry->d_name;
    if (name.size() > 6 && name.compare(name.size() - 6, 6, ".frame") == 0) names.push_back(name);
  }
  closedir(listing);
  for (const std::string& name : names) {
    char* end = nullptr;
    uintptr_t value = std::strtoull(name.c_str(), &end, 10);
    if (!end || std::strcmp(end, ".frame") != 0 || value == 0) continue;
    HWND hwnd = simwin::FromValue(value);
    int fd = simdisplay::OpenLiveFrame(dir + "/" + name);
    if (fd < 0) continue;
    // Matched against the window's current record: its title may have changed.
    simwin::Record record;
    bool ok = simwin::ReadLiveRecord(simwin::RecordPath(hwnd), &record) &&
              record.header.pid == simwin::PidOf(hwnd) &&
              (!title || record.title == *title) &&
              (!class_name || record.class_name == *class_name) && simdisplay::ParseFrame(fd, out);
    close(fd);
    if (!ok) continue;
    out->window = hwnd;
    out->title = record.title;
    out->class_name = record.class_name;
    return true;
  }
  return false;
}
