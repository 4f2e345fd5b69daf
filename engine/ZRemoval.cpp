#include "engine/ZRemoval.h"

#include <cstdio>
#include <string>

#include "app/log/ZLog.h"
#include "engine/ZProtectedFolders.h"
#include "engine/ZRunningProcesses.h"
#include "packet_public/ZText.h"
#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/shell.h"

namespace {

// "%s_%d_del": the path, the tick count as a signed number, "_del".
std::u16string DeletionName(const std::u16string& path) {
  char tick[16];
  std::snprintf(tick, sizeof(tick), "%d", static_cast<int>(GetTickCount()));
  std::u16string name = path + u"_";
  for (const char* c = tick; *c; ++c) name += static_cast<char16_t>(*c);
  return name + u"_del";
}

// Moves a file in use out of the way; the system deletes it at the next restart.
void RenameForDeletionAtRestart(const std::u16string& path) {
  std::u16string renamed = DeletionName(path);
  if (MoveFileExW(path.c_str(), renamed.c_str(), MOVEFILE_REPLACE_EXISTING))
    MoveFileExW(renamed.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

bool SkipProtected(const std::u16string& path) {
  if (!IsProtectedFolder(path)) return false;
  ZLOG(kLogWarning) << u"skip protected folder : " << path;
  return true;
}

void DeleteTreeContent(std::u16string path) {
  NormalizeDirPath(&path);
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((path + u"*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::u16string name = AsU16(data.cFileName);
      std::u16string entry = path + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        // A link goes; what it points at stays.
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveDirectoryW(entry.c_str());
        else DeleteFileW(entry.c_str());
      } else if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetFileAttributesW(entry.c_str(), 0);
        DeleteFileW(entry.c_str());
      } else if (name != u"." && name != u"..") {
        DeleteTreeContent(entry + u"\\");
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(path.c_str());
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

void DeleteDirectoryTree(const std::u16string& path) {
  if (path.empty() || SkipProtected(path)) return;
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    // The listed folder is itself a link: only the link goes.
    if (!RemoveDirectoryW(path.c_str())) DeleteFileW(path.c_str());
    return;
  }
  DeleteTreeContent(path);
}

void RemoveRecordPath(const std::u16string& path, bool is_directory) {
  // A path that did not fit its buffer at load time names nothing.
  if (path.empty()) return;
  if (is_directory && PathFileExistsW(path.c_str())) {
    DeleteDirectoryTree(path);
    return;
  }
  if (SkipProtected(path)) return;
  if (!EqualNoCase(path, ProgramFilePath())) {
    TerminateProcessesByImage(path.c_str());
    Sleep(100);
  }
  if (!PathFileExistsW(path.c_str())) return;
  if (DeleteFileW(path.c_str())) return;
  RenameForDeletionAtRestart(path);
}

void ScheduleSelfDelete() {
  std::u16string own = ProgramFilePath();
  if (!own.empty()) RenameForDeletionAtRestart(own);
}
