// Files and directories on the simulated host: real files under the machine's
// drives/ folder with Windows names, sharing rules and error codes.
#include "platform/files.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/kernel.h"
#include "platform/sim/files/SimCurrentDirectory.h"
#include "platform/sim/files/SimFileObject.h"
#include "platform/sim/files/SimFiles.h"
#include "platform/sim/core/SimAccessRules.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/core/SimLocks.h"
#include "platform/sim/files/SimPath.h"
#include "platform/sim/files/SimPathChecks.h"
#include "platform/sim/text/SimUnicode.h"

namespace {

constexpr DWORD kFileExecute = 0x0020;
constexpr DWORD kReadAccess = FILE_READ_DATA | kFileExecute;
constexpr DWORD kWriteAccess = FILE_WRITE_DATA | FILE_APPEND_DATA;
constexpr DWORD kCreateAttributes = FILE_ATTRIBUTE_READONLY | kSimStoredFileMask;
constexpr DWORD kFileWriteEa = 0x0010;
// What an operating-system file's ACL grants nobody: changing data,
// attributes or security, and deleting.
constexpr DWORD kChangeAccess =
    kWriteAccess | kFileWriteEa | FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER;

HANDLE FailHandle(DWORD error) {
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

DWORD MapGenericAccess(DWORD access) {
  DWORD out = access & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL |
                         static_cast<DWORD>(MAXIMUM_ALLOWED));
  if (access & GENERIC_READ) out |= FILE_READ_DATA | FILE_READ_ATTRIBUTES | READ_CONTROL;
  if (access & GENERIC_WRITE) out |= kWriteAccess | FILE_WRITE_ATTRIBUTES | READ_CONTROL;
  if (access & GENERIC_EXECUTE) out |= kFileExecute | FILE_READ_ATTRIBUTES | READ_CONTROL;
  if (access & (GENERIC_ALL | MAXIMUM_ALLOWED)) out |= FILE_ALL_ACCESS;
  return out;
}

// Sharing checks and the locks that follow are one step for every thread
// and process of the machine.
class ShareGate {
 public:
  ShareGate() : gate_(SimRunGateFd()) {}

 private:
  SimGateLock gate_;
};

bool Taken(int fd, SimLockByte byte) { return SimLockTaken(fd, byte, 1); }

// Parses a path and finds the existing entry it names: the spelling as given
// first, the case-insensitive lookup only when that fails.
DWORD OpenExisting(LPCWSTR path, int flags, SimWinPath* parsed, SimLocation* at, int* fd) {
  if (!path) return ERROR_INVALID_PARAMETER;
  if (DWORD error = SimParsePath(path, parsed)) return error;
  if (DWORD error = SimLocateExact(*parsed, at)) return error;
  *fd = SimOpenBeneath(*at, flags);
  if (*fd < 0 && (errno == ENOENT || errno == ENOTDIR)) {
    if (DWORD error = SimLocateExisting(*parsed, at)) return error;
    *fd = SimOpenBeneath(*at, flags);
  }
  return 0;
}

std::string FdPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// The operating-system mark of an entry that could not be opened for writing.
bool MarkedAt(const SimLocation& at) {
  int fd = SimOpenBeneath(at, O_PATH | O_NOFOLLOW);
  if (fd < 0) return false;
  struct stat st;
  bool marked = fstat(fd, &st) == 0 && SimIsOsFile(st.st_mode, fd);
  close(fd);
  return marked;
}

bool CopyData(int in, int out) {
  while (true) {
    ssize_t n = copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
    if (n == 0) return true;
    if (n > 0) continue;
    if (errno == EINTR) continue;
    if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) return false;
    break;
  }
  char buffer[65536];
  while (true) {
    ssize_t n = read(in, buffer, sizeof(buffer));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    for (ssize_t done = 0; done < n;) {
      ssize_t w = write(out, buffer + done, static_cast<size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) return false;
      done += w;
    }
  }
}

DWORD CopyOutPath(const std::u16string& text, DWORD size, LPWSTR buffer) {
  if (!buffer || size <= text.size()) return static_cast<DWORD>(text.size() + 1);
  std::memcpy(buffer, text.c_str(), (text.size() + 1) * sizeof(char16_t));
  return static_cast<DWORD>(text.size());
}

}  // namespace

