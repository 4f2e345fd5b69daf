#include "ui/controls/image/CVuImageScroll.h"

#include <algorithm>
#include <cstring>

#include "ui/controls/image/VuImageDraw.h"
#include "ui/skin/kinds/CVuSkinBase.h"
#include "ui/style/VuValueParsers.h"

namespace {

// An offset into an image of extent natural seen through a window of extent view.
int ClampOffset(int offset, int natural, int view) {
  return std::clamp(offset, 0, std::max(0, natural - std::max(view, 0)));
}

}  // namespace

const char* CVuImageScroll::GetTag() const { return "scrollimg"; }

HRESULT CVuImageScroll::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuWindow::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  if (std::strcmp(name, "skin") == 0) {
    skin_ = value;
    return 1;
  }
  bool* flag = std::strcmp(name, "hscroll") == 0 ? &hscroll_ : std::strcmp(name, "vscroll") == 0 ? &vscroll_ : nullptr;
  if (flag) {
    *flag = VuParseInt(value) != 0;
    return 1;
  }
  int* offset = std::strcmp(name, "hpos") == 0 ? &hpos_ : std::strcmp(name, "vpos") == 0 ? &vpos_ : nullptr;
  if (offset) {
    *offset = ScaleForDpi(std::max(VuParseInt(value), 0));
    return 1;
  }
  return E_FAIL;
}

bool CVuImageScroll::Load(const ZXmlElement& element) {
  CVuWindow::Load(element);
  VuReportMissingSkin(element.Line(), skin_, GetTag());
  return true;
}

int CVuImageScroll::EffectiveHPos() const {
  CVuSkinBase* skin = VuLookupSkin(skin_);
  if (!skin || !hscroll_) return 0;
  return ClampOffset(hpos_, skin->GetSkinSize().cx, VuRectWidth(rect_));
}

int CVuImageScroll::EffectiveVPos() const {
  CVuSkinBase* skin = VuLookupSkin(skin_);
  if (!skin || !vscroll_) return 0;
  return ClampOffset(vpos_, skin->GetSkinSize().cy, VuRectHeight(rect_));
}

void CVuImageScroll::PaintContent(ZCanvas* dc) {
  if (!dc) return;
  // A rectangle beyond the int range shows nothing (and is not handed to the canvas).
  if (!VuDrawableRect(rect_)) return;
  if (CVuSkinBase* skin = VuLookupSkin(skin_)) {
    VuSize natural = skin->GetSkinSize();
    if (natural.cx <= 0 || natural.cy <= 0) natural = {VuRectWidth(rect_), VuRectHeight(rect_)};
    const int64_t left = int64_t{rect_.left} - EffectiveHPos(), top = int64_t{rect_.top} - EffectiveVPos();
    const ZRect image{VuSaturate(left), VuSaturate(top), VuSaturate(left + natural.cx), VuSaturate(top + natural.cy)};
    dc->PushClip(&rect_, 1);
    skin->Draw(dc, image, kVuSkinNormal, 255);
    dc->PopClip();
  }
  CVuWindow::PaintContent(dc);
}
