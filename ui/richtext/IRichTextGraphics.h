// What rich text draws with: measuring and drawing text runs, skins
// at given positions, and clipping. Two implementations map it onto
// the canvas: CRichTextGdiGraphics (whole pixels, opaque text, as GDI draws)
// and CRichTextGdiPlusGraphics (fractional advances, colours with alpha, as
// GDI+ draws).
#pragma once

#include <string>

#include "platform/canvas.h"

class IRichTextGraphics {
 public:
  virtual ~IRichTextGraphics() = default;
  // The advance and the line height of text on one line.
  virtual ZSizeF MeasureText(const std::u16string& text, const ZFont& font) = 0;
  // Draws text on one line with its top-left corner at (x, y).
  virtual void DrawText(const std::u16string& text, float x, float y, const ZFont& font, ZColor color) = 0;
  // Draws the skin of that name (the skin pool's) in rect, frame 0.
  virtual void DrawSkin(const std::string& skin, const ZRect& rect) = 0;
  virtual void PushClip(const ZRect& rect) = 0;
  virtual void PopClip() = 0;
  // True when advances are fractional (positions then add up unrounded).
  virtual bool Fractional() const = 0;
};
