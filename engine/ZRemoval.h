// Removal of what the install packet lists: files (renamed and left for the
// restart when in use), directory trees, and the uninstaller's own file. Every
// path goes through the run's deletion guard first; without one, a guard of
// its own is made for the call and what is left is scheduled at once.
#pragma once

#include <string>

class ZDeletionGuard;

// Removes one record's path: a directory tree, or a file after ending the
// programs that run from it. Silent but for the guard's WARNING lines.
void RemoveRecordPath(const std::u16string& path, bool is_directory,
                      ZDeletionGuard* guard = nullptr);

// Best-effort removal of a directory and everything in it. Links are removed,
// never followed; a protected folder, or one holding operating-system files,
// is left alone with a WARNING line. True when the folder is gone.
bool DeleteDirectoryTree(const std::u16string& path, ZDeletionGuard* guard = nullptr);

// "/" becomes "\", runs of "\" collapse into one, and a "\" ends the path; an
// empty path stays empty.
void NormalizeDirPath(std::u16string* path);

// Renames the running program file out of the way and schedules the renamed
// file for deletion at the next restart (noted in the run's guard, if given).
void ScheduleSelfDelete(ZDeletionGuard* guard = nullptr);
