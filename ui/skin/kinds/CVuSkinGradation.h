// "gradation": the rectangle filled with "to", then a gradient from "from"
// to "to" over the first "size" pixels (all of them when "size" is not
// positive), downwards with "direction"="vert", else rightwards; clipped to
// the rectangle.
#pragma once

#include "ui/skin/kinds/CVuSkinBase.h"

class CVuSkinGradation : public CVuSkinBase {
 public:
  const char* GetTag() const override { return "gradation"; }
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  void Draw(ZCanvas* dc, const ZRect& rect, int state, BYTE alpha) override;

 private:
  VuColor from_ = kVuNoColor;
  VuColor to_ = kVuNoColor;
  int size_ = 0;
  bool vertical_ = false;
};
