#include "engine/actions/ZStartMenuAction.h"

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
  // Removing the start-menu link and its emptied folder comes with the start-menu removal.
}
