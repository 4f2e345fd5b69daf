#include "platform/sim/files/SimFiles.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <vector>

#include "platform/sim/core/SimHost.h"
#include "platform/sim/text/SimUnicode.h"

namespace {

constexpr const char* kWinAttrName = "user.winattr";

// 100-ns intervals between 1601-01-01 and 1970-01-01.
constexpr int64_t kEpochDifference = 116444736000000000ll;

std::string RelFromReal(const SimDriveSet& drives, char16_t drive, const std::string& real) {
  std::string base = drives.DriveDir(drive);
  if (real.size() <= base.size() + 1) return ".";
  return real.substr(base.size() + 1);
}

DWORD Bind(const SimWinPath& path, SimLocation* out) {
  out->drives = SimCurrentDrives();
  if (!out->drives) return ERROR_PATH_NOT_FOUND;
  out->drive = path.drive;
  out->root = out->drives->Root(path.drive);
  if (out->root < 0) return ERROR_PATH_NOT_FOUND;
  return 0;
}

}  // namespace

SimDriveSet::~SimDriveSet() {
  for (int fd : fds_)
    if (fd >= 0) close(fd);
}

int SimDriveSet::Root(char16_t letter) {
  if (letter >= u'a' && letter <= u'z') letter = static_cast<char16_t>(letter - 32);
  if (letter < u'A' || letter > u'Z') return -1;
  std::lock_guard<std::mutex> guard(mutex_);
  int& fd = fds_[letter - u'A'];
  // A missing drive is not remembered: it may be added while we run.
  if (fd < 0) fd = open(DriveDir(letter).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  return fd;
}

std::string SimDriveSet::DriveDir(char16_t letter) const {
  if (letter >= u'A' && letter <= u'Z') letter = static_cast<char16_t>(letter + 32);
  return drives_dir_ + "/" + static_cast<char>(letter);
}

std::shared_ptr<SimDriveSet> SimCurrentDrives() {
  auto machine = SimHost::Machine();
  if (!machine) return nullptr;
  static std::mutex mutex;
  static const SimMachine* cached_machine = nullptr;
  static auto* cached_weak = new std::weak_ptr<SimMachine>;
  static auto* cached = new std::shared_ptr<SimDriveSet>;
  std::lock_guard<std::mutex> guard(mutex);
  // The weak pointer tells a new machine from an old one at the same address.
  if (cached_machine != machine.get() || cached_weak->expired() || !*cached) {
    *cached = std::make_shared<SimDriveSet>(machine->DrivesDir());
    cached_machine = machine.get();
    *cached_weak = machine;
  }
  return *cached;
}

std::string SimLocation::Leaf() const {
  size_t slash = rel.rfind('/');
  return slash == std::string::npos ? rel : rel.substr(slash + 1);
}

std::string SimLocation::ParentRel() const {
  size_t slash = rel.rfind('/');
  return slash == std::string::npos ? std::string(".") : rel.substr(0, slash);
}

std::string SimLocation::Abs() const {
  std::string base = drives ? drives->DriveDir(drive) : std::string();
  return IsRoot() ? base : base + "/" + rel;
}

DWORD SimLocateExact(const SimWinPath& path, SimLocation* out) {
  if (DWORD error = Bind(path, out)) return error;
  if (path.parts.empty()) {
    out->rel.assign(1, '.');  // not = ".": GCC 12 warns wrongly (-Wrestrict)
    return 0;
  }
  out->rel.clear();
  for (const auto& part : path.parts) {
    if (!out->rel.empty()) out->rel += '/';
    out->rel += SimToUtf8(part);
  }
  return 0;
}

DWORD SimLocateExisting(const SimWinPath& path, SimLocation* out) {
  if (DWORD error = Bind(path, out)) return error;
  std::string real;
  if (DWORD error = SimResolveExisting(path, &real)) return error;
  out->rel = RelFromReal(*out->drives, path.drive, real);
  return 0;
}

DWORD SimLocateForCreate(const SimWinPath& path, SimLocation* out, bool* exists) {
  if (DWORD error = Bind(path, out)) return error;
  std::string real;
  if (DWORD error = SimResolveForCreate(path, &real, exists)) return error;
  out->rel = RelFromReal(*out->drives, path.drive, real);
  return 0;
}

int SimOpenBeneath(int root, const std::string& rel, int flags, mode_t mode) {
  static std::atomic<bool> no_openat2{false};
  flags |= O_CLOEXEC;
  if (!no_openat2.load(std::memory_order_relaxed)) {
    struct open_how how = {};
    how.flags = static_cast<uint64_t>(flags);
    how.mode = (flags & (O_CREAT | O_TMPFILE)) ? mode : 0;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    for (int attempt = 0; attempt < 8; ++attempt) {
      long fd = syscall(SYS_openat2, root, rel.c_str(), &how, sizeof(how));
      if (fd >= 0) return static_cast<int>(fd);
      if (errno != EAGAIN) break;  // a concurrent rename; try again
    }
    if (errno != ENOSYS) return -1;
    no_openat2 = true;
  }
  return openat(root, rel.c_str(), flags, mode);
}

int SimOpenParent(const SimLocation& at) {
  return SimOpenBeneath(at.root, at.ParentRel(), O_PATH | O_DIRECTORY);
}

DWORD SimPathError(int error) {
  if (error == EXDEV || error == ELOOP) return ERROR_ACCESS_DENIED;
  return SimErrorFromErrno(error);
}

DWORD SimDefaultStored(mode_t mode) {
  return S_ISDIR(mode) || S_ISLNK(mode) ? 0 : FILE_ATTRIBUTE_ARCHIVE;
}

namespace {

// The raw stored value; 0 when none (or unreadable).
DWORD RawStoredFd(int fd) {
  char text[16];
  ssize_t n = fgetxattr(fd, kWinAttrName, text, sizeof(text) - 1);
  if (n < 0 && errno == EBADF) {  // an O_PATH descriptor
    std::string path = "/proc/self/fd/" + std::to_string(fd);
    n = getxattr(path.c_str(), kWinAttrName, text, sizeof(text) - 1);
  }
  if (n <= 0) return 0;
  text[n] = 0;
  return static_cast<DWORD>(strtoul(text, nullptr, 10));
}

DWORD RawStoredPath(const std::string& path) {
  char text[16];
  ssize_t n = getxattr(path.c_str(), kWinAttrName, text, sizeof(text) - 1);
  if (n <= 0) return 0;
  text[n] = 0;
  return static_cast<DWORD>(strtoul(text, nullptr, 10));
}

}  // namespace

bool SimIsOsFile(mode_t mode, int fd) {
  if (S_ISLNK(mode) || !(mode & kSimAttrMark)) return false;
  return (RawStoredFd(fd) & kSimOsFileBit) != 0;
}

bool SimIsOsFileAt(mode_t mode, const std::string& path) {
  if (S_ISLNK(mode) || !(mode & kSimAttrMark)) return false;
  return (RawStoredPath(path) & kSimOsFileBit) != 0;
}

bool SimMarkOsFile(int fd) {
  struct stat st;
  if (fstat(fd, &st) != 0) return false;
  DWORD stored = SimStoredAttributes(st.st_mode, "/proc/self/fd/" + std::to_string(fd));
  std::string text = std::to_string(stored | kSimOsFileBit);
  if (fsetxattr(fd, kWinAttrName, text.data(), text.size(), 0) != 0) return false;
  return (st.st_mode & kSimAttrMark) || fchmod(fd, (st.st_mode & 07777) | kSimAttrMark) == 0;
}

bool SimMarkOsFileAt(const std::string& path, mode_t mode) {
  std::string text = std::to_string(SimStoredAttributes(mode, path) | kSimOsFileBit);
  if (setxattr(path.c_str(), kWinAttrName, text.data(), text.size(), 0) != 0) return false;
  return (mode & kSimAttrMark) || chmod(path.c_str(), (mode & 07777) | kSimAttrMark) == 0;
}

DWORD SimStoredAttributes(mode_t mode, const std::string& path_for_xattr) {
  if (S_ISLNK(mode) || !(mode & kSimAttrMark)) return SimDefaultStored(mode);
  char text[16];
  ssize_t n = getxattr(path_for_xattr.c_str(), kWinAttrName, text, sizeof(text) - 1);
  if (n <= 0) return 0;  // marked without xattr: nothing stored, not even archive
  text[n] = 0;
  DWORD value = static_cast<DWORD>(strtoul(text, nullptr, 10));
  return value & (S_ISDIR(mode) ? kSimStoredDirMask : kSimStoredFileMask);
}

DWORD SimAttributesFrom(mode_t mode, DWORD stored) {
  if (S_ISLNK(mode)) return FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT;
  if (S_ISDIR(mode)) return FILE_ATTRIBUTE_DIRECTORY | stored;
  DWORD attributes = stored;
  if (!(mode & S_IWUSR)) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

bool SimApplyAttributes(int fd, mode_t mode, DWORD attributes) {
  bool dir = S_ISDIR(mode);
  DWORD stored = attributes & (dir ? kSimStoredDirMask : kSimStoredFileMask);
  // Attributes never take the operating-system mark away.
  if ((mode & kSimAttrMark) && !S_ISLNK(mode)) stored |= RawStoredFd(fd) & kSimOsFileBit;
  mode_t new_mode = mode & 07777;
  if (!dir) {
    if (attributes & FILE_ATTRIBUTE_READONLY)
      new_mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    else
      new_mode |= S_IWUSR;
  }
  if (stored == SimDefaultStored(mode)) {
    if (mode & kSimAttrMark) fremovexattr(fd, kWinAttrName);
    new_mode &= ~kSimAttrMark;
  } else {
    bool kept = true;
    if (stored != 0) {
      std::string text = std::to_string(stored);
      kept = fsetxattr(fd, kWinAttrName, text.data(), text.size(), 0) == 0;
    } else if (mode & kSimAttrMark) {
      fremovexattr(fd, kWinAttrName);
    }
    // Without xattrs the request is ignored rather than half kept.
    if (kept) new_mode |= kSimAttrMark;
    else new_mode &= ~kSimAttrMark;
  }
  if (new_mode != (mode & 07777) && fchmod(fd, new_mode) != 0) return false;
  return true;
}

FILETIME SimFileTime(int64_t seconds, int64_t nanoseconds) {
  int64_t value = seconds * 10000000ll + nanoseconds / 100 + kEpochDifference;
  if (value < 0) value = 0;
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(value);
  time.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(value) >> 32);
  return time;
}

std::u16string SimFullPath(std::u16string_view path, DWORD* error) {
  *error = 0;
  if (path.empty()) {
    *error = ERROR_INVALID_NAME;
    return std::u16string();
  }
  // "\\?\" paths are taken literally.
  if (path.size() >= 4 && path[0] == u'\\' && path[1] == u'\\' && path[2] == u'?' &&
      path[3] == u'\\')
    return std::u16string(path);
  if (path.size() >= 4 && path[0] == u'\\' && path[1] == u'?' && path[2] == u'?' &&
      path[3] == u'\\')
    path.remove_prefix(4);
  if (path.empty()) {
    *error = ERROR_INVALID_NAME;
    return std::u16string();
  }
  SimFullPathParts split;
  SimSplitFullPath(path, &split);
  std::u16string out = split.prefix + u"\\";
  for (size_t k = 0; k < split.parts.size(); ++k) {
    if (k) out += u'\\';
    out += split.parts[k];
  }
  if (split.trailing && !split.parts.empty()) out += u'\\';
  return out;
}
