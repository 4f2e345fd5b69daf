#include "engine/ZFileActionBase.h"

#include "engine/guard/ZDeletionGuard.h"
#include "packet_public/ZText.h"

ZFileActionBase::ZFileActionBase(const std::u16string& record_path) : record_path_(record_path) {}

ZFileActionBase::~ZFileActionBase() = default;

void ZFileActionBase::Install(int) {}

ZDeletionGuard& ZFileActionBase::Guard() {
  if (guard_) return *guard_;
  if (!own_guard_) own_guard_ = std::make_unique<ZDeletionGuard>();
  return *own_guard_;
}

bool ZFileActionBase::HasAttribute(const ZXmlElement& element, const char* name) {
  return element.Attribute(name) != nullptr;
}

std::u16string ZFileActionBase::TextAttribute(const ZXmlElement& element, const char* name) {
  const char* text = element.Attribute(name);
  return text ? Utf8ToUtf16(text) : std::u16string();
}

int32_t ZFileActionBase::NumberAttribute(const ZXmlElement& element, const char* name) {
  const char* text = element.Attribute(name);
  return text ? ParseLenientInt(std::string_view(text)) : 0;
}
