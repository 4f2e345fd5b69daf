#include "ui/controls/image/CVuExpendImg.h"

#include <algorithm>
#include <cstring>

#include "ui/controls/image/VuImageDraw.h"
#include "ui/skin/kinds/CVuSkinBase.h"
#include "ui/style/VuValueParsers.h"

namespace {

const char* const kMarginNames[4] = {"margin_left", "margin_top", "margin_right", "margin_bottom"};

}  // namespace

const char* CVuExpendImg::GetTag() const { return "expendimg"; }

HRESULT CVuExpendImg::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuWindow::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  if (std::strcmp(name, "skin") == 0) {
    skin_ = value;
    return 1;
  }
  if (std::strcmp(name, "skinalpha") == 0) {
    alpha_ = static_cast<BYTE>(std::clamp(VuParseInt(value), 0, 255));
    return 1;
  }
  if (std::strcmp(name, "stretch") == 0) {
    stretch_ = VuParseInt(value) != 0;
    return 1;
  }
  for (int i = 0; i < 4; ++i) {
    if (std::strcmp(name, kMarginNames[i]) != 0) continue;
    const int margin = VuParseInt(value);
    if (margin < 0) return E_FAIL;
    margins_[i] = std::min(margin, kVuMaxSnapshotSide);
    return 1;
  }
  return E_FAIL;
}

bool CVuExpendImg::Load(const ZXmlElement& element) {
  CVuWindow::Load(element);
  VuReportMissingSkin(element.Line(), skin_, GetTag());
  return true;
}

void CVuExpendImg::PaintContent(ZCanvas* dc) {
  if (!dc) return;
  // A rectangle beyond the int range shows nothing (and is not handed to the canvas).
  if (!VuDrawableRect(rect_)) return;
  CVuSkinBase* skin = VuLookupSkin(skin_);
  ZImage image;
  if (skin) {
    const VuSize natural = skin->GetSkinSize();
    if (VuSnapshotSkin(skin, natural.cx, natural.cy, VuSkinFrameForState(state_), &image)) {
      const int w = image.Width(), h = image.Height();
      // Source margins fit the image; target margins fit the rectangle.
      const int sl = std::min(margins_[0], w), sr = std::min(margins_[2], w - sl);
      const int st = std::min(margins_[1], h), sb = std::min(margins_[3], h - st);
      const int64_t rw = VuRectWidth(rect_), rh = VuRectHeight(rect_);
      const int64_t dl = std::min<int64_t>(ScaleForDpi(sl), rw), dr = std::min<int64_t>(ScaleForDpi(sr), rw - dl);
      const int64_t dt = std::min<int64_t>(ScaleForDpi(st), rh), db = std::min<int64_t>(ScaleForDpi(sb), rh - dt);
      const int sx[4] = {0, sl, w - sr, w}, sy[4] = {0, st, h - sb, h};
      const int64_t dx[4] = {rect_.left, rect_.left + dl, rect_.right - dr, rect_.right};
      const int64_t dy[4] = {rect_.top, rect_.top + dt, rect_.bottom - db, rect_.bottom};
      for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) {
          const ZRect src{sx[col], sy[row], sx[col + 1], sy[row + 1]};
          const ZRect dst{VuSaturate(dx[col]), VuSaturate(dy[row]), VuSaturate(dx[col + 1]), VuSaturate(dy[row + 1])};
          if (src.Width() <= 0 || src.Height() <= 0 || VuRectWidth(dst) <= 0 || VuRectHeight(dst) <= 0) continue;
          const bool corner = row != 1 && col != 1;
          if (stretch_ || corner)
            dc->DrawImage(image, src, dst, alpha_);
          else
            VuTileImage(dc, image, src, dst, alpha_);
        }
    }
  }
  CVuWindow::PaintContent(dc);
}
