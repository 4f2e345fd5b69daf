#include "ui/skin/VuImageAttributes.h"

#include <cstring>

#include "ui/skin/VuSkinValues.h"

HRESULT VuImageAttributes::Set(const char* name, const char* value) {
  if (!name || !value) return E_FAIL;
  if (std::strcmp(name, "src") == 0) {
    const int id = VuSkinInt(value);
    if (id <= 0) return E_FAIL;
    src = id;
    return S_OK;
  }
  if (std::strcmp(name, "mode") == 0) {
    if (std::strcmp(value, "none") == 0) {
      mode = kVuDrawNone;
    } else if (std::strcmp(value, "mask") == 0) {
      mode = kVuDrawMask;
    } else if (std::strcmp(value, "alpha") == 0) {
      mode = kVuDrawAlpha;
    } else {
      return E_FAIL;
    }
    return S_OK;
  }
  if (std::strcmp(name, "maskcolor") == 0) return VuSkinColor(value, &mask_color) ? S_OK : E_FAIL;
  if (std::strcmp(name, "subwidth") == 0) return VuSkinPixels(value, &subwidth) ? S_OK : E_FAIL;
  if (std::strcmp(name, "stretch-x") == 0) return VuSkinPixels(value, &stretch_x) ? S_OK : E_FAIL;
  if (std::strcmp(name, "stretch-y") == 0) return VuSkinPixels(value, &stretch_y) ? S_OK : E_FAIL;
  return E_FAIL;
}

const VuPooledImage* VuImageAttributes::Image() const {
  if (src <= 0) return nullptr;
  const VuPooledImage* image = VuBmpPool::Instance().Get(src);
  return image && !image->image.Empty() ? image : nullptr;
}

const ZImage& VuImageAttributes::Pixels(const VuPooledImage& image) const {
  return VuImageVariant(image, mode, mask_color, 0, subwidth);
}
