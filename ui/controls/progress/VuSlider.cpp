#include "ui/controls/progress/VuSlider.h"

#include <algorithm>
#include <cstring>

#include "platform/window_input.h"
#include "ui/controls/VuControlUtil.h"
#include "ui/element/VuNotify.h"
#include "ui/resource/VuResourceLocator.h"
#include "ui/skin/VuSkinPool.h"
#include "ui/style/VuValueParsers.h"

namespace {

bool Is(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

constexpr const char* kMarginNames[4] = {"bgleftmargin", "bgrightmargin", "bgtopmargin", "bgbottommargin"};
constexpr int kBuiltInThumb = 12;
constexpr int kBuiltInTrack = 4;
constexpr ZColor kTrackColor{0xD0, 0xD0, 0xD0, 255};
constexpr ZColor kPassedColor{0x42, 0x61, 0x90, 255};
constexpr ZColor kThumbColor{0xFF, 0xFF, 0xFF, 255};
constexpr ZColor kThumbBorder{0x42, 0x61, 0x90, 255};
constexpr ZColor kThumbBorderHover{0x2A, 0x45, 0x70, 255};
constexpr ZColor kDisabledColor{0xA0, 0xA0, 0xA0, 255};

int SkinFrame(CVuSkinBase* skin, uint32_t state) {
  return skin->TakesRawStateBits() ? static_cast<int>(state) : VuSkinFrameForState(state);
}

}  // namespace

const char* VuSlider::GetTag() const { return "slider"; }

HRESULT VuSlider::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuWindow::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  if (Is(name, "sliderpos")) {
    int position = 0;
    if (!VuParseIntIn(value, 0, kVuSliderMax, &position)) return E_FAIL;
    SetPosition(position, false);
    return 1;
  }
  if (Is(name, "skinbg") || Is(name, "skin")) {
    (Is(name, "skinbg") ? skin_bg_ : skin_) = value;
    return 1;
  }
  for (int i = 0; i < 4; ++i)
    if (Is(name, kMarginNames[i])) {
      int margin = 0;
      if (!VuParseIntIn(value, 0, 4096, &margin)) return E_FAIL;
      margins_[i] = margin;
      return 1;
    }
  return E_FAIL;
}

bool VuSlider::Load(const ZXmlElement& element) {
  CVuWindow::Load(element);
  for (const std::string* name : {&skin_bg_, &skin_})
    if (!name->empty() && !VuSkinPool::Instance().Get(*name))
      VuResourceLocator::Instance().Report(element.Line(), "skin \"" + *name + "\" of <slider> not found");
  return true;
}

bool VuSlider::NeedsRedrawOnStateChange() { return true; }  // the thumb shows hover and press

ZRect VuSlider::TrackRect() const {
  ZRect track{VuSaturate(int64_t{rect_.left} + ScaleForDpi(margins_[0])),
              VuSaturate(int64_t{rect_.top} + ScaleForDpi(margins_[2])),
              VuSaturate(int64_t{rect_.right} - ScaleForDpi(margins_[1])),
              VuSaturate(int64_t{rect_.bottom} - ScaleForDpi(margins_[3]))};
  track.right = std::max(track.right, track.left);
  track.bottom = std::max(track.bottom, track.top);
  return track;
}

ZRect VuSlider::ThumbRect() const {
  VuSize size{ScaleForDpi(kBuiltInThumb), ScaleForDpi(kBuiltInThumb)};
  if (CVuSkinBase* skin = skin_.empty() ? nullptr : VuSkinPool::Instance().Get(skin_)) {
    const VuSize natural = skin->GetSkinSize();
    if (natural.cx > 0 && natural.cy > 0) size = natural;
  }
  size.cx = std::min(size.cx, std::max(rect_.Width(), 0));
  size.cy = std::min(size.cy, std::max(rect_.Height(), 0));
  const ZRect track = TrackRect();
  const int centre = track.left + static_cast<int>(int64_t{track.Width()} * pos_value_ / kVuSliderMax);
  int left = centre - size.cx / 2;
  left = std::clamp(left, rect_.left, std::max(rect_.left, rect_.right - size.cx));
  const int top = rect_.top + (rect_.Height() - size.cy) / 2;
  return {left, top, left + size.cx, top + size.cy};
}

