// Rich-text drawing as GDI does it: whole-pixel advances from DrawText's
// measure, text drawn at integer positions and always opaque (GDI text has
// no alpha).
#pragma once

#include "ui/richtext/IRichTextGraphics.h"

class CRichTextGdiGraphics : public IRichTextGraphics {
 public:
  // canvas may be null: measuring only (a canvas of its own is used).
  explicit CRichTextGdiGraphics(ZCanvas* canvas);
  ZSizeF MeasureText(const std::u16string& text, const ZFont& font) override;
  void DrawText(const std::u16string& text, float x, float y, const ZFont& font, ZColor color) override;
  void DrawSkin(const std::string& skin, const ZRect& rect) override;
  void PushClip(const ZRect& rect) override;
  void PopClip() override;
  bool Fractional() const override { return false; }

 private:
  ZCanvas* canvas_;
};
