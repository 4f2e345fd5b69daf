// "imgbtnsized": a button of any width made from a skin's two caps and a
// middle: the first "left" pixels of the skin's state image are the left
// cap, its last "left" pixels the right cap, and the middle between them is
// stretched from "skinmid" (or, without it, from the skin's own middle).
// The text is centred on it.
#pragma once

#include <string>

#include "ui/element/CVuWindow.h"

class CVuSkinBase;

class CVuImgbtnsized : public CVuWindow {
 public:
  const char* GetTag() const override;  // "imgbtnsized"
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  bool Load(const ZXmlElement& element) override;  // reports skins the pool lacks
  bool NeedsRedrawOnStateChange() override;
  void PaintContent(ZCanvas* dc) override;

  int CapWidth() const { return left_; }

 protected:
  VuSize WantedSize(int cx, int cy) override;  // the skin's natural size without a position

  std::string skin_;
  std::string skin_mid_;
  int left_ = 0;
};
