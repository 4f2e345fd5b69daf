// Renaming (MoveFileExW), also at the next restart, on the simulated host.
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>
#include <vector>

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/sim/files/SimFiles.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/sim/core/SimLocks.h"
#include "platform/sim/core/SimAccessRules.h"
#include "platform/sim/files/SimPath.h"
#include "platform/sim/files/SimPathChecks.h"
#include "platform/sim/files/SimPendingRenames.h"
#include "platform/sim/text/SimUnicode.h"

namespace {

const char16_t kSessionManager[] = u"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char16_t kPendingValue[] = u"PendingFileRenameOperations";

using Pair = std::pair<std::u16string, std::u16string>;

// The value is source, target, source, target ... with an empty target for a
// deletion, so only an empty *source* ends the list.
std::vector<Pair> ParsePairs(const std::u16string& data) {
  std::vector<Pair> pairs;
  size_t i = 0;
  auto next = [&]() {
    size_t end = data.find(u'\0', i);
    if (end == std::u16string::npos) end = data.size();
    std::u16string s = data.substr(i, end - i);
    i = end + 1;
    return s;
  };
  while (i < data.size()) {
    std::u16string source = next();
    if (source.empty()) break;
    std::u16string target = i < data.size() ? next() : std::u16string();
    pairs.emplace_back(std::move(source), std::move(target));
  }
  return pairs;
}

std::u16string JoinPairs(const std::vector<Pair>& pairs) {
  std::u16string data;
  for (const auto& [source, target] : pairs) {
    data += source;
    data += u'\0';
    data += target;
    data += u'\0';
  }
  data += u'\0';
  return data;
}

// Serialises the read-modify-write of the value among threads and processes.
class PendingGate {
 public:
  PendingGate() : gate_(SimRunGateFd()) {}

 private:
  SimGateLock gate_;
};

LSTATUS OpenSessionManager(HKEY* key) {
  return RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, nullptr, 0,
                         KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, key,
                         nullptr);
}

// Reads the value; ERROR_FILE_NOT_FOUND when there is none.
LSTATUS ReadPending(HKEY key, std::u16string* data) {
  DWORD type = 0, size = 0;
  LSTATUS status = RegQueryValueExW(key, kPendingValue, nullptr, &type, nullptr, &size);
  if (status != ERROR_SUCCESS) return status;
  std::u16string buffer((size + 1) / 2, u'\0');
  status = RegQueryValueExW(key, kPendingValue, nullptr, &type,
                            reinterpret_cast<BYTE*>(buffer.data()), &size);
  if (status != ERROR_SUCCESS) return status;
  buffer.resize(size / 2);
  *data = type == REG_MULTI_SZ ? buffer : std::u16string();
  return ERROR_SUCCESS;
}

// The NT form the restart reads: "\??\C:\...", for a literal "\\?\" path too.
std::u16string NtForm(const std::u16string& full) {
  if (full.rfind(u"\\\\?\\", 0) == 0) return u"\\??\\" + full.substr(4);
  return u"\\??\\" + full;
}

BOOL DelayUntilReboot(LPCWSTR existing, LPCWSTR new_name, DWORD flags) {
  DWORD error = SimCheckWin32Path(existing);
  if (!error && new_name) error = SimCheckWin32Path(new_name);
  if (error) return SimFail(error);
  std::u16string source = SimFullPath(existing, &error);
  if (error) return SimFail(error);
  std::u16string target;
  if (new_name) {
    target = SimFullPath(new_name, &error);
    if (error) return SimFail(error);
    target = ((flags & MOVEFILE_REPLACE_EXISTING) ? u"!" : u"") + NtForm(target);
  }
  PendingGate gate;
  HKEY key = nullptr;
  LSTATUS status = OpenSessionManager(&key);
  if (status != ERROR_SUCCESS) return SimFail(static_cast<DWORD>(status));
  std::u16string data;
  status = ReadPending(key, &data);
  if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) {
    std::vector<Pair> pairs = ParsePairs(data);
    pairs.emplace_back(NtForm(source), target);
    data = JoinPairs(pairs);
    status = RegSetValueExW(key, kPendingValue, 0, REG_MULTI_SZ,
                            reinterpret_cast<const BYTE*>(data.data()),
                            static_cast<DWORD>(data.size() * sizeof(char16_t)));
  }
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return SimFail(static_cast<DWORD>(status));
  return TRUE;
}

