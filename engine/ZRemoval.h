// Removal of what the install packet lists: files (renamed and left for the
// restart when in use), directory trees, and the uninstaller's own file.
#pragma once

#include <string>

// Removes one record's path: a directory tree, or a file after ending the
// programs that run from it. Silent; failures are ignored.
void RemoveRecordPath(const std::u16string& path, bool is_directory);

// Best-effort removal of a directory and everything in it. Links are removed,
// never followed; a protected folder is left alone with a WARNING line.
void DeleteDirectoryTree(const std::u16string& path);

// "/" becomes "\", runs of "\" collapse into one, and a "\" ends the path; an
// empty path stays empty.
void NormalizeDirPath(std::u16string* path);

// Renames the running program file out of the way and schedules the renamed
// file for deletion at the next restart.
void ScheduleSelfDelete();
