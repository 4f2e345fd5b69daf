// "skinbtn": a button that draws the skin named by "skin" in the frame of
// its state (disabled, pushed, hover, normal), then its text.
#pragma once

#include <string>

#include "ui/element/CVuWindow.h"

class CVuSkinBase;

class CVuSkinBtnWnd : public CVuWindow {
 public:
  const char* GetTag() const override;  // "skinbtn"
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  bool Load(const ZXmlElement& element) override;  // reports a skin the pool lacks
  bool NeedsRedrawOnStateChange() override;
  void PaintContent(ZCanvas* dc) override;

  const std::string& GetSkinName() const { return skin_; }

 protected:
  VuSize WantedSize(int cx, int cy) override;  // the skin's size without a position
  CVuSkinBase* Skin() const;

  std::string skin_;
};
