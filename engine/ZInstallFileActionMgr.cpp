#include "engine/ZInstallFileActionMgr.h"

#include "app/log/ZLog.h"
#include "packet_public/ZInstallConfigLoader.h"
#include "packet_public/ZXmlCursor.h"
#include "platform/xml.h"

namespace {

constexpr const char16_t* kSections[] = {
    u"packet\\installfile\\filelist\\item",
    u"packet\\installfile\\dirlist\\item",
    u"packet\\uninstallfile\\filelist\\item",
    u"packet\\uninstallfile\\dirlist\\item",
};

}  // namespace

ZInstallFileActionMgr::ZInstallFileActionMgr() = default;

ZInstallFileActionMgr::~ZInstallFileActionMgr() { DestroyAll(); }

void ZInstallFileActionMgr::LoadPacket(const std::u16string& config_file_path,
                                       const std::u16string& base_dir) {
  std::string text;
  if (!ZInstallConfigLoader::DecryptConfigFile(config_file_path.c_str(), &text)) {
    ZLOG(kLogError) << u"decrypt install config file failed";
    return;
  }
  for (const char16_t* section : kSections) LoadSection(text, section, base_dir);
}

void ZInstallFileActionMgr::LoadSection(const std::string& text,
                                        const std::u16string& section_path,
                                        const std::u16string& base_dir) {
  ZXmlDocument document;
  if (!document.Parse(text.c_str())) {
    ZLOG(kLogInfo) << u"parse xml data failed, wrong format";
    return;
  }
  ZXmlCursor cursor(document);
  if (!cursor.MoveToPath(section_path)) {
    ZLOG(kLogInfo) << u"not found relative submode : " << section_path;
    return;
  }
  // Every element from the first item on is a record, whatever its name.
  do {
    auto record = std::make_unique<ZInstallFile>();
    record->SetPath(base_dir);
    // A record whose file is gone keeps its place: it is simply not there to remove.
    record->LoadFromXml(cursor);
    records_.push_back(std::move(record));
  } while (cursor.Next());
}

void ZInstallFileActionMgr::UninstallAll(int phase) {
  if (!guard_) guard_ = std::make_unique<ZDeletionGuard>();
  for (auto& record : records_) {
    record->SetDeletionGuard(guard_.get());
    record->Uninstall(phase);
  }
}

void ZInstallFileActionMgr::ScheduleLeftoversAtRestart() {
  if (guard_) guard_->ScheduleLeftovers();
}

void ZInstallFileActionMgr::DestroyAll() {
  ScheduleLeftoversAtRestart();
  for (auto& record : records_) record->ClearActions();
  records_.clear();
  guard_.reset();
}
