#include "ui/skin/kinds/CVuNormalSkin.h"

#include <cstring>

#include "ui/skin/VuSkinValues.h"
#include "ui/resource/VuUtf8.h"

HRESULT CVuNormalSkin::SetAttribute(const char* name, const char* value, bool loading) {
  HRESULT result = CVuSkinBase::SetAttribute(name, value, loading);
  if (result != E_FAIL || !name || !value) return result;
  if (std::strcmp(name, "file") == 0) {
    if (!*value) return E_FAIL;
    file_ = VuUtf8ToUtf16(value);
    return S_OK;
  }
  return margins_.Set(name, value);
}

const VuPooledImage* CVuNormalSkin::Image() const {
  if (file_.empty()) return nullptr;
  const VuPooledImage* image = Pool().GetByFile(file_);
  return image && !image->image.Empty() ? image : nullptr;
}

void CVuNormalSkin::Draw(ZCanvas* dc, const ZRect& rect, int state, BYTE alpha) {
  const VuPooledImage* image = Image();
  if (!image) return;
  const BYTE combined = static_cast<BYTE>((alpha * SkinAlpha() + 127) / 255);
  margins_.Draw(dc, *image, rect, state, combined);
}

VuSize CVuNormalSkin::GetSkinSize() {
  const VuPooledImage* image = Image();
  return image ? margins_.FrameSize(*image) : VuSize{};
}
