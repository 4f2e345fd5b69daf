// "imgex": the skin drawn over the rectangle in the element's state frame
// (normal, hover, pushed, disabled) with the constant opacity "alpha".
#pragma once

#include <string>

#include "ui/element/CVuWindow.h"

class CVuSkinBase;

class CVuImageEx : public CVuWindow {
 public:
  const char* GetTag() const override;  // "imgex"
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  bool Load(const ZXmlElement& element) override;
  bool NeedsRedrawOnStateChange() override;
  void PaintContent(ZCanvas* dc) override;

  BYTE GetAlpha() const { return alpha_; }

 protected:
  VuSize WantedSize(int cx, int cy) override;
  // Draws the skin in the state frame over rect.
  void DrawSkin(ZCanvas* dc, const ZRect& rect);
  CVuSkinBase* Skin() const;

  std::string skin_;
  BYTE alpha_ = 255;
};
