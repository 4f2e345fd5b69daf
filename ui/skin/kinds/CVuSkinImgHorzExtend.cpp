#include "ui/skin/kinds/CVuSkinImgHorzExtend.h"

#include <algorithm>
#include <cstring>

#include "ui/skin/VuSkinValues.h"

HRESULT CVuSkinImgHorzExtend::SetAttribute(const char* name, const char* value, bool loading) {
  HRESULT result = CVuSkinBase::SetAttribute(name, value, loading);
  if (result != E_FAIL || !name || !value) return result;
  if (std::strcmp(name, "left") == 0) return VuSkinPixels(value, &left_) ? S_OK : E_FAIL;
  return image_.Set(name, value);
}

void CVuSkinImgHorzExtend::Draw(ZCanvas* dc, const ZRect& rect, int state, BYTE alpha) {
  const VuPooledImage* image = image_.Image();
  if (!dc || !image) return;
  const ZRect frame = VuStateFrame(*image, image_.subwidth, state);
  const int height = std::min(VuImageToCanvas(*image, frame.Height()), rect.Height());
  VuNinePatch patch;
  patch.src = VuEdges{VuImagePixels(*image, left_), 0, VuImagePixels(*image, left_), 0};
  patch.dst = VuEdges{VuCanvasPixels(*image, left_), 0, VuCanvasPixels(*image, left_), 0};
  VuDrawNinePatch(dc, image_.Pixels(*image), frame,
                  ZRect{rect.left, rect.top, rect.right, rect.top + height}, patch, alpha);
}

VuSize CVuSkinImgHorzExtend::GetSkinSize() {
  const VuPooledImage* image = image_.Image();
  if (!image) return VuSize{};
  const ZRect frame = VuStateFrame(*image, image_.subwidth, kVuSkinNormal);
  return VuSize{VuImageToCanvas(*image, frame.Width()), VuImageToCanvas(*image, frame.Height())};
}
