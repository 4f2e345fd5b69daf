#include "engine/ZInstallFile.h"

#include <cstring>

#include "app/log/ZLog.h"
#include "engine/ZFileActionFactory.h"
#include "engine/ZRemoval.h"
#include "engine/guard/ZPathResolver.h"
#include "packet_public/ZXmlCursor.h"
#include "platform/files.h"
#include "platform/shell.h"

namespace {

constexpr size_t kMaxPathChars = MAX_PATH - 1;

}  // namespace

ZInstallFile::ZInstallFile() = default;

ZInstallFile::~ZInstallFile() = default;

// A path cut to fit would name another entry: one that does not fit names none.
void ZInstallFile::SetPath(const std::u16string& path) {
  path_ = path.size() <= kMaxPathChars ? path : std::u16string();
}

int ZInstallFile::LoadFromXml(ZXmlCursor& cursor) {
  std::u16string relative;
  cursor.GetAttribute("path", &relative);
  char16_t buffer[MAX_PATH] = {};
  std::memcpy(buffer, path_.data(), path_.size() * sizeof(char16_t));
  // A join that does not fit names nothing. Windows may leave the base folder
  // in the buffer then: never let that stand for the record.
  if (!path_.empty() && !PathAppendW(buffer, relative.c_str())) {
    ZLOG(kLogWarning) << u"skip unsafe path : " << path_ << u"\\" << relative << u" ("
                      << DescribePathProblem(ZPathProblem::kTooLong) << u")";
    buffer[0] = 0;
  }
  SetPath(buffer);
  if (path_.empty()) return 0;

  DWORD attributes = GetFileAttributesW(path_.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) is_directory_ = 1;

  cursor.Save();
  if (!cursor.MoveToRelativePath(u"config")) {
    cursor.Restore();
    return 1;
  }
  do {
    std::u16string kind;
    if (!cursor.GetAttribute("mode", &kind)) continue;
    std::unique_ptr<ZFileActionBase> action = ZFileActionFactory::CreateAction(kind, path_);
    if (!action) continue;
    // A half-read action still holds its place; it decides itself what to undo.
    action->LoadFromXml(cursor.Current());
    action->SetDeletionGuard(guard_);
    actions_.push_back(std::move(action));
  } while (cursor.Next());
  cursor.Restore();
  return 1;
}

void ZInstallFile::Install(int phase) {
  for (auto& action : actions_) action->Install(phase);
}

void ZInstallFile::Uninstall(int phase) {
  for (auto& action : actions_) action->Uninstall(phase);
  RemovePath();
}

void ZInstallFile::ClearActions() { actions_.clear(); }

void ZInstallFile::RemovePath() { RemoveRecordPath(path_, is_directory_ != 0, guard_); }

void ZInstallFile::SetDeletionGuard(ZDeletionGuard* guard) {
  guard_ = guard;
  for (auto& action : actions_) action->SetDeletionGuard(guard);
}
