#include "ui/skin/VuMarginImage.h"

#include <cstring>

#include "ui/skin/VuSkinValues.h"

HRESULT VuMarginImage::Set(const char* name, const char* value) {
  if (!name || !value) return E_FAIL;
  if (std::strcmp(name, "subwidth") == 0) return VuSkinPixels(value, &subwidth_) ? S_OK : E_FAIL;
  if (std::strcmp(name, "left") == 0) {
    int left = 0;
    if (!VuSkinPixels(value, &left)) return E_FAIL;
    margins_.left = margins_.right = left;
    return S_OK;
  }
  if (std::strcmp(name, "margin_left") == 0)
    return VuSkinPixels(value, &margins_.left) ? S_OK : E_FAIL;
  if (std::strcmp(name, "margin_right") == 0)
    return VuSkinPixels(value, &margins_.right) ? S_OK : E_FAIL;
  if (accepted_ & kVerticalMargins) {
    if (std::strcmp(name, "margin_top") == 0)
      return VuSkinPixels(value, &margins_.top) ? S_OK : E_FAIL;
    if (std::strcmp(name, "margin_bottom") == 0)
      return VuSkinPixels(value, &margins_.bottom) ? S_OK : E_FAIL;
  }
  if ((accepted_ & kFlip) && std::strcmp(name, "flip") == 0) {
    flip_ = VuSkinInt(value) != 0;
    return S_OK;
  }
  if ((accepted_ & kFlipType) && std::strcmp(name, "fliptype") == 0) {
    const int type = VuSkinInt(value);
    if (type < 0 || type > 2) return E_FAIL;
    flip_type_ = type;
    return S_OK;
  }
  if ((accepted_ & kMiddleTile) && std::strcmp(name, "middle_tile") == 0) {
    middle_tile_ = VuSkinInt(value) != 0;
    return S_OK;
  }
  if ((accepted_ & kWantImageWidth) && std::strcmp(name, "wantimgwidth") == 0) {
    want_image_width_ = VuSkinInt(value) != 0;
    return S_OK;
  }
  return E_FAIL;
}

void VuMarginImage::Draw(ZCanvas* dc, const VuPooledImage& image, const ZRect& rect, int state,
                         BYTE alpha) const {
  if (!dc || image.image.Empty()) return;
  int flip = 0;
  if (flip_) {
    flip = flip_type_ == 1   ? kVuFlipVertical
           : flip_type_ == 2 ? kVuFlipHorizontal | kVuFlipVertical
                             : kVuFlipHorizontal;
  }
  const ZImage& pixels = VuImageVariant(image, kVuDrawAlpha, 0, flip, subwidth_);
  const ZRect frame = VuStateFrame(image, subwidth_, state);
  ZRect dst = rect;
  if (want_image_width_) dst.right = rect.left + VuImageToCanvas(image, frame.Width());
  VuNinePatch patch;
  patch.src = VuEdges{VuImagePixels(image, margins_.left), VuImagePixels(image, margins_.top),
                      VuImagePixels(image, margins_.right), VuImagePixels(image, margins_.bottom)};
  patch.dst = VuEdges{VuCanvasPixels(image, margins_.left), VuCanvasPixels(image, margins_.top),
                      VuCanvasPixels(image, margins_.right), VuCanvasPixels(image, margins_.bottom)};
  patch.tile_centre = middle_tile_;
  patch.zoom = image.scale > 0 ? image.target / image.scale : 1.0f;
  VuDrawNinePatch(dc, pixels, frame, dst, patch, alpha);
}

VuSize VuMarginImage::FrameSize(const VuPooledImage& image) const {
  const ZRect frame = VuStateFrame(image, subwidth_, 0);
  return VuSize{VuImageToCanvas(image, frame.Width()), VuImageToCanvas(image, frame.Height())};
}

HRESULT VuPoolImageById::Set(const char* value) {
  const int id = VuSkinInt(value);
  if (id <= 0) return E_FAIL;
  src_ = id;
  return S_OK;
}

const VuPooledImage* VuPoolImageById::Get() const {
  if (src_ <= 0) return nullptr;
  const VuPooledImage* image = pool_().GetById(src_);
  return image && !image->image.Empty() ? image : nullptr;
}
