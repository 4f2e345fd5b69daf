#include "ui/controls/image/CVuImgGray.h"

#include <cstring>
#include <vector>

#include "ui/controls/image/VuImageDraw.h"
#include "ui/skin/kinds/CVuSkinBase.h"
#include "ui/style/VuValueParsers.h"

uint32_t VuGrayPixel(uint32_t pixel) {
  const uint32_t r = pixel >> 16 & 0xFF, g = pixel >> 8 & 0xFF, b = pixel & 0xFF;
  // Premultiplied channels stay premultiplied: the weights sum to one.
  const uint32_t y = (299 * r + 587 * g + 114 * b + 500) / 1000;
  return (pixel & 0xFF000000u) | y << 16 | y << 8 | y;
}

const char* CVuImgGray::GetTag() const { return "imggray"; }

HRESULT CVuImgGray::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuWindow::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  if (std::strcmp(name, "skin") == 0) {
    skin_ = value;
    return 1;
  }
  if (std::strcmp(name, "gray") == 0) {
    gray_ = VuParseInt(value) != 0;
    return 1;
  }
  return E_FAIL;
}

bool CVuImgGray::Load(const ZXmlElement& element) {
  CVuWindow::Load(element);
  VuReportMissingSkin(element.Line(), skin_, GetTag());
  return true;
}

void CVuImgGray::PaintContent(ZCanvas* dc) {
  if (!dc) return;
  // A rectangle beyond the int range shows nothing (and is not handed to the canvas).
  if (!VuDrawableRect(rect_)) return;
  if (CVuSkinBase* skin = VuLookupSkin(skin_)) {
    ZImage snapshot;
    if (!gray_) {
      skin->Draw(dc, rect_, kVuSkinNormal, 255);
    } else if (VuSnapshotSkin(skin, VuRectWidth(rect_), VuRectHeight(rect_), kVuSkinNormal, &snapshot)) {
      std::vector<uint32_t> pixels(snapshot.Pixels(),
                                   snapshot.Pixels() + static_cast<size_t>(snapshot.Width()) * snapshot.Height());
      for (uint32_t& pixel : pixels) pixel = VuGrayPixel(pixel);
      const int width = snapshot.Width(), height = snapshot.Height();
      snapshot.Assign(width, height, std::move(pixels));
      dc->DrawImage(snapshot, ZRect{0, 0, width, height}, rect_, 255);
    }
  }
  CVuWindow::PaintContent(dc);
}
