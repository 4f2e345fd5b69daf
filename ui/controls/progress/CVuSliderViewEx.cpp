#include "ui/controls/progress/CVuSliderViewEx.h"

#include <algorithm>
#include <cstring>

#include "platform/window_input.h"
#include "ui/controls/VuControlUtil.h"
#include "ui/controls/container/VuContainerInput.h"
#include "ui/controls/progress/VuSlider.h"
#include "ui/element/VuNotify.h"
#include "ui/style/VuValueParsers.h"

namespace {

bool Is(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

// Values are bounded so that value x track width fits 64 bits comfortably.
constexpr int kMaxValue = 1 << 24;
constexpr int kThumb = 12;
constexpr int kTrack = 4;
constexpr ZColor kTrackColor{0xD0, 0xD0, 0xD0, 255};
constexpr ZColor kPassedColor{0x42, 0x61, 0x90, 255};
constexpr ZColor kDisabledColor{0xA0, 0xA0, 0xA0, 255};
constexpr ZColor kThumbFace{0xFF, 0xFF, 0xFF, 255};

}  // namespace

const char* CVuSliderViewEx::GetTag() const { return "sliderviewex"; }

HRESULT CVuSliderViewEx::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuOwnerEventDlg::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  int number = 0;
  if (Is(name, "max_value")) {
    if (!VuParseIntIn(value, 1, kMaxValue, &number)) return E_FAIL;
    max_value_ = number;
    value_ = std::min(value_, max_value_);
    return 1;
  }
  if (Is(name, "current_value")) {
    // A later "max_value" clamps it again.
    if (!VuParseIntIn(value, 0, kMaxValue, &number)) return E_FAIL;
    value_ = std::min(number, max_value_);
    return 1;
  }
  if (Is(name, "step_value")) {
    if (!VuParseIntIn(value, 1, kMaxValue, &number)) return E_FAIL;
    step_ = number;
    return 1;
  }
  if (Is(name, "enable_mousewhell")) {
    wheel_ = VuParseInt(value) != 0;
    return 1;
  }
  return E_FAIL;
}

bool CVuSliderViewEx::NeedsRedrawOnStateChange() { return true; }

ZRect CVuSliderViewEx::TrackRect() const {
  // The thumb's half on each side keeps it inside at both ends.
  const int half = std::min(ScaleForDpi(kThumb), std::max(rect_.Width(), 0)) / 2;
  return {rect_.left + half, rect_.top, std::max(rect_.left + half, rect_.right - half), rect_.bottom};
}

ZRect CVuSliderViewEx::ThumbRect() const {
  const int side = std::min({ScaleForDpi(kThumb), std::max(rect_.Width(), 0), std::max(rect_.Height(), 0)});
  const ZRect track = TrackRect();
  const int value = std::clamp(value_, 0, max_value_);
  const int centre = track.left + static_cast<int>(int64_t{track.Width()} * value / max_value_);
  const int top = rect_.top + (rect_.Height() - side) / 2;
  return {centre - side / 2, top, centre - side / 2 + side, top + side};
}

int CVuSliderViewEx::ValueAt(int x) const {
  const ZRect track = TrackRect();
  if (track.Width() <= 0) return value_;
  const int64_t along = std::clamp<int64_t>(int64_t{x} - track.left, 0, track.Width());
  return static_cast<int>((along * max_value_ * 2 + track.Width()) / (int64_t{track.Width()} * 2));
}

bool CVuSliderViewEx::SetValue(int value, bool notify) {
  value = std::clamp(value, 0, max_value_);
  if (value == value_) return false;
  value_ = value;
  VuInvalidateElement(*this);
  if (notify) VuNotifyHost(*this, kVuNotifySliderChanged, id_, "sliderviewex", value_);
  return true;
}

bool CVuSliderViewEx::ProcessMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  const ZPoint at = VuPointFromLParam(lparam);
  const bool enabled = IsEnabled(true);
  switch (message) {
    case WM_LBUTTONDOWN:
      if (enabled && VuPointIn(rect_, at)) {
        if (!VuPointIn(ThumbRect(), at)) {
          // A press beside the thumb steps towards it, then the thumb follows.
          const int target = ValueAt(at.x);
          SetValue(target > value_ ? std::min(target, value_ + step_) : std::max(target, value_ - step_), true);
        }
        dragging_ = true;
      }
      break;
    case WM_MOUSEMOVE:
      if (dragging_) SetValue(ValueAt(at.x), true);
      break;
    case WM_LBUTTONUP:
      if (dragging_) {
        dragging_ = false;
        SetValue(ValueAt(at.x), true);
      }
      break;
    case WM_MOUSEWHEEL:
      if (wheel_ && enabled) {
        // One notch (120) is one step; up raises the value.
        const int64_t notches = VuWheelDelta(wparam) / 120;
        SetValue(static_cast<int>(std::clamp<int64_t>(value_ + notches * step_, 0, max_value_)), true);
      }
      break;
    default:
      break;
  }
  // The container still tracks its children.
  return CVuOwnerEventDlg::ProcessMessage(message, wparam, lparam, result);
}

void CVuSliderViewEx::PaintContent(ZCanvas* dc) {
  if (!dc) return;
  const ZRect track = TrackRect();
  const ZRect thumb = ThumbRect();
  const bool disabled = !IsEnabled(true);
  if (track.Width() > 0 && track.Height() > 0) {
    const int height = std::min(ScaleForDpi(kTrack), track.Height());
    const int top = track.top + (track.Height() - height) / 2;
    dc->FillRoundRect({track.left, top, track.right, top + height}, height / 2, kTrackColor);
    const int centre = thumb.left + thumb.Width() / 2;
    if (centre > track.left)
      dc->FillRoundRect({track.left, top, centre, top + height}, height / 2, disabled ? kDisabledColor : kPassedColor);
  }
  if (thumb.Width() > 0 && thumb.Height() > 0) {
    const bool active = (state_ & (kVuStateHover | kVuStatePushed)) || dragging_;
    dc->FillRoundRect(thumb, thumb.Width() / 2, disabled ? kDisabledColor : active ? ZColor{0x2A, 0x45, 0x70, 255} : kPassedColor);
    const ZRect inner{thumb.left + 2, thumb.top + 2, thumb.right - 2, thumb.bottom - 2};
    if (inner.Width() > 0) dc->FillRoundRect(inner, inner.Width() / 2, kThumbFace);
  }
  CVuOwnerEventDlg::PaintContent(dc);
}
