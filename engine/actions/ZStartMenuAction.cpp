#include "engine/actions/ZStartMenuAction.h"

#include "engine/ZRemoval.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "packet_public/ZText.h"

namespace {

// True when path, made full, lies strictly below folder (which ends in "\").
// A packet entry may only name what is inside the programs folder.
bool IsStrictlyBelow(const std::u16string& path, const std::u16string& folder) {
  char16_t full[MAX_PATH] = {};
  DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
  if (length == 0 || length >= MAX_PATH) return false;
  std::u16string canonical(full, length);
  while (!canonical.empty() && canonical.back() == u'\\') canonical.pop_back();
  return canonical.size() > folder.size() &&
         EqualNoCase(std::u16string_view(canonical).substr(0, folder.size()), folder);
}

}  // namespace

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
    if (!IsStrictlyBelow(path, programs_folder)) return;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
      DeleteDirectoryTree(path);
    return;
  }
  NormalizeDirPath(&path);
  path += link_file_name_;
  if (!IsStrictlyBelow(path, programs_folder)) return;
  if (PathFileExistsW(path.c_str())) DeleteFileW(path.c_str());
}
