#include "ui/controls/image/CVuIconWnd.h"

#include <algorithm>
#include <cstring>

#include "ui/style/VuValueParsers.h"

namespace {

// Icons are at most this large on any display.
constexpr int kMaxIconSize = 1024;

}  // namespace

const char* CVuIconWnd::GetTag() const { return "icon"; }

HRESULT CVuIconWnd::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuWindow::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  if (std::strcmp(name, "size") == 0) {
    const int size = VuParseInt(value);
    if (size < 0) return E_FAIL;
    size_ = ScaleForDpi(std::min(size, kMaxIconSize));
    return 1;
  }
  return E_FAIL;
}

VuSize CVuIconWnd::WantedSize(int cx, int cy) {
  if (pos_.count != 4 && size_ > 0) return {size_, size_};
  return CVuWindow::WantedSize(cx, cy);
}

void CVuIconWnd::PaintContent(ZCanvas* dc) {
  if (!dc) return;
  // A rectangle beyond the int range shows nothing (and is not handed to the canvas).
  if (!VuDrawableRect(rect_)) return;
  const std::shared_ptr<const ZImage> icon = Icon();
  if (icon && !icon->Empty()) {
    const int side = size_ > 0 ? size_ : std::min(VuRectWidth(rect_), VuRectHeight(rect_));
    const int left = VuSaturate(int64_t{rect_.left} + (int64_t{VuRectWidth(rect_)} - side) / 2);
    const int top = VuSaturate(int64_t{rect_.top} + (int64_t{VuRectHeight(rect_)} - side) / 2);
    if (side > 0)
      dc->DrawImage(*icon, ZRect{0, 0, icon->Width(), icon->Height()},
                    ZRect{left, top, VuSaturate(int64_t{left} + side), VuSaturate(int64_t{top} + side)},
                    IsEnabled(true) ? 255 : 128);
  }
  CVuWindow::PaintContent(dc);
}
