#include "ui/skin/kinds/CVuSkinBase.h"

#include <cstring>

HRESULT CVuSkinBase::SetAttribute(const char* name, const char* value, bool loading) {
  if (name && value && std::strcmp(name, "name") == 0) {
    name_ = value;
    return S_OK;
  }
  return CVuObject::SetAttribute(name, value, loading);
}

bool CVuSkinBase::Load(const ZXmlElement& element) {
  line_ = element.Line();
  return CVuObject::Load(element);
}

void CVuSkinBase::SkinExtension(int) {}
void CVuSkinBase::DrawExtension(ZCanvas*, const ZRect&, int, BYTE) {}
void CVuSkinBase::DrawExtension1(ZCanvas*, const ZRect&) {}
void CVuSkinBase::DrawExtension2(ZCanvas*, const ZRect&) {}
void CVuSkinBase::DrawExtension3(ZCanvas*, const ZRect&) {}
void CVuSkinBase::DrawExtension4(ZCanvas*, const ZRect&) {}
void CVuSkinBase::DrawExtension5(ZCanvas*, const ZRect&) {}
void CVuSkinBase::DrawExtension6(ZCanvas*, const ZRect&) {}
VuSize CVuSkinBase::GetSkinSize() { return VuSize{}; }
bool CVuSkinBase::IsStateless() const { return true; }
int CVuSkinBase::EnsureLoaded() { return 0; }
void CVuSkinBase::SkinExtension1() {}
void CVuSkinBase::SkinExtension2() {}