int VuSlider::PositionAt(int x) const {
  const ZRect track = TrackRect();
  if (track.Width() <= 0) return pos_value_;
  const int64_t along = std::clamp<int64_t>(int64_t{x} - track.left, 0, track.Width());
  // Rounded to the nearest whole position.
  return static_cast<int>((along * kVuSliderMax * 2 + track.Width()) / (int64_t{track.Width()} * 2));
}

bool VuSlider::SetPosition(int position, bool notify) {
  position = std::clamp(position, 0, kVuSliderMax);
  if (position == pos_value_) return false;
  VuInvalidateElement(*this);
  pos_value_ = position;
  VuInvalidateElement(*this);
  if (notify) VuNotifyHost(*this, kVuNotifySliderChanged, id_, "slider", pos_value_);
  return true;
}

bool VuSlider::ProcessMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  const ZPoint at = VuPointFromLParam(lparam);
  switch (message) {
    case WM_LBUTTONDOWN: {
      if (!IsEnabled(true) || !VuPointIn(rect_, at)) break;
      const ZRect thumb = ThumbRect();
      if (VuPointIn(thumb, at)) {
        grab_offset_ = at.x - (thumb.left + thumb.Width() / 2);
      } else {
        grab_offset_ = 0;
        SetPosition(PositionAt(at.x), true);
      }
      dragging_ = true;
      if (result) *result = 0;
      return true;
    }
    case WM_MOUSEMOVE:
      if (!dragging_) break;
      SetPosition(PositionAt(at.x - grab_offset_), true);
      if (result) *result = 0;
      return true;
    case WM_LBUTTONUP:
      if (!dragging_) break;
      dragging_ = false;
      SetPosition(PositionAt(at.x - grab_offset_), true);
      if (result) *result = 0;
      return true;
    case WM_MOUSELEAVE:
      // Without the button held the drag cannot go on.
      if (!(state_ & kVuStatePushed)) dragging_ = false;
      break;
    default:
      break;
  }
  return CVuWindow::ProcessMessage(message, wparam, lparam, result);
}

void VuSlider::PaintContent(ZCanvas* dc) {
  if (!dc) return;
  const ZRect track = TrackRect();
  const ZRect thumb = ThumbRect();
  const bool disabled = !IsEnabled(true);
  if (CVuSkinBase* bg = skin_bg_.empty() ? nullptr : VuSkinPool::Instance().Get(skin_bg_)) {
    bg->Draw(dc, track, disabled ? kVuSkinDisabled : kVuSkinNormal, 255);
  } else if (track.Width() > 0) {
    const int height = std::min(ScaleForDpi(kBuiltInTrack), std::max(track.Height(), 1));
    const int top = track.top + (track.Height() - height) / 2;
    const ZRect bar{track.left, top, track.right, top + height};
    dc->FillRoundRect(bar, height / 2, kTrackColor);
    const int centre = thumb.left + thumb.Width() / 2;
    const ZRect passed{track.left, top, std::clamp(centre, track.left, track.right), top + height};
    if (passed.Width() > 0) dc->FillRoundRect(passed, height / 2, disabled ? kDisabledColor : kPassedColor);
  }
  if (CVuSkinBase* skin = skin_.empty() ? nullptr : VuSkinPool::Instance().Get(skin_)) {
    skin->Draw(dc, thumb, SkinFrame(skin, state_ | (dragging_ ? kVuStatePushed : 0)), 255);
  } else if (thumb.Width() > 0 && thumb.Height() > 0) {
    const ZColor border = disabled ? kDisabledColor : (state_ & (kVuStateHover | kVuStatePushed)) || dragging_
                                                          ? kThumbBorderHover
                                                          : kThumbBorder;
    dc->FillRoundRect(thumb, thumb.Width() / 2, border);
    const ZRect inner{thumb.left + 2, thumb.top + 2, thumb.right - 2, thumb.bottom - 2};
    if (inner.Width() > 0) dc->FillRoundRect(inner, inner.Width() / 2, kThumbColor);
  }
  CVuWindow::PaintContent(dc);
}
