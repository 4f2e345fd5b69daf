// The skins of an image file of the primary resource directory ("file"),
// cached by name in the PNG or JPEG pool, drawn with stretchable margins
// (see VuMarginImage), at the skin's own alpha times the caller's.
#pragma once

#include <string>

#include "ui/skin/kinds/CVuSkinBase.h"
#include "ui/skin/VuMarginImage.h"

class CVuNormalSkin : public CVuSkinBase {
 public:
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  void Draw(ZCanvas* dc, const ZRect& rect, int state, BYTE alpha) override;
  VuSize GetSkinSize() override;
  bool IsStateless() const override { return margins_.SubWidth() <= 0; }
  int EnsureLoaded() override { return Image() ? 1 : 0; }

  const std::u16string& File() const { return file_; }

 protected:
  // The pool that holds the kind's images.
  virtual VuImagePool& Pool() const = 0;
  // The skin's own alpha; opaque here.
  virtual BYTE SkinAlpha() { return 255; }
  const VuPooledImage* Image() const;

 private:
  std::u16string file_;
  VuMarginImage margins_{VuMarginImage::kVerticalMargins | VuMarginImage::kFlip |
                         VuMarginImage::kMiddleTile};
};
