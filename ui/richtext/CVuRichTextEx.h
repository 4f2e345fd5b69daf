// "richtextex": rich text with the attributes of "richtext", always drawn
// the GDI+ way (anti-aliased, fractional advances) and with the element's
// text alpha ("alphatxt") applied to text and links.
#pragma once

#include "ui/richtext/CVuRichText.h"

class CVuRichTextEx : public CVuRichText {
 public:
  const char* GetTag() const override;  // "richtextex"

 protected:
  bool UsesGdiPlus() const override;
  uint8_t TextAlpha() const override;
};
