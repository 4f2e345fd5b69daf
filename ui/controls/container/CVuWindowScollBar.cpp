#include "ui/controls/container/CVuWindowScollBar.h"

#include <algorithm>
#include <cstring>

#include "platform/window_input.h"
#include "ui/controls/container/CVuListWnd.h"
#include "ui/controls/container/VuContainerInput.h"
#include "ui/style/VuValueParsers.h"

namespace {

// A thumb never gets shorter than this, so that it can be grabbed.
constexpr int kMinThumb = 8;

}  // namespace

const char* CVuWindowScollBar::GetTag() const { return "listscrollbar"; }

HRESULT CVuWindowScollBar::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuWindow::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  VuColor* colour = std::strcmp(name, "color_bar") == 0      ? &bar_
                    : std::strcmp(name, "color_bar_hv") == 0 ? &bar_hover_
                    : std::strcmp(name, "color_bar_border") == 0 ? &border_
                                                                 : nullptr;
  if (colour) {
    VuColor parsed = kVuNoColor;
    if (!VuParseColor(value, &parsed)) return E_FAIL;
    *colour = parsed;
    return 1;
  }
  if (std::strcmp(name, "rectanglebar") == 0) {
    rectangle_ = VuParseInt(value) != 0;
    return 1;
  }
  if (std::strcmp(name, "permanent_hide") == 0) {
    permanent_hide_ = VuParseInt(value) != 0;
    return 1;
  }
  if (std::strcmp(name, "barwidth") == 0) {
    const int width = VuParseInt(value);
    if (width < 1 || width > 256) return E_FAIL;
    bar_width_ = ScaleForDpi(width);
    return 1;
  }
  return E_FAIL;
}

VUHANDLE CVuWindowScollBar::HitTest(int x, int y, int flag) {
  return IsNeeded() ? CVuWindow::HitTest(x, y, flag) : 0;
}

void CVuWindowScollBar::SetRange(int content, int view, int offset) {
  content_ = std::max(content, 0);
  view_ = std::max(view, 0);
  offset_ = std::clamp(offset, 0, std::max(content_ - view_, 0));
}

ZRect CVuWindowScollBar::ThumbRect() const {
  if (!IsNeeded()) return {};
  const int64_t track = VuRectHeight(rect_);
  const int64_t thumb = std::min<int64_t>(track, std::max<int64_t>(kMinThumb, track * view_ / content_));
  const int64_t top = rect_.top + (track - thumb) * offset_ / std::max(content_ - view_, 1);
  return {rect_.left, VuSaturate(top), rect_.right, VuSaturate(top + thumb)};
}

CVuListWnd* CVuWindowScollBar::List() const { return dynamic_cast<CVuListWnd*>(GetParent()); }

void CVuWindowScollBar::PaintContent(ZCanvas* dc) {
  if (!dc || !IsNeeded() || !VuDrawableRect(rect_)) return;
  const ZRect thumb = ThumbRect();
  const bool hot = dragging_ || (state_ & (kVuStateHover | kVuStatePushed));
  const ZColor fill = VuToZColor(hot ? bar_hover_ : bar_);
  const int radius = rectangle_ ? 0 : std::min(thumb.Width(), thumb.Height()) / 2;
  if (radius > 0) dc->FillRoundRect(thumb, radius, fill);
  else dc->FillRect(thumb, fill);
  if (border_ != kVuNoColor) {
    if (radius > 0) dc->DrawRoundRect(thumb, radius, 1, VuToZColor(border_));
    else dc->DrawRect(thumb, 1, VuToZColor(border_));
  }
}

bool CVuWindowScollBar::ProcessMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  const ZPoint point = VuMousePoint(lparam);
  switch (message) {
    case WM_LBUTTONDOWN: {
      if (!IsNeeded()) break;
      CVuListWnd* list = List();
      const ZRect thumb = ThumbRect();
      if (list && !VuRectHolds(thumb, point.x, point.y)) {
        // A press on the track pages towards it.
        list->ScrollBy(point.y < thumb.top ? -view_ : view_);
      } else {
        dragging_ = true;
        drag_start_y_ = point.y;
        drag_start_offset_ = offset_;
      }
      VuInvalidateElement(*this);
      if (result) *result = 0;
      return true;
    }
    case WM_MOUSEMOVE: {
      if (!dragging_) break;
      const ZRect thumb = ThumbRect();
      const int64_t free_track = std::max<int64_t>(int64_t{VuRectHeight(rect_)} - VuRectHeight(thumb), 1);
      const int64_t moved = int64_t{point.y} - drag_start_y_;
      const int64_t offset = drag_start_offset_ + moved * std::max(content_ - view_, 0) / free_track;
      if (CVuListWnd* list = List()) list->ScrollTo(VuSaturate(offset));
      if (result) *result = 0;
      return true;
    }
    case WM_LBUTTONUP:
    case WM_MOUSELEAVE:
      if (message == WM_MOUSELEAVE && dragging_) break;  // the drag goes on until release
      if (dragging_) {
        dragging_ = false;
        VuInvalidateElement(*this);
      }
      if (result) *result = 0;
      return true;
    default:
      break;
  }
  return CVuWindow::ProcessMessage(message, wparam, lparam, result);
}
