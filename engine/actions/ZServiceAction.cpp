#include "engine/actions/ZServiceAction.h"

#include "app/log/ZLog.h"
#include "engine/actions/ZExecService.h"
#include "engine/guard/ZDeletionGuard.h"

ZServiceAction::ZServiceAction(const std::u16string& record_path) : ZFileActionBase(record_path) {}

int ZServiceAction::LoadFromXml(const ZXmlElement& element) {
  if (!element) return 0;
  service_name_ = TextAttribute(element, "name");
  description_ = TextAttribute(element, "description");
  display_name_ = TextAttribute(element, "displayname");
  group_ = TextAttribute(element, "group");
  arguments_ = TextAttribute(element, "cmdline");
  return 1;
}

void ZServiceAction::Uninstall(int phase) {
  if (phase != kUninstallPhase) return;
  // A service of the system's own programs is never the product's to remove.
  if (ZDeletionGuard::IsOperatingSystemFile(RecordPath()) ||
      ZExecService::RunsOperatingSystemFile(service_name_)) {
    ZLOG(kLogWarning) << u"skip service of an operating system file : " << service_name_;
    return;
  }
  ZExecService exec;
  exec.SetService(service_name_, RecordPath(), arguments_, display_name_, description_, group_);
  // Delete even when the stop failed: a service already stopped fails there.
  exec.ExecMode = ZExecService::kStop;
  exec.Run();
  exec.ExecMode = ZExecService::kDelete;
  exec.Run();
}
