#include "engine/actions/ZCompleteRunAction.h"

ZCompleteRunAction::ZCompleteRunAction(const std::u16string& record_path)
    : ZFileActionBase(record_path) {}

int ZCompleteRunAction::LoadFromXml(const ZXmlElement& element) {
  if (!element) return 0;
  // Attributes left out keep their defaults.
  if (HasAttribute(element, "show")) show_ = NumberAttribute(element, "show");
  if (HasAttribute(element, "switch")) switch_ = NumberAttribute(element, "switch");
  if (HasAttribute(element, "silent")) silent_ = NumberAttribute(element, "silent");
  if (HasAttribute(element, "cmdline")) arguments_ = TextAttribute(element, "cmdline");
  if (HasAttribute(element, "waittime")) wait_time_ = NumberAttribute(element, "waittime");
  if (HasAttribute(element, "needcheck")) need_check_ = NumberAttribute(element, "needcheck") != 0;
  if (HasAttribute(element, "checkboxid")) checkbox_id_ = NumberAttribute(element, "checkboxid");
  return 1;
}

// What ran after the install has long finished; there is nothing to take back.
void ZCompleteRunAction::Uninstall(int) {}
