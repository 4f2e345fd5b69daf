// "img": draws the skin named by "skin" in its rectangle with the constant
// opacity "alpha". The other image attributes are accepted and kept.
#pragma once

#include <string>

#include "ui/element/CVuWindow.h"

class CVuSkinBase;

class CVuImageWnd : public CVuWindow {
 public:
  const char* GetTag() const override;  // "img"
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  bool Load(const ZXmlElement& element) override;  // reports a skin the pool lacks
  bool NeedsRedrawOnStateChange() override;
  void PaintContent(ZCanvas* dc) override;

  const std::string& GetSkinName() const { return skin_; }
  BYTE GetAlpha() const { return alpha_; }
  // "ico_top", "caption", "caption_top", "group", "mask", "cliptype",
  // "clipparam" as given (empty when absent).
  const std::string& GetKeptAttribute(const char* name) const;

 protected:
  // The frame the skin is drawn in: 0 for a plain image.
  virtual int SkinState() const;
  // Without a position, an image wants its skin's natural size.
  VuSize WantedSize(int cx, int cy) override;
  CVuSkinBase* Skin() const;

  std::string skin_;
  BYTE alpha_ = 255;
  std::string kept_[7];
};