// ---------------------------------------------------------------------------
// Handles

SimFileObject::~SimFileObject() {
  if (lock_fd_ >= 0) close(lock_fd_);
  if (fd_ >= 0) close(fd_);  // drops this handle's sharing locks
  if (!delete_on_close_.empty()) {
    if (directory_) rmdir(delete_on_close_.c_str());
    else unlink(delete_on_close_.c_str());
  }
}

bool SimFileObject::CanRead() const { return (access_ & kReadAccess) != 0; }
bool SimFileObject::CanWrite() const { return (access_ & kWriteAccess) != 0; }

HANDLE CreateFileW(LPCWSTR path, DWORD desired_access, DWORD share_mode, LPSECURITY_ATTRIBUTES,
                   DWORD disposition, DWORD flags, HANDLE) {
  if (!path || disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING)
    return FailHandle(ERROR_INVALID_PARAMETER);
  DWORD access = MapGenericAccess(desired_access);
  if (flags & FILE_FLAG_DELETE_ON_CLOSE) access |= DELETE;
  const bool want_read = access & kReadAccess;
  const bool want_write = access & kWriteAccess;
  const bool want_delete = access & DELETE;
  if (disposition == TRUNCATE_EXISTING && !(access & FILE_WRITE_DATA))
    return FailHandle(ERROR_INVALID_PARAMETER);
  const bool replaces = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
  if (std::u16string device = SimDosDeviceOf(path); !device.empty())
    return SimOpenDosDevice(device, access);

  SimWinPath parsed;
  if (DWORD error = SimParsePath(path, &parsed)) return FailHandle(error);
  SimLocation at;
  bool exists = true;
  DWORD error = parsed.parts.empty() ? SimLocateExact(parsed, &at)
                                     : SimLocateForCreate(parsed, &at, &exists);
  if (error) return FailHandle(error);
  if (DWORD denied = SimFileChangeDenied(parsed, exists, exists ? (access & kChangeAccess) || replaces : disposition != OPEN_EXISTING && disposition != TRUNCATE_EXISTING)) return FailHandle(denied);

  const int data_mode = want_write ? (want_read ? O_RDWR : O_WRONLY) : O_RDONLY;
  ShareGate gate;
  int fd = -1;
  struct stat st;
  if (exists) {
    if (disposition == CREATE_NEW) return FailHandle(ERROR_FILE_EXISTS);
    fd = SimOpenBeneath(at, data_mode | O_NONBLOCK);
    if (fd < 0 && errno == EISDIR) fd = SimOpenBeneath(at, O_RDONLY | O_DIRECTORY);
    if (fd < 0) return FailHandle(SimPathError(errno));
    fcntl(fd, F_SETFL, 0);  // O_NONBLOCK only kept a FIFO from stalling the open
    fstat(fd, &st);
    DWORD refusal = 0;
    if (((access & kChangeAccess) || replaces || (flags & FILE_FLAG_DELETE_ON_CLOSE)) &&
        SimIsOsFile(st.st_mode, fd)) {
      refusal = ERROR_ACCESS_DENIED;
    } else if (S_ISDIR(st.st_mode)) {
      if (!(flags & FILE_FLAG_BACKUP_SEMANTICS) || replaces) refusal = ERROR_ACCESS_DENIED;
    } else {
      bool read_only = !(st.st_mode & S_IWUSR);
      if (read_only && (want_write || replaces || (flags & FILE_FLAG_DELETE_ON_CLOSE)))
        refusal = ERROR_ACCESS_DENIED;
      // Overwriting a hidden or system file must restate those attributes.
      if (!refusal && disposition == CREATE_ALWAYS && (st.st_mode & kSimAttrMark)) {
        DWORD needed = SimStoredAttributes(st.st_mode, FdPath(fd)) &
                       (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
        if ((flags & needed) != needed) refusal = ERROR_ACCESS_DENIED;
      }
    }
    if (refusal) {
      close(fd);
      return FailHandle(refusal);
    }
  } else {
    if (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING)
      return FailHandle(ERROR_FILE_NOT_FOUND);
    fd = SimOpenBeneath(at, data_mode | O_CREAT | O_EXCL, 0644);
    if (fd < 0) return FailHandle(errno == EEXIST ? ERROR_FILE_EXISTS : SimPathError(errno));
    fstat(fd, &st);
  }

  // Locks need a readable descriptor; a write-only handle gets a second one.
  int lock_fd = -1;
  if (data_mode == O_WRONLY) {
    lock_fd = open(FdPath(fd).c_str(), O_RDONLY | O_CLOEXEC);
    if (lock_fd < 0) {
      int saved = errno;
      close(fd);
      return FailHandle(SimErrorFromErrno(saved));
    }
  }
  const int locks = lock_fd >= 0 ? lock_fd : fd;
  // Opens for attributes only neither check nor record sharing, as on Windows.
  if (want_read || want_write || want_delete) {
    if (exists) {
      bool conflict = (want_read && Taken(locks, kSimDenyRead)) ||
                      (want_write && Taken(locks, kSimDenyWrite)) ||
                      (want_delete && Taken(locks, kSimDenyDelete)) ||
                      (want_write && Taken(locks, kSimImage)) ||
                      (!(share_mode & FILE_SHARE_READ) && Taken(locks, kSimHasRead)) ||
                      (!(share_mode & FILE_SHARE_WRITE) && Taken(locks, kSimHasWrite)) ||
                      (!(share_mode & FILE_SHARE_DELETE) && Taken(locks, kSimHasDelete));
      if (conflict) {
        if (lock_fd >= 0) close(lock_fd);
        close(fd);
        return FailHandle(ERROR_SHARING_VIOLATION);
      }
    }
    bool locked = (!want_read || SimLockShared(locks, kSimHasRead)) &&
                  (!want_write || SimLockShared(locks, kSimHasWrite)) &&
                  (!want_delete || SimLockShared(locks, kSimHasDelete)) &&
                  ((share_mode & FILE_SHARE_READ) || SimLockShared(locks, kSimDenyRead)) &&
                  ((share_mode & FILE_SHARE_WRITE) || SimLockShared(locks, kSimDenyWrite)) &&
                  ((share_mode & FILE_SHARE_DELETE) || SimLockShared(locks, kSimDenyDelete));
    if (!locked) {
      if (lock_fd >= 0) close(lock_fd);
      close(fd);
      return FailHandle(ERROR_SHARING_VIOLATION);
    }
  }
  if (exists && replaces && !S_ISDIR(st.st_mode)) {
    if (ftruncate(fd, 0) != 0) {
      int saved = errno;
      if (lock_fd >= 0) close(lock_fd);
      close(fd);
      return FailHandle(SimErrorFromErrno(saved));
    }
  }
  // A new or overwritten file takes the attributes asked for, plus archive.
  if (!exists || disposition == CREATE_ALWAYS)
    SimApplyAttributes(fd, st.st_mode, (flags & kCreateAttributes) | FILE_ATTRIBUTE_ARCHIVE);

  bool append_only = (access & FILE_APPEND_DATA) && !(access & FILE_WRITE_DATA);
  auto object = std::make_shared<SimFileObject>(
      fd, lock_fd, access, S_ISDIR(st.st_mode), append_only,
      (flags & FILE_FLAG_DELETE_ON_CLOSE) ? at.Abs() : std::string());
  HANDLE handle = SimHandles::Add(std::move(object));
  if (!exists) SimNoteCreator(parsed);
  SetLastError(exists && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS)
                   ? ERROR_ALREADY_EXISTS
                   : ERROR_SUCCESS);
  return handle;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytes_to_read, LPDWORD bytes_read,
              LPOVERLAPPED overlapped) {
  if (bytes_read) *bytes_read = 0;
  auto object = SimHandles::GetAs<SimFileObject>(file);
  if (!object) return SimFail(ERROR_INVALID_HANDLE);
  if (overlapped) return SimFail(ERROR_INVALID_PARAMETER);
  if (object->IsDirectory()) return SimFail(ERROR_INVALID_FUNCTION);
  if (!object->CanRead()) return SimFail(ERROR_ACCESS_DENIED);
  if (!buffer && bytes_to_read) return SimFail(ERROR_NOACCESS);
  DWORD done = 0;
  while (done < bytes_to_read) {
    ssize_t n = read(object->Fd(), static_cast<char*>(buffer) + done, bytes_to_read - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return SimFail(SimErrorFromErrno(errno));
    if (n == 0) break;  // end of file: success with fewer bytes
    done += static_cast<DWORD>(n);
  }
  if (bytes_read) *bytes_read = done;
  return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytes_to_write, LPDWORD bytes_written,
               LPOVERLAPPED overlapped) {
  if (bytes_written) *bytes_written = 0;
  auto object = SimHandles::GetAs<SimFileObject>(file);
  if (!object) return SimFail(ERROR_INVALID_HANDLE);
  if (overlapped) return SimFail(ERROR_INVALID_PARAMETER);
  if (object->IsDirectory()) return SimFail(ERROR_INVALID_FUNCTION);
  if (!object->CanWrite()) return SimFail(ERROR_ACCESS_DENIED);
  if (!buffer && bytes_to_write) return SimFail(ERROR_NOACCESS);
  if (object->Appends()) lseek(object->Fd(), 0, SEEK_END);
  DWORD done = 0;
  while (done < bytes_to_write) {
    ssize_t n =
        write(object->Fd(), static_cast<const char*>(buffer) + done, bytes_to_write - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (bytes_written) *bytes_written = done;
      return SimFail(n < 0 ? SimErrorFromErrno(errno) : ERROR_DISK_FULL);
    }
    done += static_cast<DWORD>(n);
  }
  if (bytes_written) *bytes_written = done;
  return TRUE;
}

BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, PLARGE_INTEGER new_position,
                      DWORD move_method) {
  auto object = SimHandles::GetAs<SimFileObject>(file);
  if (!object) return SimFail(ERROR_INVALID_HANDLE);
  int whence;
  switch (move_method) {
    case FILE_BEGIN: whence = SEEK_SET; break;
    case FILE_CURRENT: whence = SEEK_CUR; break;
    case FILE_END: whence = SEEK_END; break;
    default: return SimFail(ERROR_INVALID_PARAMETER);
  }
  off_t base = whence == SEEK_SET ? 0 : lseek(object->Fd(), 0, whence);
  if (base < 0) return SimFail(SimErrorFromErrno(errno));
  long long target = 0;
  if (__builtin_add_overflow(static_cast<long long>(base), distance.QuadPart, &target))
    return SimFail(ERROR_INVALID_PARAMETER);
  if (target < 0) return SimFail(ERROR_NEGATIVE_SEEK);
  off_t result = lseek(object->Fd(), static_cast<off_t>(target), SEEK_SET);
  if (result < 0) return SimFail(SimErrorFromErrno(errno));
  if (new_position) new_position->QuadPart = result;
  return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distance_high, DWORD move_method) {
  LARGE_INTEGER move;
  if (distance_high)
    move.QuadPart = static_cast<LONGLONG>((static_cast<uint64_t>(static_cast<uint32_t>(
                                               *distance_high))
                                           << 32) |
                                          static_cast<uint32_t>(distance));
  else
    move.QuadPart = distance;  // sign-extended, as on Windows
  LARGE_INTEGER position;
  if (!SetFilePointerEx(file, move, &position, move_method)) return INVALID_SET_FILE_POINTER;
  if (distance_high) *distance_high = static_cast<LONG>(position.QuadPart >> 32);
  DWORD low = static_cast<DWORD>(position.QuadPart);
  // The caller tells a real position 0xFFFFFFFF from failure by the last error.
  if (low == INVALID_SET_FILE_POINTER) SetLastError(ERROR_SUCCESS);
  return low;
}

