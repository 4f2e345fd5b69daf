#include "ui/controls/image/CVuImageBg.h"

#include <cstring>

#include "ui/controls/image/VuImageDraw.h"
#include "ui/skin/kinds/CVuSkinBase.h"

const char* CVuImageBg::GetTag() const { return "imgbg"; }

HRESULT CVuImageBg::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuWindow::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  if (std::strcmp(name, "skin") == 0) {
    skin_ = value;
    return 1;
  }
  if (std::strcmp(name, "fill") == 0) {
    if (std::strcmp(value, "tile") == 0) tile_ = true;
    else if (std::strcmp(value, "stretch") == 0) tile_ = false;
    else return E_FAIL;
    return 1;
  }
  return E_FAIL;
}

bool CVuImageBg::Load(const ZXmlElement& element) {
  CVuWindow::Load(element);
  VuReportMissingSkin(element.Line(), skin_, GetTag());
  return true;
}

void CVuImageBg::PaintContent(ZCanvas* dc) {
  if (!dc) return;
  // A rectangle beyond the int range shows nothing (and is not handed to the canvas).
  if (!VuDrawableRect(rect_)) return;
  if (CVuSkinBase* skin = VuLookupSkin(skin_)) {
    const VuSize natural = skin->GetSkinSize();
    // The natural image, repeated or stretched: skins that draw at their own
    // size stretch too.
    ZImage image;
    if (!VuSnapshotSkin(skin, natural.cx, natural.cy, kVuSkinNormal, &image))
      skin->Draw(dc, rect_, kVuSkinNormal, 255);
    else if (tile_)
      VuTileImage(dc, image, ZRect{0, 0, natural.cx, natural.cy}, rect_, 255);
    else
      dc->DrawImage(image, ZRect{0, 0, natural.cx, natural.cy}, rect_, 255);
  }
  CVuWindow::PaintContent(dc);
}
