#include "ui/controls/image/CVuImageEx.h"

#include <algorithm>
#include <cstring>

#include "ui/controls/image/VuImageDraw.h"
#include "ui/skin/kinds/CVuSkinBase.h"
#include "ui/style/VuValueParsers.h"

const char* CVuImageEx::GetTag() const { return "imgex"; }

HRESULT CVuImageEx::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuWindow::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  if (std::strcmp(name, "skin") == 0) {
    skin_ = value;
    return 1;
  }
  if (std::strcmp(name, "alpha") == 0) {
    alpha_ = static_cast<BYTE>(std::clamp(VuParseInt(value), 0, 255));
    return 1;
  }
  return E_FAIL;
}

bool CVuImageEx::Load(const ZXmlElement& element) {
  CVuWindow::Load(element);
  VuReportMissingSkin(element.Line(), skin_, GetTag());
  return true;
}

CVuSkinBase* CVuImageEx::Skin() const { return VuLookupSkin(skin_); }

bool CVuImageEx::NeedsRedrawOnStateChange() {
  if (CVuWindow::NeedsRedrawOnStateChange()) return true;
  CVuSkinBase* skin = Skin();
  return skin && !skin->IsStateless();
}

VuSize CVuImageEx::WantedSize(int cx, int cy) {
  if (pos_.count != 4 && text_.empty())
    if (CVuSkinBase* skin = Skin()) {
      const VuSize size = skin->GetSkinSize();
      if (size.cx > 0 || size.cy > 0) return size;
    }
  return CVuWindow::WantedSize(cx, cy);
}

void CVuImageEx::DrawSkin(ZCanvas* dc, const ZRect& rect) {
  if (CVuSkinBase* skin = Skin()) skin->Draw(dc, rect, VuSkinFrameForState(state_), alpha_);
}

void CVuImageEx::PaintContent(ZCanvas* dc) {
  if (!dc) return;
  // A rectangle beyond the int range shows nothing (and is not handed to the canvas).
  if (!VuDrawableRect(rect_)) return;
  DrawSkin(dc, rect_);
  CVuWindow::PaintContent(dc);
}