BOOL GetFileSizeEx(HANDLE file, PLARGE_INTEGER size) {
  auto object = SimHandles::GetAs<SimFileObject>(file);
  if (!object) return SimFail(ERROR_INVALID_HANDLE);
  if (!size) return SimFail(ERROR_INVALID_PARAMETER);
  struct stat st;
  if (fstat(object->Fd(), &st) != 0) return SimFail(SimErrorFromErrno(errno));
  size->QuadPart = S_ISDIR(st.st_mode) ? 0 : st.st_size;
  return TRUE;
}

DWORD GetFileSize(HANDLE file, LPDWORD size_high) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file, &size)) return INVALID_FILE_SIZE;
  if (size_high) *size_high = static_cast<DWORD>(static_cast<uint64_t>(size.QuadPart) >> 32);
  DWORD low = static_cast<DWORD>(size.QuadPart);
  if (low == INVALID_FILE_SIZE) SetLastError(ERROR_SUCCESS);
  return low;
}

BOOL SetEndOfFile(HANDLE file) {
  auto object = SimHandles::GetAs<SimFileObject>(file);
  if (!object) return SimFail(ERROR_INVALID_HANDLE);
  if (object->IsDirectory()) return SimFail(ERROR_INVALID_FUNCTION);
  if (!object->CanWrite()) return SimFail(ERROR_ACCESS_DENIED);
  off_t position = lseek(object->Fd(), 0, SEEK_CUR);
  if (position < 0 || ftruncate(object->Fd(), position) != 0)
    return SimFail(SimErrorFromErrno(errno));
  return TRUE;
}

