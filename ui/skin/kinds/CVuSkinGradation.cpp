#include "ui/skin/kinds/CVuSkinGradation.h"

#include <climits>
#include <cstdint>
#include <cstring>

#include "ui/skin/VuSkinValues.h"

namespace {

int Reach(int start, int size) {
  const int64_t end = static_cast<int64_t>(start) + size;
  return end > INT_MAX ? INT_MAX : static_cast<int>(end);
}

}  // namespace

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
  // The band may reach past the rectangle: the clip cuts it, the slope stays.
  ZRect band = rect;
  if (vertical_ && size_ > 0) band.bottom = Reach(rect.top, size_);
  if (!vertical_ && size_ > 0) band.right = Reach(rect.left, size_);
  dc->PushClip(&rect, 1);
  if (vertical_)
    dc->GradientFillV(band, VuToZColor(from_, alpha), VuToZColor(to_, alpha));
  else
    dc->GradientFillH(band, VuToZColor(from_, alpha), VuToZColor(to_, alpha));
  dc->PopClip();
}
