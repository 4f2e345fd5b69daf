#include "ui/richtext/CRichTextGdiGraphics.h"

#include <cmath>

#include "ui/richtext/VuRichCanvas.h"
#include "ui/skin/VuSkinPool.h"

CRichTextGdiGraphics::CRichTextGdiGraphics(ZCanvas* canvas) : canvas_(canvas) {}

ZSizeF CRichTextGdiGraphics::MeasureText(const std::u16string& text, const ZFont& font) {
  ZRect box{0, 0, 0, 0};
  const int height = VuRichMeasuringCanvas(canvas_)->PaintText(
      text, &box, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX, font, ZColor{});
  return {static_cast<float>(box.Width() > 0 ? box.Width() : 0),
          static_cast<float>(height > 0 ? height : box.Height())};
}

void CRichTextGdiGraphics::DrawText(const std::u16string& text, float x, float y, const ZFont& font,
                                    ZColor color) {
  if (!canvas_) return;
  const int left = VuRichClampCoordinate(std::floor(x)), top = VuRichClampCoordinate(std::floor(y));
  ZRect box{left, top, left, top};
  color.a = 255;
  canvas_->PaintText(text, &box, DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP, font, color);
}

void CRichTextGdiGraphics::DrawSkin(const std::string& skin, const ZRect& rect) {
  if (!canvas_) return;
  if (CVuSkinBase* found = VuSkinPool::Instance().Get(skin)) found->Draw(canvas_, rect, 0, 255);
}

void CRichTextGdiGraphics::PushClip(const ZRect& rect) {
  if (canvas_) canvas_->PushClip(&rect, 1);
}

void CRichTextGdiGraphics::PopClip() {
  if (canvas_) canvas_->PopClip();
}