BOOL FlushFileBuffers(HANDLE file) {
  auto object = SimHandles::GetAs<SimFileObject>(file);
  if (!object) return SimFail(ERROR_INVALID_HANDLE);
  if (!object->CanWrite()) return SimFail(ERROR_ACCESS_DENIED);
  if (fdatasync(object->Fd()) != 0) return SimFail(SimErrorFromErrno(errno));
  return TRUE;
}

// ---------------------------------------------------------------------------
// Deleting and copying

BOOL DeleteFileW(LPCWSTR path) {
  // The hot path of every tree removal: one open, one lock query, one stat,
  // close and unlink. Opening for writing is what makes the kernel report a
  // file that a live process runs from (ETXTBSY); O_NOFOLLOW keeps links and
  // O_NONBLOCK keeps FIFOs from being opened through.
  constexpr int kProbe = O_WRONLY | O_NONBLOCK | O_NOFOLLOW;
  SimWinPath parsed;
  SimLocation at;
  int fd = -1;
  if (DWORD error = OpenExisting(path, kProbe, &parsed, &at, &fd)) return SimFail(error);
  if (DWORD denied = SimFileChangeDenied(parsed, true, true)) { if (fd >= 0) close(fd); return SimFail(denied); }
  if (at.IsRoot()) {
    if (fd >= 0) close(fd);
    return SimFail(ERROR_ACCESS_DENIED);
  }
  if (fd < 0) {
    switch (errno) {
      case ELOOP:  // the entry is a link: nothing can hold it open
        // A link to a folder is a directory: RemoveDirectoryW removes it.
        if (SimIsDirectoryLinkAt(at)) return SimFail(ERROR_ACCESS_DENIED);
        break;
      case ENXIO:  // a FIFO or socket
        break;
      case ETXTBSY: {
        // A running image: deleting it is refused unless a handle already
        // denies the delete open itself.
        int probe = SimOpenBeneath(at, O_RDONLY | O_NONBLOCK | O_NOFOLLOW);
        bool held = probe >= 0 && !MarkedAt(at) && SimLockTaken(probe, kSimDenyDelete);
        if (probe >= 0) close(probe);
        return SimFail(held ? ERROR_SHARING_VIOLATION : ERROR_ACCESS_DENIED);
      }
      case EISDIR: return SimFail(ERROR_ACCESS_DENIED);
      case EACCES:
      case EPERM: {
        // Not writable for us: still a sharing violation when held, else denied.
        int probe = SimOpenBeneath(at, O_RDONLY | O_NONBLOCK | O_NOFOLLOW);
        struct stat st;
        bool marked = probe >= 0 && fstat(probe, &st) == 0 && SimIsOsFile(st.st_mode, probe);
        bool held = !marked && probe >= 0 && SimLockTaken(probe, kSimDenyDelete);
        if (probe >= 0) close(probe);
        return SimFail(held ? ERROR_SHARING_VIOLATION : ERROR_ACCESS_DENIED);
      }
      default: return SimFail(SimPathError(errno));
    }
  } else {
    static_assert(kSimImage == kSimDenyDelete + 1, "one query covers both bytes");
    bool held = SimLockTaken(fd, kSimDenyDelete, 2);
    // Only a handle that denies delete is a sharing violation; an image in use
    // (a running program, a loaded library) refuses the deletion itself.
    bool image = held && !SimLockTaken(fd, kSimDenyDelete);
    struct stat st;
    bool stated = fstat(fd, &st) == 0;
    bool read_only = stated && !(st.st_mode & S_IWUSR);
    // The ACL is checked before sharing; unmarked files skip the xattr read.
    bool marked = stated && SimIsOsFile(st.st_mode, fd);
    close(fd);
    if (marked || image) return SimFail(ERROR_ACCESS_DENIED);
    if (held) return SimFail(ERROR_SHARING_VIOLATION);
    if (read_only) return SimFail(ERROR_ACCESS_DENIED);
  }
  if (unlinkat(at.root, at.rel.c_str(), 0) != 0) return SimFail(SimPathError(errno));
  return TRUE;
}

