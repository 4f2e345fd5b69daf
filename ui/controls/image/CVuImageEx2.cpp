#include "ui/controls/image/CVuImageEx2.h"

#include <cstring>

#include "ui/skin/kinds/CVuSkinBase.h"
#include "ui/style/VuValueParsers.h"

const char* CVuImageEx2::GetTag() const { return "imgex2"; }

HRESULT CVuImageEx2::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuImageEx::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  bool* flag = std::strcmp(name, "stretch") == 0 ? &stretch_ : std::strcmp(name, "topdraw") == 0 ? &top_draw_ : nullptr;
  if (!flag) return E_FAIL;
  *flag = VuParseInt(value) != 0;
  return 1;
}

void CVuImageEx2::DrawImage(ZCanvas* dc) {
  CVuSkinBase* skin = Skin();
  if (!skin) return;
  const VuSize natural = skin->GetSkinSize();
  if (stretch_ || natural.cx <= 0 || natural.cy <= 0) {
    DrawSkin(dc, rect_);
    return;
  }
  dc->PushClip(&rect_, 1);
  DrawSkin(dc, ZRect{rect_.left, rect_.top, VuSaturate(int64_t{rect_.left} + natural.cx),
                     VuSaturate(int64_t{rect_.top} + natural.cy)});
  dc->PopClip();
}

void CVuImageEx2::PaintContent(ZCanvas* dc) {
  if (!dc) return;
  // A rectangle beyond the int range shows nothing (and is not handed to the canvas).
  if (!VuDrawableRect(rect_)) return;
  if (!top_draw_) DrawImage(dc);
  CVuWindow::PaintContent(dc);
  if (top_draw_) DrawImage(dc);
}