// True when the descriptor's file is held by a handle that does not share
// delete access (what a rename needs).
bool HeldAgainstDelete(const SimLocation& at) {
  int fd = SimOpenBeneath(at, O_RDONLY | O_NONBLOCK | O_NOFOLLOW);
  if (fd < 0) return false;
  bool held = SimLockTaken(fd, kSimDenyDelete);
  close(fd);
  return held;
}

BOOL RenameAt(const SimLocation& from, const SimLocation& to) {
  int from_dir = SimOpenParent(from);
  if (from_dir < 0) return SimFail(SimPathError(errno));
  int to_dir = SimOpenParent(to);
  if (to_dir < 0) {
    int saved = errno;
    close(from_dir);
    return SimFail(saved == ENOENT ? ERROR_PATH_NOT_FOUND : SimPathError(saved));
  }
  int rc = renameat(from_dir, from.Leaf().c_str(), to_dir, to.Leaf().c_str());
  int saved = errno;
  close(from_dir);
  close(to_dir);
  if (rc == 0) return TRUE;
  // Moving a folder into itself: Windows reports a sharing violation.
  if (saved == EINVAL) return SimFail(ERROR_SHARING_VIOLATION);
  if (saved == EXDEV) return SimFail(ERROR_NOT_SAME_DEVICE);
  if (saved == ENOTEMPTY || saved == EEXIST || saved == EISDIR) return SimFail(ERROR_ACCESS_DENIED);
  return SimFail(SimPathError(saved));
}

// Drives on different file systems: a file is copied, then its source deleted.
BOOL CopyAcross(LPCWSTR existing, LPCWSTR new_name, DWORD flags, bool is_dir) {
  if (GetLastError() != ERROR_NOT_SAME_DEVICE || !(flags & MOVEFILE_COPY_ALLOWED) || is_dir)
    return FALSE;
  if (!CopyFileW(existing, new_name, !(flags & MOVEFILE_REPLACE_EXISTING))) return FALSE;
  if (!DeleteFileW(existing)) {
    DWORD error = GetLastError();
    DeleteFileW(new_name);
    return SimFail(error);
  }
  return TRUE;
}

}  // namespace

