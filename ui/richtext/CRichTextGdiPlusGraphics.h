// Rich-text drawing as GDI+ does it: fractional advances from
// MeasureString, anti-aliased text whose colour keeps its alpha.
#pragma once

#include "ui/richtext/IRichTextGraphics.h"

class CRichTextGdiPlusGraphics : public IRichTextGraphics {
 public:
  // canvas may be null: measuring only.
  explicit CRichTextGdiPlusGraphics(ZCanvas* canvas);
  ZSizeF MeasureText(const std::u16string& text, const ZFont& font) override;
  void DrawText(const std::u16string& text, float x, float y, const ZFont& font, ZColor color) override;
  void DrawSkin(const std::string& skin, const ZRect& rect) override;
  void PushClip(const ZRect& rect) override;
  void PopClip() override;
  bool Fractional() const override { return true; }

 private:
  ZCanvas* canvas_;
};
