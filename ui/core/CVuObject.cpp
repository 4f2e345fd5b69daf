#include "ui/core/CVuObject.h"

#include <cstring>
#include <string>

#include "ui/resource/VuResourceLocator.h"

CVuObject::~CVuObject() = default;

bool CVuObject::MatchesTag(const char* tag) const {
  const char* own = GetTag();
  return tag && own && *own && std::strcmp(tag, own) == 0;
}

const char* CVuObject::GetTag() const { return ""; }

bool CVuObject::Load(const ZXmlElement& element) {
  for (ZXmlAttribute attribute = element.FirstAttribute(); attribute; attribute = attribute.Next()) {
    if (SetAttribute(attribute.Name(), attribute.Value(), true) != E_FAIL) continue;
    VuResourceLocator::Instance().Report(
        element.Line(), std::string("attribute \"") + attribute.Name() + "\"=\"" + attribute.Value() +
                            "\" rejected by <" + (element.Name() ? element.Name() : "") + ">");
  }
  OnLoaded();
  return true;
}

void CVuObject::OnLoaded() {}

HRESULT CVuObject::SetAttribute(const char*, const char*, bool) { return E_FAIL; }
