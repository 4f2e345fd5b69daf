// "png": a PNG image of the PNG pool by id ("src"), with all the margin attributes
// (see VuMarginImage for how they draw).
#pragma once

#include "ui/skin/kinds/CVuSkinBase.h"
#include "ui/skin/VuMarginImage.h"

class CVuPngSkin : public CVuSkinBase {
 public:
  const char* GetTag() const override { return "png"; }
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  void Draw(ZCanvas* dc, const ZRect& rect, int state, BYTE alpha) override;
  VuSize GetSkinSize() override;
  bool IsStateless() const override { return margins_.SubWidth() <= 0; }
  int EnsureLoaded() override { return src_.Get() ? 1 : 0; }

 private:
  VuPoolImageById src_{&VuImagePool::Png};
  VuMarginImage margins_{VuMarginImage::kVerticalMargins | VuMarginImage::kFlip | VuMarginImage::kFlipType |
              VuMarginImage::kMiddleTile | VuMarginImage::kWantImageWidth};
};
