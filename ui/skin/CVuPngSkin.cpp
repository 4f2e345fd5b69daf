#include "ui/skin/CVuPngSkin.h"

#include <cstring>

#include "ui/skin/VuSkinValues.h"

HRESULT CVuPngSkin::SetAttribute(const char* name, const char* value, bool loading) {
  HRESULT result = CVuSkinBase::SetAttribute(name, value, loading);
  if (result != E_FAIL || !name || !value) return result;
  if (std::strcmp(name, "src") == 0) {
    const int id = VuSkinInt(value);
    if (id <= 0) return E_FAIL;
    src_ = id;
    return S_OK;
  }
  return margins_.Set(name, value);
}

const VuPooledImage* CVuPngSkin::Image() const {
  if (src_ <= 0) return nullptr;
  const VuPooledImage* image = VuImagePool::Png().GetById(src_);
  return image && !image->image.Empty() ? image : nullptr;
}

void CVuPngSkin::Draw(ZCanvas* dc, const ZRect& rect, int state, BYTE alpha) {
  const VuPooledImage* image = Image();
  if (image) margins_.Draw(dc, *image, rect, state, alpha);
}

VuSize CVuPngSkin::GetSkinSize() {
  const VuPooledImage* image = Image();
  return image ? margins_.FrameSize(*image) : VuSize{};
}
