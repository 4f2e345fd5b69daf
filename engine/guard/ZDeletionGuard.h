// What one uninstall run may delete. Every path the run is about to touch
// passes through here: it is resolved once (ZPathResolver), judged against the
// machine's known folders and operating-system files, and what is refused is
// named in a WARNING line. Folders that cannot go now are finished at the
// next restart, after everything still inside them.
#pragma once

#include <string>
#include <vector>

#include "engine/guard/ZKnownFolders.h"
#include "engine/guard/ZPathResolver.h"

class ZDeletionGuard {
 public:
  // Takes the snapshot of the machine's known folders.
  ZDeletionGuard();
  // For tests: known folders given.
  explicit ZDeletionGuard(ZKnownFolders known);
  ~ZDeletionGuard();
  ZDeletionGuard(const ZDeletionGuard&) = delete;
  ZDeletionGuard& operator=(const ZDeletionGuard&) = delete;

  // A folder to remove with everything in it: resolved, not a known folder,
  // not holding one, not in the Windows folder. Empty (and a WARNING) when refused.
  std::u16string ApproveFolder(const std::u16string& path) const;
  // A file to delete: resolved, no folder, not an operating-system file, not
  // directly in a drive root, the profiles folder or a profile. Empty (and a
  // WARNING) when refused.
  std::u16string ApproveFile(const std::u16string& path) const;
  // A path that must lie strictly below folder (a link in the desktop, an entry
  // of the start menu); also refused when it names a known folder.
  std::u16string ApproveBelow(const std::u16string& path, const std::u16string& folder,
                              const char16_t* what) const;

  // True when a file that can be neither deleted nor renamed now may be
  // scheduled for deletion at the restart under its own name. Never in the
  // Windows folder, directly in a known folder, or in the system's own parts
  // of a profile or of ProgramData: the system holds such files open (registry
  // hives, its caches) and must find them again after the restart.
  bool MayDeleteAtRestartInPlace(const std::u16string& file) const;

  // True when the system protects the file (on Windows, Windows Resource Protection).
  static bool IsOperatingSystemFile(const std::u16string& path);

  // A folder that could not be removed now: it goes at the next restart, after
  // what is left inside it (see ScheduleLeftovers).
  void AddLeftoverFolder(const std::u16string& folder);
  // Schedules, for every leftover folder, its remaining entries and then the
  // folder itself for deletion at the next restart, in that order.
  void ScheduleLeftovers();

  // Paths already scheduled for deletion at the restart, so that they are
  // not scheduled twice.
  void NoteScheduled(const std::u16string& path) { scheduled_.push_back(path); }

  const ZKnownFolders& Known() const { return known_; }

 private:
  ZKnownFolders known_;
  std::vector<std::u16string> leftovers_;
  std::vector<std::u16string> scheduled_;
};

// Schedules path (a file, or a folder after its content) for deletion at the
// next restart; links are scheduled as links, never followed. Paths in
// already_scheduled are left as they are. False when path itself could not
// be scheduled (the last error says why).
bool ScheduleTreeAtRestart(const std::u16string& path,
                           const std::vector<std::u16string>& already_scheduled = {});