BOOL CopyFileW(LPCWSTR existing, LPCWSTR new_name, BOOL fail_if_exists) {
  if (!existing || !new_name) return SimFail(ERROR_INVALID_PARAMETER);
  SimWinPath source_path;
  SimLocation source;
  int in = -1;
  if (DWORD error = OpenExisting(existing, O_RDONLY | O_NONBLOCK, &source_path, &source, &in))
    return SimFail(error);
  if (in < 0) return SimFail(SimPathError(errno));
  struct stat source_st;
  fstat(in, &source_st);
  if (S_ISDIR(source_st.st_mode)) {
    close(in);
    return SimFail(ERROR_ACCESS_DENIED);
  }
  if (Taken(in, kSimDenyRead)) {
    close(in);
    return SimFail(ERROR_SHARING_VIOLATION);
  }
  fcntl(in, F_SETFL, 0);
  DWORD source_stored = SimStoredAttributes(source_st.st_mode, FdPath(in));

  SimWinPath target_path;
  SimLocation target;
  bool exists = false;
  DWORD error = SimParsePath(new_name, &target_path);
  if (!error) error = SimLocateForCreate(target_path, &target, &exists);
  if (!error && target.IsRoot()) error = ERROR_ACCESS_DENIED;
  if (!error) error = SimFileChangeDenied(target_path, exists, true);
  if (!error && exists && fail_if_exists) error = ERROR_FILE_EXISTS;
  if (error) {
    close(in);
    return SimFail(error);
  }

  int out = -1;
  if (exists) {
    out = SimOpenBeneath(target, O_WRONLY | O_NONBLOCK);
    struct stat st;
    if (out < 0) {
      int saved = errno;
      if (saved == ETXTBSY)
        error = MarkedAt(target) ? ERROR_ACCESS_DENIED : ERROR_SHARING_VIOLATION;
      else
        error = SimPathError(saved);
    } else if (fstat(out, &st) != 0) {
      error = SimErrorFromErrno(errno);
    } else if (st.st_dev == source_st.st_dev && st.st_ino == source_st.st_ino) {
      error = ERROR_SHARING_VIOLATION;
    } else if (SimIsOsFile(st.st_mode, out) || !(st.st_mode & S_IWUSR) ||
               (SimStoredAttributes(st.st_mode, FdPath(out)) & FILE_ATTRIBUTE_HIDDEN)) {
      error = ERROR_ACCESS_DENIED;
    } else if (SimLockTaken(out, kSimHasRead, kSimImage - kSimHasRead + 1)) {
      error = ERROR_SHARING_VIOLATION;  // the copy opens its target exclusively
    } else if (ftruncate(out, 0) != 0) {
      error = SimErrorFromErrno(errno);
    }
  } else {
    out = SimOpenBeneath(target, O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (out < 0) error = errno == EEXIST ? ERROR_FILE_EXISTS : SimPathError(errno);
  }
  if (!error) {
    fcntl(out, F_SETFL, 0);
    if (!CopyData(in, out)) error = SimErrorFromErrno(errno);
  }
  if (!error) {
    // The copy keeps the source's write time and attributes, plus archive.
    struct timespec times[2] = {{0, UTIME_NOW}, source_st.st_mtim};
    futimens(out, times);
    struct stat st;
    fstat(out, &st);
    DWORD attributes = source_stored | FILE_ATTRIBUTE_ARCHIVE;
    if (!(source_st.st_mode & S_IWUSR)) attributes |= FILE_ATTRIBUTE_READONLY;
    SimApplyAttributes(out, st.st_mode, attributes);
  }
  close(in);
  if (out >= 0) close(out);
  if (error) {
    if (!exists && out >= 0) unlinkat(target.root, target.rel.c_str(), 0);
    return SimFail(error);
  }
  return TRUE;
}

// ---------------------------------------------------------------------------
// Attributes and directories

DWORD GetFileAttributesW(LPCWSTR path) {
  if (std::u16string device = path ? SimDosDeviceOf(path) : u""; !device.empty())
    return SimDosDeviceAttributes(device);
  SimWinPath parsed;
  SimLocation at;
  int fd = -1;
  if (DWORD error = OpenExisting(path, O_PATH | O_NOFOLLOW, &parsed, &at, &fd))
    return SimFailWith<DWORD>(error, INVALID_FILE_ATTRIBUTES);
  if (fd < 0) return SimFailWith<DWORD>(SimPathError(errno), INVALID_FILE_ATTRIBUTES);
  struct stat st;
  int rc = fstat(fd, &st);
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
  if (rc == 0) {
    attributes = SimAttributesFrom(st.st_mode, SimStoredAttributes(st.st_mode, FdPath(fd)));
    if (at.IsRoot()) attributes |= FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    if (S_ISLNK(st.st_mode) && SimIsDirectoryLinkAt(at))
      attributes = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
  }
  close(fd);
  if (rc != 0) return SimFailWith<DWORD>(SimErrorFromErrno(errno), INVALID_FILE_ATTRIBUTES);
  return attributes;
}

BOOL SetFileAttributesW(LPCWSTR path, DWORD attributes) {
  SimWinPath parsed;
  SimLocation at;
  int fd = -1;
  if (DWORD error = OpenExisting(path, O_RDONLY | O_NONBLOCK | O_NOFOLLOW, &parsed, &at, &fd))
    return SimFail(error);
  if (DWORD denied = SimFileChangeDenied(parsed, true, true)) { if (fd >= 0) close(fd); return SimFail(denied); }
  if (fd < 0) {
    if (errno == ELOOP || errno == ENXIO) return TRUE;  // links and FIFOs keep nothing
    return SimFail(SimPathError(errno));
  }
  struct stat st;
  if (!at.IsRoot() && fstat(fd, &st) == 0 && SimIsOsFile(st.st_mode, fd)) {
    close(fd);
    return SimFail(ERROR_ACCESS_DENIED);
  }
  bool ok = at.IsRoot() || (fstat(fd, &st) == 0 && SimApplyAttributes(fd, st.st_mode, attributes));
  int saved = errno;
  close(fd);
  if (!ok) return SimFail(SimErrorFromErrno(saved));
  return TRUE;
}

BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES) {
  if (!path) return SimFail(ERROR_INVALID_PARAMETER);
  // The length is checked first: a long path is "too long", not "not found".
  if (DWORD error = SimCheckNewDirectoryPath(path)) return SimFail(error);
  SimWinPath parsed;
  if (DWORD error = SimParsePath(path, &parsed)) return SimFail(error);
  SimLocation at;
  bool exists = false;
  if (parsed.parts.empty()) {
    if (DWORD error = SimLocateExact(parsed, &at)) return SimFail(error);
    return SimFail(ERROR_ALREADY_EXISTS);
  }
  if (DWORD error = SimLocateForCreate(parsed, &at, &exists)) return SimFail(error);
  if (exists) return SimFail(ERROR_ALREADY_EXISTS);
  if (DWORD denied = SimFileChangeDenied(parsed, false, true, true)) return SimFail(denied);
  int parent = SimOpenParent(at);
  if (parent < 0) return SimFail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : SimPathError(errno));
  int rc = mkdirat(parent, at.Leaf().c_str(), 0755);
  int saved = errno;
  close(parent);
  if (rc != 0) return SimFail(SimPathError(saved));
  SimNoteCreator(parsed);
  return TRUE;
}

