#include "ui/skin/kinds/CVuJpgSkin.h"

#include <cstring>

HRESULT CVuJpgSkin::SetAttribute(const char* name, const char* value, bool loading) {
  HRESULT result = CVuSkinBase::SetAttribute(name, value, loading);
  if (result != E_FAIL || !name || !value) return result;
  if (std::strcmp(name, "src") == 0) return src_.Set(value);
  return margins_.Set(name, value);
}

void CVuJpgSkin::Draw(ZCanvas* dc, const ZRect& rect, int state, BYTE alpha) {
  margins_.DrawIfLoaded(dc, src_.Get(), rect, state, alpha);
}

VuSize CVuJpgSkin::GetSkinSize() { return margins_.FrameSizeIfLoaded(src_.Get()); }
