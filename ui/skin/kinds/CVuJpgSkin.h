// "jpg": a JPEG image of the JPEG pool by id ("src"), with side margins only
// (see VuMarginImage for how they draw).
#pragma once

#include "ui/skin/kinds/CVuSkinBase.h"
#include "ui/skin/VuMarginImage.h"

class CVuJpgSkin : public CVuSkinBase {
 public:
  const char* GetTag() const override { return "jpg"; }
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  void Draw(ZCanvas* dc, const ZRect& rect, int state, BYTE alpha) override;
  VuSize GetSkinSize() override;
  bool IsStateless() const override { return margins_.SubWidth() <= 0; }
  int EnsureLoaded() override { return src_.Get() ? 1 : 0; }

 private:
  VuPoolImageById src_{&VuImagePool::Jpg};
  VuMarginImage margins_{0};
};
