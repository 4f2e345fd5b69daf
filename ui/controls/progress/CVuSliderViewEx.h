// "sliderviewex": a slider that is also an owner-event container (its
// children, labels or marks, are laid out and drawn over it and get their
// mouse events through it). It draws a track with the passed part filled
// and a round thumb for "current_value" in 0.."max_value"; a press on the
// track or the thumb takes the thumb and dragging moves it; a press on the
// track steps it by "step_value" towards the press first; with
// "enable_mousewhell" the wheel steps it. Every change is told to the host
// (VuNotifyHost with kVuNotifySliderChanged, class "sliderviewex", the new
// value as sub-code).
#pragma once

#include "ui/controls/container/CVuOwnerEventDlg.h"

class CVuSliderViewEx : public CVuOwnerEventDlg {
 public:
  const char* GetTag() const override;  // "sliderviewex"
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  bool NeedsRedrawOnStateChange() override;
  bool ProcessMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;
  void PaintContent(ZCanvas* dc) override;

  int Value() const { return value_; }
  int MaxValue() const { return max_value_; }
  int Step() const { return step_; }
  bool WheelEnabled() const { return wheel_; }
  bool IsDragging() const { return dragging_; }
  ZRect TrackRect() const;
  ZRect ThumbRect() const;
  // Sets the value (clamped to 0..max); repaints and, with notify, tells the
  // host on a change. True when it changed.
  bool SetValue(int value, bool notify);

 protected:
  int ValueAt(int x) const;

  int value_ = 0;
  int max_value_ = 100;
  int step_ = 1;
  bool wheel_ = false;
  bool dragging_ = false;
};