BOOL RemoveDirectoryW(LPCWSTR path) {
  SimWinPath parsed;
  SimLocation at;
  int fd = -1;
  if (DWORD error =
          OpenExisting(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK, &parsed, &at, &fd))
    return SimFail(error);
  if (DWORD denied = SimFileChangeDenied(parsed, true, true)) { if (fd >= 0) close(fd); return SimFail(denied); }
  if (fd < 0) {
    int saved = errno;
    if (saved == ENOTDIR || saved == ELOOP) {
      // A link to a folder goes itself; what it points at stays.
      if (!at.IsRoot() && SimIsDirectoryLinkAt(at)) {
        int parent = SimOpenParent(at);
        if (parent < 0) return SimFail(SimPathError(errno));
        int rc = unlinkat(parent, at.Leaf().c_str(), 0);
        saved = errno;
        close(parent);
        return rc == 0 ? TRUE : SimFail(SimPathError(saved));
      }
      return SimFail(ERROR_DIRECTORY);
    }
    return SimFail(SimPathError(saved));
  }
  struct stat st;
  fstat(fd, &st);
  DWORD error = 0;
  if (at.IsRoot() || SimIsOsFile(st.st_mode, fd))
    error = ERROR_ACCESS_DENIED;
  else if (SimStoredAttributes(st.st_mode, FdPath(fd)) & FILE_ATTRIBUTE_READONLY)
    error = ERROR_ACCESS_DENIED;
  else if (SimLockTaken(fd, kSimDenyDelete))
    error = ERROR_SHARING_VIOLATION;
  close(fd);
  if (error) return SimFail(error);
  // The process's current directory is held open, as on Windows.
  std::u16string current = SimHost::CurrentDirectory();
  if (SimEqualNoCase(current, parsed.Text() + u"\\")) return SimFail(ERROR_SHARING_VIOLATION);
  int parent = SimOpenParent(at);
  if (parent < 0) return SimFail(SimPathError(errno));
  int rc = unlinkat(parent, at.Leaf().c_str(), AT_REMOVEDIR);
  int saved = errno;
  close(parent);
  if (rc != 0) {
    if (saved == ENOTEMPTY || saved == EEXIST) return SimFail(ERROR_DIR_NOT_EMPTY);
    return SimFail(SimPathError(saved));
  }
  return TRUE;
}

