#include "ui/skin/CVuSkinGradation.h"

#include <cstring>

#include "ui/skin/VuSkinValues.h"

HRESULT CVuSkinGradation::SetAttribute(const char* name, const char* value, bool loading) {
  HRESULT result = CVuSkinBase::SetAttribute(name, value, loading);
  if (result != E_FAIL || !name || !value) return result;
  if (std::strcmp(name, "from") == 0) return VuSkinColor(value, &from_) ? S_OK : E_FAIL;
  if (std::strcmp(name, "to") == 0) return VuSkinColor(value, &to_) ? S_OK : E_FAIL;
  if (std::strcmp(name, "size") == 0) {
    const int size = VuSkinInt(value);
    size_ = size > kVuSkinMaxPixels ? kVuSkinMaxPixels : size;
    return S_OK;
  }
  if (std::strcmp(name, "direction") == 0) {
    if (std::strcmp(value, "vert") == 0) {
      vertical_ = true;
    } else if (std::strcmp(value, "horz") == 0) {
      vertical_ = false;
    } else {
      return E_FAIL;
    }
    return S_OK;
  }
  return E_FAIL;
}

void CVuSkinGradation::Draw(ZCanvas* dc, const ZRect& rect, int, BYTE alpha) {
  if (!dc || rect.Width() <= 0 || rect.Height() <= 0) return;
  if (to_ != kVuNoColor) dc->FillRect(rect, VuToZColor(to_, alpha));
  if (from_ == kVuNoColor || to_ == kVuNoColor) return;
  ZRect band = rect;
  if (vertical_ && size_ > 0) band.bottom = rect.top + size_;
  if (!vertical_ && size_ > 0) band.right = rect.left + size_;
  dc->PushClip(&rect, 1);
  if (vertical_)
    dc->GradientFillV(band, VuToZColor(from_, alpha), VuToZColor(to_, alpha));
  else
    dc->GradientFillH(band, VuToZColor(from_, alpha), VuToZColor(to_, alpha));
  dc->PopClip();
}
