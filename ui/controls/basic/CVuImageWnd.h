// "img": draws the skin named by "skin" in its rectangle with the constant
// opacity "alpha", moved down by "ico_top"; "caption" is a one-line text
// centred over it at "caption_top" from its top; "mask" leaves the pixels of
// that colour out; "cliptype" cuts the image to a shape ("0"/"none",
// "1"/"round": the ellipse of the rectangle, "2"/"roundrect": corners of
// radius "clipparam"). "group" belongs to the image buttons (kept here).
#pragma once

#include <string>

#include "ui/element/CVuWindow.h"

class CVuSkinBase;

// "cliptype" values.
constexpr int kVuClipNone = 0;
constexpr int kVuClipEllipse = 1;
constexpr int kVuClipRoundRect = 2;

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
  int ClipType() const { return clip_type_; }
  const std::u16string& Caption() const { return caption_; }

 protected:
  // The frame the skin is drawn in: 0 for a plain image.
  virtual int SkinState() const;
  // True when SkinState depends on the element's state (image buttons).
  virtual bool DrawsByState() const;
  // Without a position, an image wants its skin's natural size.
  VuSize WantedSize(int cx, int cy) override;
  CVuSkinBase* Skin() const;
  // Draws the skin with the mask and clip effects through a scratch canvas.
  void DrawSkinWithEffects(ZCanvas* dc, CVuSkinBase* skin, const ZRect& target, int state);

  std::string skin_;
  BYTE alpha_ = 255;
  std::string kept_[7];
  int ico_top_ = 0;
  int caption_top_ = 0;
  std::u16string caption_;
  VuColor mask_ = kVuNoColor;
  int clip_type_ = kVuClipNone;
  int clip_param_ = 0;
};
