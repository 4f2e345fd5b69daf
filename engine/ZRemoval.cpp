#include "engine/ZRemoval.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/log/ZLog.h"
#include "engine/ZRunningProcesses.h"
#include "engine/guard/ZDeletionGuard.h"
#include "engine/guard/ZPathNames.h"
#include "packet_public/ZText.h"
#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/shell.h"

namespace {

// How long a file whose processes were ended may take to come free.
constexpr uint32_t kImageReleasePollMs = 100;
constexpr uint32_t kImageReleaseRetries = 20;

// "%s_%d_del": the path, the tick count as a signed number, "_del".
std::u16string DeletionName(const std::u16string& path) {
  char tick[16];
  std::snprintf(tick, sizeof(tick), "%d", static_cast<int>(GetTickCount()));
  std::u16string name = path + u"_";
  for (const char* c = tick; *c; ++c) name += static_cast<char16_t>(*c);
  return name + u"_del";
}

// Moves a file in use out of the way; the system deletes it at the next
// restart. A file that cannot even be renamed (held without delete sharing)
// is scheduled under its own name. False when nothing could be scheduled.
bool RenameForDeletionAtRestart(const std::u16string& path, bool or_in_place,
                                ZDeletionGuard* guard) {
  std::u16string renamed = DeletionName(path);
  std::u16string scheduled;
  if (MoveFileExW(path.c_str(), renamed.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    if (MoveFileExW(renamed.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) scheduled = renamed;
  } else if (or_in_place && MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
    scheduled = path;
  }
  if (guard && !scheduled.empty()) guard->NoteScheduled(scheduled);
  return !scheduled.empty();
}

// Deletes a file of a tree; a read-only one loses that attribute first. The
// attributes belong to the file, not to the name: when the file has other
// names (hard links), or stays, they are put back through a handle.
void DeleteTreeFile(const std::u16string& path, DWORD attributes) {
  if (!(attributes & FILE_ATTRIBUTE_READONLY)) {
    DeleteFileW(path.c_str());
    return;
  }
  HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;  // without a handle nothing could be put back
  BY_HANDLE_FILE_INFORMATION info = {};
  const DWORD links = GetFileInformationByHandle(file, &info) ? info.nNumberOfLinks : 2;
  const bool deleted = SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL) &&
                       DeleteFileW(path.c_str());
  if (!deleted || links > 1) {
    FILE_BASIC_INFO basic = {};
    basic.FileAttributes = attributes;
    SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof(basic));
  }
  CloseHandle(file);
}

struct TreeEntry {
  std::u16string path;
  DWORD attributes;
};

// Every entry below folder, each folder after its content. Links are entries
// of their own; nothing behind them is listed.
void ListTree(const std::u16string& folder, std::vector<TreeEntry>* entries) {
  std::u16string base = folder;
  NormalizeDirPath(&base);
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((base + u"*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    std::u16string name = AsU16(data.cFileName);
    if (name == u"." || name == u"..") continue;
    std::u16string entry = base + name;
    const DWORD attributes = data.dwFileAttributes;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
      ListTree(entry, entries);
    entries->push_back({std::move(entry), attributes});
  } while (FindNextFileW(find, &data));
  FindClose(find);
}

bool Exists(const std::u16string& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The run's guard, or one made for this call whose leftovers go at once.
class GuardFor {
 public:
  explicit GuardFor(ZDeletionGuard* guard) : guard_(guard) {
    if (!guard_) {
      own_ = std::make_unique<ZDeletionGuard>();
      guard_ = own_.get();
    }
  }
  ~GuardFor() {
    if (own_) own_->ScheduleLeftovers();
  }
  ZDeletionGuard* operator->() const { return guard_; }
  ZDeletionGuard* get() const { return guard_; }

 private:
  ZDeletionGuard* guard_;
  std::unique_ptr<ZDeletionGuard> own_;
};

bool RemoveApprovedTree(const std::u16string& folder, ZDeletionGuard* guard) {
  std::vector<TreeEntry> entries;
  ListTree(folder, &entries);
  for (const auto& entry : entries) {
    const bool plain_file = !(entry.attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
    if (plain_file && ZDeletionGuard::IsOperatingSystemFile(entry.path)) {
      ZLOG(kLogWarning) << u"skip folder holding operating system files : " << folder
                        << u" (" << entry.path << u")";
      return false;
    }
  }
  // The run's own log stays until the restart, with the folder around it.
  const std::u16string own_log = LogFilePath();
  for (const auto& entry : entries) {
    const DWORD attributes = entry.attributes;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      // A link goes; what it points at stays.
      if (attributes & FILE_ATTRIBUTE_DIRECTORY) RemoveDirectoryW(entry.path.c_str());
      else DeleteFileW(entry.path.c_str());
    } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      RemoveDirectoryW(entry.path.c_str());
    } else if (own_log.empty() || !PathEqualNoCase(entry.path, own_log)) {
      DeleteTreeFile(entry.path, attributes);
    }
  }
  RemoveDirectoryW(folder.c_str());
  if (!Exists(folder)) return true;
  guard->AddLeftoverFolder(folder);
  return false;
}

}  // namespace

void NormalizeDirPath(std::u16string* path) {
  if (path->empty()) return;
  std::u16string out;
  out.reserve(path->size() + 1);
  for (char16_t c : *path) {
    if (c == u'/') c = u'\\';
    if (c == u'\\' && !out.empty() && out.back() == u'\\') continue;
    out += c;
  }
  if (out.back() != u'\\') out += u'\\';
  *path = out;
}

bool DeleteDirectoryTree(const std::u16string& path, ZDeletionGuard* run_guard) {
  if (path.empty()) return false;
  GuardFor guard(run_guard);
  const std::u16string folder = guard->ApproveFolder(path);
  if (folder.empty()) return false;
  return RemoveApprovedTree(folder, guard.get());
}

void RemoveRecordPath(const std::u16string& path, bool is_directory, ZDeletionGuard* run_guard) {
  // A path that did not fit its buffer at load time names nothing.
  if (path.empty()) return;
  GuardFor guard(run_guard);
  if (is_directory && PathFileExistsW(path.c_str())) {
    const std::u16string folder = guard->ApproveFolder(path);
    if (!folder.empty()) RemoveApprovedTree(folder, guard.get());
    return;
  }
  const std::u16string file = guard->ApproveFile(path);
  if (file.empty()) return;
  uint32_t ended = 0;
  if (!PathEqualNoCase(file, ProgramFilePath())) {
    TerminateProcessesByImage(file.c_str(), &ended);
    Sleep(100);
  }
  if (!PathFileExistsW(file.c_str())) return;
  if (DeleteFileW(file.c_str())) return;
  // A process ended just now (or a stopped service's) may hold its image a
  // moment longer: wait for it, bounded, rather than leave it to a restart.
  for (uint32_t i = 0; ended > 0 && i < kImageReleaseRetries; ++i) {
    Sleep(kImageReleasePollMs);
    if (DeleteFileW(file.c_str())) return;
  }
  // A file the run has no right to delete cannot be scheduled either: say so.
  const DWORD refused = GetLastError();
  if (!RenameForDeletionAtRestart(file, guard->MayDeleteAtRestartInPlace(file), guard.get()) &&
      refused == ERROR_ACCESS_DENIED)
    ZLOG(kLogWarning) << u"no right to delete file : " << file;
}

void ScheduleSelfDelete(ZDeletionGuard* guard) {
  std::u16string own = ProgramFilePath();
  if (!own.empty()) RenameForDeletionAtRestart(own, false, guard);
}
