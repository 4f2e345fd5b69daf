#include "ui/richtext/CRichTextGdiPlusGraphics.h"

#include <cmath>

#include "ui/richtext/VuRichCanvas.h"
#include "ui/skin/VuSkinPool.h"

CRichTextGdiPlusGraphics::CRichTextGdiPlusGraphics(ZCanvas* canvas) : canvas_(canvas) {}

ZSizeF CRichTextGdiPlusGraphics::MeasureText(const std::u16string& text, const ZFont& font) {
  ZSizeF size = VuRichMeasuringCanvas(canvas_)->MeasureString(text, font);
  if (!(size.width >= 0) || size.width > 1e9f) size.width = 0;
  if (!(size.height >= 0) || size.height > 1e9f) size.height = 0;
  return size;
}

void CRichTextGdiPlusGraphics::DrawText(const std::u16string& text, float x, float y, const ZFont& font,
                                        ZColor color) {
  if (!canvas_) return;
  // The canvas places text on whole pixels: the nearest one.
  const int left = VuRichClampCoordinate(std::round(x)), top = VuRichClampCoordinate(std::round(y));
  ZRect box{left, top, left, top};
  canvas_->PaintText(text, &box, DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP, font, color);
}

void CRichTextGdiPlusGraphics::DrawSkin(const std::string& skin, const ZRect& rect) {
  if (!canvas_) return;
  if (CVuSkinBase* found = VuSkinPool::Instance().Get(skin)) found->Draw(canvas_, rect, 0, 255);
}

void CRichTextGdiPlusGraphics::PushClip(const ZRect& rect) {
  if (canvas_) canvas_->PushClip(&rect, 1);
}

void CRichTextGdiPlusGraphics::PopClip() {
  if (canvas_) canvas_->PopClip();
}
