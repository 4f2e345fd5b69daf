#include "engine/guard/ZDeletionGuard.h"

#include <utility>

#include "app/log/ZLog.h"
#include "engine/guard/ZPathNames.h"
#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/protection.h"

namespace {

// The resolution, with the WARNING when it fails.
bool Resolve(const std::u16string& path, ZResolvedPath* out) {
  *out = ResolveTouchedPath(path);
  if (out->ok()) return true;
  ZLOG(kLogWarning) << u"skip unsafe path : " << path << u" (" << DescribePathProblem(out->problem)
                    << u")";
  return false;
}

}  // namespace

ZDeletionGuard::ZDeletionGuard() : known_(ZKnownFolders::Read()) {}

ZDeletionGuard::ZDeletionGuard(ZKnownFolders known) : known_(std::move(known)) {}

ZDeletionGuard::~ZDeletionGuard() = default;

bool ZDeletionGuard::IsOperatingSystemFile(const std::u16string& path) {
  return SfcIsFileProtected(nullptr, path.c_str()) != FALSE;
}

std::u16string ZDeletionGuard::ApproveFolder(const std::u16string& path) const {
  ZResolvedPath resolved;
  if (!Resolve(path, &resolved)) return u"";
  std::u16string which;
  if (resolved.path.size() <= 3 || known_.IsOrHolds(resolved.path, &which) ||
      known_.IsInWindowsFolder(resolved.path)) {
    ZLOG(kLogWarning) << u"skip protected folder : " << resolved.path;
    return u"";
  }
  return resolved.path;
}

std::u16string ZDeletionGuard::ApproveFile(const std::u16string& path) const {
  ZResolvedPath resolved;
  if (!Resolve(path, &resolved)) return u"";
  if (resolved.path.size() <= 3 || known_.IsOrHolds(resolved.path) ||
      (resolved.exists && resolved.is_directory)) {
    ZLOG(kLogWarning) << u"skip protected folder : " << resolved.path;
    return u"";
  }
  if (known_.IsInProfileOrDriveRoot(resolved.path)) {
    ZLOG(kLogWarning) << u"skip file of a drive or profile root : " << resolved.path;
    return u"";
  }
  if (resolved.exists && IsOperatingSystemFile(resolved.path)) {
    ZLOG(kLogWarning) << u"skip operating system file : " << resolved.path;
    return u"";
  }
  return resolved.path;
}

std::u16string ZDeletionGuard::ApproveBelow(const std::u16string& path,
                                            const std::u16string& folder,
                                            const char16_t* what) const {
  ZResolvedPath resolved;
  if (!Resolve(path, &resolved)) return u"";
  ZResolvedPath base = ResolveTouchedPath(folder);
  if (!base.ok() || !PathIsBelow(resolved.path, base.path)) {
    ZLOG(kLogWarning) << u"skip " << what << u" outside its folder : " << path;
    return u"";
  }
  if (known_.IsOrHolds(resolved.path)) {
    ZLOG(kLogWarning) << u"skip protected folder : " << resolved.path;
    return u"";
  }
  return resolved.path;
}

bool ZDeletionGuard::MayDeleteAtRestartInPlace(const std::u16string& file) const {
  if (known_.IsInWindowsFolder(file) || known_.IsInProfileOrDriveRoot(file)) return false;
  const std::u16string parent = ParentPath(file);
  for (const auto& folder : known_.Folders()) {
    if (PathEqualNoCase(parent, folder)) return false;
    // The system's own folders inside a profile or ProgramData.
    for (const char16_t* system_part : {u"Microsoft", u"Packages"})
      if (PathIsBelow(file, ChildPath(folder, system_part))) return false;
  }
  return true;
}

void ZDeletionGuard::AddLeftoverFolder(const std::u16string& folder) {
  for (const auto& known : leftovers_)
    if (PathEqualNoCase(known, folder)) return;
  leftovers_.push_back(folder);
}

void ZDeletionGuard::ScheduleLeftovers() {
  // A folder inside another leftover is done with it, in its place.
  for (const auto& folder : leftovers_) {
    bool inside_other = false;
    for (const auto& other : leftovers_)
      if (PathIsBelow(folder, other)) inside_other = true;
    if (!inside_other && GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES &&
        !ScheduleTreeAtRestart(folder, scheduled_) && GetLastError() == ERROR_ACCESS_DENIED)
      ZLOG(kLogWarning) << u"no right to delete folder : " << folder;
  }
  leftovers_.clear();
}

bool ScheduleTreeAtRestart(const std::u16string& path,
                           const std::vector<std::u16string>& already_scheduled) {
  for (const auto& done : already_scheduled)
    if (PathEqualNoCase(done, path)) return true;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(ChildPath(path, u"*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        std::u16string name = AsU16(data.cFileName);
        if (name == u"." || name == u"..") continue;
        ScheduleTreeAtRestart(ChildPath(path, name), already_scheduled);
      } while (FindNextFileW(find, &data));
      FindClose(find);
    }
  }
  // The restart carries pending operations out in order: content first.
  return MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}
