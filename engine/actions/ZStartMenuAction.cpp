#include "engine/actions/ZStartMenuAction.h"

#include "engine/ZRemoval.h"
#include "engine/guard/ZDeletionGuard.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "packet_public/ZText.h"

ZStartMenuAction::ZStartMenuAction(const std::u16string& record_path)
    : ZFileActionBase(record_path) {}

int ZStartMenuAction::LoadFromXml(const ZXmlElement& element) {
  if (!element) return 0;
  folder_ = TextAttribute(element, "dir");
  link_file_name_ = TextAttribute(element, "name");
  return 1;
}

void ZStartMenuAction::Uninstall(int phase) {
  if (phase != kUninstallPhase) return;
  char16_t programs[MAX_PATH] = {};
  if (SHGetFolderPathW(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_DEFAULT, programs) != S_OK)
    return;
  if (folder_.empty()) return;
  std::u16string path = programs;
  NormalizeDirPath(&path);
  const std::u16string programs_folder = path;
  path += folder_;
  if (link_file_name_.empty()) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    // An entry stays inside the programs folder and never names one of the
    // system's own folders there (Startup).
    if (Guard().ApproveBelow(path, programs_folder, u"start menu entry").empty()) return;
    DeleteDirectoryTree(path, DeletionGuard());
    return;
  }
  NormalizeDirPath(&path);
  path += link_file_name_;
  if (!PathFileExistsW(path.c_str())) return;
  const std::u16string link = Guard().ApproveBelow(path, programs_folder, u"start menu entry");
  if (link.empty() || Guard().ApproveFile(link).empty()) return;
  DeleteFileW(link.c_str());
}
