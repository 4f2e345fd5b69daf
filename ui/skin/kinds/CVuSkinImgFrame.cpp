#include "ui/skin/kinds/CVuSkinImgFrame.h"

#include <cstring>

#include "ui/skin/VuSkinValues.h"

namespace {

struct PartName {
  const char* name;
  unsigned mask;
};

constexpr PartName kParts[] = {{"all", 0x2F},  {"top", 0x2B},    {"middle", 0x2A}, {"bottom", 0x2E},
                               {"left", 0x0F}, {"center", 0x07}, {"right", 0x27}};

}  // namespace

HRESULT CVuSkinImgFrame::SetAttribute(const char* name, const char* value, bool loading) {
  HRESULT result = CVuSkinBase::SetAttribute(name, value, loading);
  if (result != E_FAIL || !name || !value) return result;
  if (std::strcmp(name, "crbg") == 0) return VuSkinColor(value, &fill_) ? S_OK : E_FAIL;
  if (std::strcmp(name, "left") == 0) return VuSkinPixels(value, &left_) ? S_OK : E_FAIL;
  if (std::strcmp(name, "top") == 0) return VuSkinPixels(value, &top_) ? S_OK : E_FAIL;
  if (std::strcmp(name, "part") == 0) {
    for (const PartName& part : kParts) {
      if (std::strcmp(value, part.name) == 0) {
        parts_ = part.mask;
        return S_OK;
      }
    }
    return E_FAIL;
  }
  return image_.Set(name, value);
}

void CVuSkinImgFrame::Draw(ZCanvas* dc, const ZRect& rect, int state, BYTE alpha) {
  const VuPooledImage* image = image_.Image();
  if (!dc || !image) return;
  VuNinePatch patch;
  patch.src = VuEdges{VuImagePixels(*image, left_), VuImagePixels(*image, top_),
                      VuImagePixels(*image, left_), VuImagePixels(*image, top_)};
  patch.dst = VuEdges{VuCanvasPixels(*image, left_), VuCanvasPixels(*image, top_),
                      VuCanvasPixels(*image, left_), VuCanvasPixels(*image, top_)};
  patch.parts = parts_;
  patch.skip_centre = fill_ != kVuNoColor;
  const ZRect centre = VuDrawNinePatch(dc, image_.Pixels(*image),
                                       VuStateFrame(*image, image_.subwidth, state), rect, patch,
                                       alpha);
  if (fill_ != kVuNoColor && (parts_ & kVuPartMiddleRow)) dc->FillRect(centre, VuToZColor(fill_, alpha));
}

VuSize CVuSkinImgFrame::GetSkinSize() {
  const VuPooledImage* image = image_.Image();
  if (!image) return VuSize{};
  const ZRect frame = VuStateFrame(*image, image_.subwidth, kVuSkinNormal);
  return VuSize{VuImageToCanvas(*image, frame.Width()), VuImageToCanvas(*image, frame.Height())};
}