BOOL MoveFileExW(LPCWSTR existing, LPCWSTR new_name, DWORD flags) {
  if (!existing) return SimFail(ERROR_INVALID_PARAMETER);
  if (flags & MOVEFILE_DELAY_UNTIL_REBOOT) {
    if (flags & MOVEFILE_COPY_ALLOWED) return SimFail(ERROR_INVALID_PARAMETER);
    return DelayUntilReboot(existing, new_name, flags);
  }
  if (!new_name) return SimFail(ERROR_INVALID_PARAMETER);

  SimWinPath source_path, target_path;
  SimLocation source, target;
  if (DWORD error = SimParsePath(existing, &source_path)) return SimFail(error);
  if (DWORD error = SimLocateExisting(source_path, &source)) return SimFail(error);
  if (DWORD error = SimParsePath(new_name, &target_path)) return SimFail(error);
  bool exists = false;
  if (DWORD error = SimLocateForCreate(target_path, &target, &exists)) return SimFail(error);
  if (source.IsRoot() || target.IsRoot()) return SimFail(ERROR_ACCESS_DENIED);
  if (SimFileChangeDenied(source_path, true, true) | SimFileChangeDenied(target_path, exists, true)) return SimFail(ERROR_ACCESS_DENIED);

  struct stat source_st;
  if (fstatat(source.root, source.rel.c_str(), &source_st, AT_SYMLINK_NOFOLLOW) != 0)
    return SimFail(SimPathError(errno));
  const bool source_dir = S_ISDIR(source_st.st_mode);
  // Operating-system files can be neither moved nor replaced, by anyone.
  if (SimIsOsFileAt(source_st.st_mode, source.Abs())) return SimFail(ERROR_ACCESS_DENIED);
  if (source_path.drive != target_path.drive) {
    if (!(flags & MOVEFILE_COPY_ALLOWED) || source_dir) return SimFail(ERROR_NOT_SAME_DEVICE);
  }
  // Renaming needs delete access to the source; a running image allows it.
  if (HeldAgainstDelete(source)) return SimFail(ERROR_SHARING_VIOLATION);

  // The name as the caller spelt it, in the folder where it was found.
  SimLocation spelled = target;
  {
    std::string leaf = SimToUtf8(target_path.Leaf());
    std::string parent = target.ParentRel();
    spelled.rel = parent == "." ? leaf : parent + "/" + leaf;
  }

  if (exists) {
    struct stat target_st;
    if (fstatat(target.root, target.rel.c_str(), &target_st, AT_SYMLINK_NOFOLLOW) != 0)
      return SimFail(SimPathError(errno));
    bool same = target_st.st_dev == source_st.st_dev && target_st.st_ino == source_st.st_ino &&
                target.ParentRel() == source.ParentRel();
    if (same) {
      // Only the letter case changes (or nothing at all).
      if (spelled.rel == source.rel) return TRUE;
      return RenameAt(source, spelled);
    }
    if (!(flags & MOVEFILE_REPLACE_EXISTING)) return SimFail(ERROR_ALREADY_EXISTS);
    if (SimIsOsFileAt(target_st.st_mode, target.Abs())) return SimFail(ERROR_ACCESS_DENIED);
    if (S_ISDIR(target_st.st_mode) || source_dir) return SimFail(ERROR_ACCESS_DENIED);
    if (!S_ISLNK(target_st.st_mode)) {
      if (!(target_st.st_mode & S_IWUSR)) return SimFail(ERROR_ACCESS_DENIED);
      // A replaced file is deleted: not while held or running.
      int fd = SimOpenBeneath(target, O_WRONLY | O_NONBLOCK | O_NOFOLLOW);
      if (fd < 0 && errno == ETXTBSY) return SimFail(ERROR_ACCESS_DENIED);
      bool held = fd >= 0 && SimLockTaken(fd, kSimDenyDelete, 2);
      if (fd >= 0) close(fd);
      if (held) return SimFail(ERROR_ACCESS_DENIED);
    }
    if (!RenameAt(source, target)) return CopyAcross(existing, new_name, flags, source_dir);
    // The replaced entry takes the new spelling too.
    if (spelled.rel != target.rel) RenameAt(target, spelled);
    return TRUE;
  }
  if (!RenameAt(source, spelled)) return CopyAcross(existing, new_name, flags, source_dir);
  return TRUE;
}

bool SimRunPendingRenames() {
  PendingGate gate;
  HKEY key = nullptr;
  LSTATUS opened = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0,
                                 KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY, &key);
  if (opened == ERROR_FILE_NOT_FOUND) return true;  // no key, nothing pending
  if (opened != ERROR_SUCCESS) return false;
  std::u16string data;
  LSTATUS status = ReadPending(key, &data);
  if (status == ERROR_FILE_NOT_FOUND) {
    RegCloseKey(key);
    return true;
  }
  if (status != ERROR_SUCCESS) {
    RegCloseKey(key);
    return false;
  }
  // The restart works on NT paths, which know no MAX_PATH: a drive path is
  // carried out in the literal form.
  auto strip = [](std::u16string path) {
    if (path.rfind(u"\\??\\", 0) == 0) path.erase(0, 4);
    if (path.size() >= 3 && path[1] == u':' && path[2] == u'\\') path = u"\\\\?\\" + path;
    return path;
  };
  for (const auto& [raw_source, raw_target] : ParsePairs(data)) {
    std::u16string source = strip(raw_source);
    if (raw_target.empty()) {
      DWORD attributes = GetFileAttributesW(source.c_str());
      if (attributes == INVALID_FILE_ATTRIBUTES) continue;
      // Folders and links to folders alike; a link goes without its target.
      if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveDirectoryW(source.c_str());
      else
        DeleteFileW(source.c_str());
      continue;
    }
    bool replace = raw_target[0] == u'!';
    std::u16string target = strip(raw_target.substr(replace ? 1 : 0));
    MoveFileExW(source.c_str(), target.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0);
  }
  status = RegDeleteValueW(key, kPendingValue);
  RegCloseKey(key);
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}
