// "imghorzex": the bitmap of "imglst" cut in three across: the left and
// right caps, "left" wide each, keep their size, the middle stretches to
// the rectangle's width. The height stays the image's own (at most the
// rectangle's), from the rectangle's top.
#pragma once

#include "ui/skin/kinds/CVuSkinBase.h"
#include "ui/skin/VuImageAttributes.h"

class CVuSkinImgHorzExtend : public CVuSkinBase {
 public:
  const char* GetTag() const override { return "imghorzex"; }
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  void Draw(ZCanvas* dc, const ZRect& rect, int state, BYTE alpha) override;
  VuSize GetSkinSize() override;
  bool IsStateless() const override { return image_.subwidth <= 0; }
  int EnsureLoaded() override { return image_.Image() ? 1 : 0; }

 private:
  VuImageAttributes image_;
  int left_ = 0;
};
