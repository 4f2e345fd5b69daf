// "slider": a thumb ("skin") on a track ("skinbg", drawn inside the four
// "bg...margin" insets) at "sliderpos", a position 0-100 along the track.
// Pressing on the track moves the thumb there; dragging moves it with the
// mouse; every change is told to the host (VuNotifyHost with
// kVuNotifySliderChanged, class "slider", the new position as sub-code).
// Without skins a grey track with the passed part filled and a round thumb
// are drawn.
#pragma once

#include <string>

#include "ui/element/CVuWindow.h"

// The notification a slider sends when its position changes.
constexpr int32_t kVuNotifySliderChanged = 10;
constexpr int kVuSliderMax = 100;

class VuSlider : public CVuWindow {
 public:
  const char* GetTag() const override;  // "slider"
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  bool Load(const ZXmlElement& element) override;  // reports skins the pool lacks
  bool NeedsRedrawOnStateChange() override;
  bool ProcessMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;
  void PaintContent(ZCanvas* dc) override;

  int Position() const { return pos_value_; }
  bool IsDragging() const { return dragging_; }
  // The track (the rectangle inside the margins) and the thumb as drawn.
  ZRect TrackRect() const;
  ZRect ThumbRect() const;
  // Sets the position (clamped); on a change repaints and, when notify is
  // set, tells the host. True when it changed.
  bool SetPosition(int position, bool notify);

 protected:
  // The position under client x.
  int PositionAt(int x) const;

  std::string skin_bg_;
  std::string skin_;
  int margins_[4] = {0, 0, 0, 0};  // left, right, top, bottom
  int pos_value_ = 0;
  bool dragging_ = false;
  int grab_offset_ = 0;  // from the thumb's centre to where it was taken
};
