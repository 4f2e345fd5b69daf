#include "ui/skin/kinds/CVuImageSkin.h"

HRESULT CVuImageSkin::SetAttribute(const char* name, const char* value, bool loading) {
  HRESULT result = CVuSkinBase::SetAttribute(name, value, loading);
  if (result != E_FAIL) return result;
  return image_.Set(name, value);
}

void CVuImageSkin::Draw(ZCanvas* dc, const ZRect& rect, int state, BYTE alpha) {
  const VuPooledImage* image = image_.Image();
  if (!dc || !image) return;
  const ZRect frame = VuStateFrame(*image, image_.subwidth, state);
  if (image_.stretch_x > 0 && image_.stretch_y > 0) {
    // A stretch copies whatever the mode.
    const ZImage& opaque = VuImageVariant(*image, kVuDrawNone, 0, 0, 0);
    dc->DrawImage(opaque, frame,
                  ZRect{rect.left, rect.top, rect.left + VuCanvasPixels(*image, image_.stretch_x),
                        rect.top + VuCanvasPixels(*image, image_.stretch_y)},
                  alpha);
    return;
  }
  dc->DrawImage(image_.Pixels(*image), frame,
                ZRect{rect.left, rect.top, rect.left + VuImageToCanvas(*image, frame.Width()),
                      rect.top + VuImageToCanvas(*image, frame.Height())},
                alpha);
}

VuSize CVuImageSkin::GetSkinSize() {
  const VuPooledImage* image = image_.Image();
  if (!image) return VuSize{};
  if (image_.stretch_x > 0 && image_.stretch_y > 0)
    return VuSize{VuCanvasPixels(*image, image_.stretch_x),
                  VuCanvasPixels(*image, image_.stretch_y)};
  const ZRect frame = VuStateFrame(*image, image_.subwidth, kVuSkinNormal);
  return VuSize{VuImageToCanvas(*image, frame.Width()), VuImageToCanvas(*image, frame.Height())};
}
