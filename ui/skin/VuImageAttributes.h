// The image attributes of "imglst", shared by "imgframe" and "imghorzex":
// a bitmap by id ("src"), its draw mode and mask colour, the width of one
// state frame and an optional stretch size.
#pragma once

#include "platform/types.h"
#include "ui/core/VuTypes.h"
#include "ui/skin/VuImagePools.h"
#include "ui/skin/VuSkinImage.h"

struct VuImageAttributes {
  int src = 0;
  int mode = kVuDrawNone;
  VuColor mask_color = kVuDefaultMaskColor;
  int subwidth = 0;
  int stretch_x = 0;
  int stretch_y = 0;

  // S_OK when name is one of the image attributes with a valid value;
  // E_FAIL for another name or a value it rejects.
  HRESULT Set(const char* name, const char* value);
  // The bitmap from the bitmap pool; null without "src" or when it is missing.
  const VuPooledImage* Image() const;
  // The image in the draw mode.
  const ZImage& Pixels(const VuPooledImage& image) const;
};
