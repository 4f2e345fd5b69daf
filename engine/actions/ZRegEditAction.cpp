#include "engine/actions/ZRegEditAction.h"

#include "packet_public/ZRegRootTable.h"

ZRegEditAction::ZRegEditAction(const std::u16string& record_path) : ZFileActionBase(record_path) {}

int ZRegEditAction::LoadFromXml(const ZXmlElement& element) {
  if (!element) return 0;
  main_key_ = TextAttribute(element, "mainkey");
  sub_key_ = TextAttribute(element, "subkey");
  key_name_ = TextAttribute(element, "keyname");
  value_ = TextAttribute(element, "value");
  key_type_ = NumberAttribute(element, "keytype");
  wow64_ = NumberAttribute(element, "wow64");
  if (main_key_.empty() || sub_key_.empty() || key_name_.empty() || value_.empty()) return 0;
  HKEY root = nullptr;
  return LookupRootKey(main_key_, &root) ? 1 : 0;
}

void ZRegEditAction::Uninstall(int phase) {
  if (phase != kUninstallPhase) return;
  // Deleting the value comes with the registry removal.
}
