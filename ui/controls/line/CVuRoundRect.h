// "rundrect": an element whose background colour fills a rectangle with
// rounded corners ("rndwidht" x "rndheight", the corner ellipse; the
// canvas rounds with a circle of the smaller half), then its text.
#pragma once

#include "ui/element/CVuWindow.h"

class CVuRoundRect : public CVuWindow {
 public:
  const char* GetTag() const override;  // "rundrect"
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  void DrawBackground(ZCanvas* dc) override;

  // The corner radius as drawn: half the smaller of the two corner sizes.
  int CornerRadius() const;

 protected:
  int rnd_width_ = 0;
  int rnd_height_ = 0;
};

// "rundrectpath": a round rectangle with an outline "linesize" pixels wide
// in "crline" at "crlinealpha"; its fill is drawn only with "bdrawbg".
class CVuRoundRectPath : public CVuRoundRect {
 public:
  const char* GetTag() const override;  // "rundrectpath"
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  void DrawBackground(ZCanvas* dc) override;

 protected:
  bool draw_bg_ = false;
  VuColor line_color_ = kVuNoColor;
  uint8_t line_alpha_ = 255;
  int line_size_ = 1;
};
