// Information about an open file, and its basic information set through the
// handle (which keeps working after the name it was opened by is deleted).
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/sim/files/SimFileObject.h"
#include "platform/sim/files/SimFiles.h"
#include "platform/sim/files/SimPath.h"

namespace {

// 100-ns intervals between 1601-01-01 and 1970-01-01.
constexpr int64_t kEpochDifference = 116444736000000000ll;

std::string FdPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// A FILE_BASIC_INFO time as a timespec; UTIME_OMIT for zero (and for -1,
// which on Windows stops later automatic updates).
struct timespec ToTimespec(const LARGE_INTEGER& time) {
  struct timespec out = {0, UTIME_OMIT};
  if (time.QuadPart == 0 || time.QuadPart == -1) return out;
  int64_t since_1970 = time.QuadPart - kEpochDifference;
  int64_t seconds = since_1970 / 10000000;
  int64_t rest = since_1970 % 10000000;
  if (rest < 0) {
    rest += 10000000;
    --seconds;
  }
  out.tv_sec = static_cast<time_t>(seconds);
  out.tv_nsec = static_cast<long>(rest * 100);
  return out;
}

}  // namespace

BOOL GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION information) {
  auto object = SimHandles::GetAs<SimFileObject>(file);
  if (!object) return SimFail(ERROR_INVALID_HANDLE);
  if (!information) return SimFail(ERROR_INVALID_PARAMETER);
  struct statx st;
  if (statx(object->Fd(), "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &st) != 0)
    return SimFail(SimErrorFromErrno(errno));
  BY_HANDLE_FILE_INFORMATION out = {};
  out.dwFileAttributes =
      SimAttributesFrom(st.stx_mode, SimStoredAttributes(st.stx_mode, FdPath(object->Fd())));
  out.ftCreationTime = (st.stx_mask & STATX_BTIME)
                           ? SimFileTime(st.stx_btime.tv_sec, st.stx_btime.tv_nsec)
                           : SimFileTime(st.stx_ctime.tv_sec, st.stx_ctime.tv_nsec);
  out.ftLastAccessTime = SimFileTime(st.stx_atime.tv_sec, st.stx_atime.tv_nsec);
  out.ftLastWriteTime = SimFileTime(st.stx_mtime.tv_sec, st.stx_mtime.tv_nsec);
  // One serial per volume: the device the drive's folder lives on.
  const uint64_t device = (static_cast<uint64_t>(st.stx_dev_major) << 32) | st.stx_dev_minor;
  out.dwVolumeSerialNumber =
      static_cast<DWORD>((device * 0x9E3779B97F4A7C15ull) >> 32) ^ 0x5A17C0DEu;
  const uint64_t size = S_ISREG(st.stx_mode) ? st.stx_size : 0;
  out.nFileSizeHigh = static_cast<DWORD>(size >> 32);
  out.nFileSizeLow = static_cast<DWORD>(size);
  out.nNumberOfLinks = st.stx_nlink;
  out.nFileIndexHigh = static_cast<DWORD>(st.stx_ino >> 32);
  out.nFileIndexLow = static_cast<DWORD>(st.stx_ino);
  *information = out;
  return TRUE;
}

BOOL SetFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS information_class,
                                LPVOID information, DWORD size) {
  auto object = SimHandles::GetAs<SimFileObject>(file);
  if (!object) return SimFail(ERROR_INVALID_HANDLE);
  if (information_class != FileBasicInfo || !information || size < sizeof(FILE_BASIC_INFO))
    return SimFail(ERROR_INVALID_PARAMETER);
  if (!(object->Access() & FILE_WRITE_ATTRIBUTES)) return SimFail(ERROR_ACCESS_DENIED);
  const auto* basic = static_cast<const FILE_BASIC_INFO*>(information);
  const int fd = object->Fd();
  struct stat st;
  if (fstat(fd, &st) != 0) return SimFail(SimErrorFromErrno(errno));
  // Creation and change times cannot be kept here; like a file system that
  // does not record them, the request still succeeds.
  struct timespec times[2] = {ToTimespec(basic->LastAccessTime),
                              ToTimespec(basic->LastWriteTime)};
  if ((times[0].tv_nsec != UTIME_OMIT || times[1].tv_nsec != UTIME_OMIT) &&
      futimens(fd, times) != 0)
    return SimFail(SimErrorFromErrno(errno));
  if (basic->FileAttributes != 0) {
    // Bits that cannot be set (directory, reparse point ...) are ignored, so
    // attributes read from the handle can be written back as they are.
    if (!SimApplyAttributes(fd, st.st_mode, basic->FileAttributes))
      return SimFail(SimErrorFromErrno(errno));
  }
  return TRUE;
}
