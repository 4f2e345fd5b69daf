#include "ui/controls/image/CVuImageRotale.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "ui/controls/image/VuImageDraw.h"
#include "ui/skin/kinds/CVuSkinBase.h"
#include "ui/style/VuValueParsers.h"

const char* CVuImageRotale::GetTag() const { return "imgrotale"; }

HRESULT CVuImageRotale::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuWindow::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  if (std::strcmp(name, "skin") == 0) {
    skin_ = value;
    return 1;
  }
  if (std::strcmp(name, "angle") == 0) {
    SetAngle(VuParseInt(value));
    return 1;
  }
  return E_FAIL;
}

bool CVuImageRotale::Load(const ZXmlElement& element) {
  CVuWindow::Load(element);
  VuReportMissingSkin(element.Line(), skin_, GetTag());
  return true;
}

void CVuImageRotale::PaintContent(ZCanvas* dc) {
  if (!dc) return;
  // A rectangle beyond the int range shows nothing (and is not handed to the canvas).
  if (!VuDrawableRect(rect_)) return;
  CVuSkinBase* skin = VuLookupSkin(skin_);
  const int width = VuRectWidth(rect_), height = VuRectHeight(rect_);
  ZImage snapshot;
  const ZRect visible = VuVisiblePart(*dc, rect_);
  if (skin && visible.Width() > 0 && visible.Height() > 0 &&
      VuSnapshotSkin(skin, width, height, VuSkinFrameForState(state_), &snapshot)) {
    // Quarter turns are exact, so their pixels map one to one.
    double cosine = 0, sine = 0;
    switch (angle_) {
      case 0: cosine = 1; break;
      case 90: sine = 1; break;
      case 180: cosine = -1; break;
      case 270: sine = -1; break;
      default:
        cosine = std::cos(angle_ * 3.14159265358979323846 / 180);
        sine = std::sin(angle_ * 3.14159265358979323846 / 180);
    }
    // Each visible pixel takes the source pixel that the inverse turn lands on.
    std::vector<uint32_t> out(static_cast<size_t>(visible.Width()) * visible.Height(), 0);
    const double half_w = width / 2.0, half_h = height / 2.0;
    for (int y = visible.top; y < visible.bottom; ++y) {
      const double dy = y + 0.5 - (rect_.top + half_h);
      for (int x = visible.left; x < visible.right; ++x) {
        const double dx = x + 0.5 - (rect_.left + half_w);
        const double sx = std::floor(cosine * dx + sine * dy + half_w);
        const double sy = std::floor(-sine * dx + cosine * dy + half_h);
        if (sx < 0 || sy < 0 || sx >= width || sy >= height) continue;
        out[static_cast<size_t>(y - visible.top) * visible.Width() + (x - visible.left)] =
            snapshot.PixelAt(static_cast<int>(sx), static_cast<int>(sy));
      }
    }
    ZImage turned;
    turned.Assign(visible.Width(), visible.Height(), std::move(out));
    dc->DrawImage(turned, ZRect{0, 0, visible.Width(), visible.Height()}, visible, 255);
  }
  CVuWindow::PaintContent(dc);
}
