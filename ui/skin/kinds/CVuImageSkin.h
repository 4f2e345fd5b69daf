// "imglst": one bitmap, a strip of state frames "subwidth" wide (0: one
// frame), drawn at its own size at the rectangle's origin (copied, masked
// or alpha-blended by "mode"), or stretched to "stretch-x" x "stretch-y".
#pragma once

#include "ui/skin/kinds/CVuSkinBase.h"
#include "ui/skin/VuImageAttributes.h"

class CVuImageSkin : public CVuSkinBase {
 public:
  const char* GetTag() const override { return "imglst"; }
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  void Draw(ZCanvas* dc, const ZRect& rect, int state, BYTE alpha) override;
  VuSize GetSkinSize() override;
  bool IsStateless() const override { return image_.subwidth <= 0; }
  int EnsureLoaded() override { return image_.Image() ? 1 : 0; }

  const VuImageAttributes& ImageAttributes() const { return image_; }

 private:
  VuImageAttributes image_;
};