// ---------------------------------------------------------------------------
// Paths

DWORD GetFullPathNameW(LPCWSTR path, DWORD size, LPWSTR buffer, LPWSTR* file_part) {
  if (!path) return SimFailWith<DWORD>(ERROR_INVALID_PARAMETER, 0);
  DWORD error = 0;
  std::u16string full = SimFullPath(path, &error);
  if (error) return SimFailWith<DWORD>(error, 0);
  if (std::u16string device = SimDosDeviceOf(path); !device.empty()) full = u"\\\\.\\" + device;
  DWORD result = CopyOutPath(full, size, buffer);
  if (result == full.size() && file_part) {
    size_t slash = full.rfind(u'\\');
    *file_part = slash + 1 < full.size() ? buffer + slash + 1 : nullptr;
  }
  return result;
}

DWORD GetCurrentDirectoryW(DWORD size, LPWSTR buffer) {
  std::u16string current = SimHost::CurrentDirectory();
  if (current.size() > 3 && current.back() == u'\\') current.pop_back();
  return CopyOutPath(current, size, buffer);
}

BOOL SetCurrentDirectoryW(LPCWSTR path) {
  if (!path) return SimFail(ERROR_INVALID_PARAMETER);
  DWORD error = 0;
  std::u16string full = SimFullPath(path, &error);
  if (error) return SimFail(error);
  if (DWORD e = SimCheckCurrentDirectoryPath(full)) return SimFail(e);
  SimWinPath parsed;
  SimLocation at;
  int fd = -1;
  if (DWORD e = OpenExisting(full.c_str(), O_RDONLY | O_NONBLOCK, &parsed, &at, &fd))
    return SimFail(e);
  if (fd < 0) return SimFail(SimPathError(errno));
  struct stat st;
  bool is_dir = fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
  if (!is_dir) {
    close(fd);
    return SimFail(ERROR_DIRECTORY);
  }
  SimHoldCurrentDirectory(fd);
  SimHost::SetCurrentDirectory(full);
  return TRUE;
}

DWORD GetTempPathW(DWORD size, LPWSTR buffer) {
  std::u16string value;
  for (const char16_t* name : {u"TEMP", u"TMP", u"USERPROFILE", u"SystemRoot"}) {
    char16_t text[1024];
    DWORD n = GetEnvironmentVariableW(name, text, 1024);
    if (n > 0 && n < 1024) {
      value.assign(text, n);
      break;
    }
  }
  if (value.empty()) value = u"C:\\Windows";
  DWORD error = 0;
  std::u16string full = SimFullPath(value, &error);
  if (error) return SimFailWith<DWORD>(error, 0);
  if (full.back() != u'\\') full += u'\\';
  SetLastError(ERROR_SUCCESS);
  return CopyOutPath(full, size, buffer);
}
