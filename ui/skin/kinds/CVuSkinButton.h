// "button": a face painted from colours, reading the raw element state
// bits. The rectangle is filled with "bgup" (the face's background colour);
// unless disabled, a vertical gradient follows ("bguppush"/"bgdownpush"
// while pushed, "bguphover"/"bgdownhover" while hovered, else
// "bgup"/"bgdown"); with "useborder" a one-pixel outline in "border".
#pragma once

#include "ui/skin/kinds/CVuSkinBase.h"

class CVuSkinButton : public CVuSkinBase {
 public:
  const char* GetTag() const override { return "button"; }
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  void Draw(ZCanvas* dc, const ZRect& rect, int state_bits, BYTE alpha) override;
  bool IsStateless() const override { return false; }
  bool TakesRawStateBits() const override { return true; }

 private:
  VuColor border_ = 0;
  VuColor up_ = kVuNoColor;
  VuColor up_hover_ = kVuNoColor;
  VuColor up_push_ = kVuNoColor;
  VuColor down_ = kVuNoColor;
  VuColor down_hover_ = kVuNoColor;
  VuColor down_push_ = kVuNoColor;
  bool use_border_ = false;
};
