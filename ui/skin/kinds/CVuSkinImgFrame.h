// "imgframe": the bitmap of "imglst" cut in nine by "left" (left and right
// edge width) and "top" (top and bottom edge height). Corners keep their
// size, the top and bottom edges stretch across, the side edges stretch
// down and the centre stretches both ways; with "crbg" the centre is
// filled with that colour instead. "part" leaves rows or side columns out
// (they then take no room, the middle grows into it).
#pragma once

#include "ui/skin/kinds/CVuSkinBase.h"
#include "ui/skin/VuImageAttributes.h"

class CVuSkinImgFrame : public CVuSkinBase {
 public:
  const char* GetTag() const override { return "imgframe"; }
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  void Draw(ZCanvas* dc, const ZRect& rect, int state, BYTE alpha) override;
  VuSize GetSkinSize() override;
  bool IsStateless() const override { return image_.subwidth <= 0; }
  int EnsureLoaded() override { return image_.Image() ? 1 : 0; }

  unsigned Parts() const { return parts_; }

 private:
  VuImageAttributes image_;
  VuColor fill_ = kVuNoColor;
  int left_ = 0;
  int top_ = 0;
  unsigned parts_ = kVuPartAll;
};
