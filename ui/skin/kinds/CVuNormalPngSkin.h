// "skinpng": a PNG file of the resource directory. Its alpha is "alpha",
// or with "extern_alpha_key" the integer of that key in section "alpha" of
// "data\skin\skincfg.ini" under the program's directory (255 when absent),
// read on first use.
#pragma once

#include <string>

#include "ui/skin/kinds/CVuNormalSkin.h"

class CVuNormalPngSkin : public CVuNormalSkin {
 public:
  const char* GetTag() const override { return "skinpng"; }
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  int EnsureLoaded() override;

 protected:
  VuImagePool& Pool() const override { return VuImagePool::Png(); }
  BYTE SkinAlpha() override;

 private:
  BYTE alpha_ = 255;
  std::u16string extern_alpha_key_;
  bool extern_alpha_read_ = false;
};
