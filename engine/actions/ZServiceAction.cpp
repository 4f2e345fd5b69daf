#include "engine/actions/ZServiceAction.h"

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
  // Stopping and removing the service comes with the service removal.
}
