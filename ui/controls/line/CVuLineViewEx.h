// "lineviewex": a one-pixel line across the middle of the element
// (horizontal, or vertical with "vertical"), in a "dashstyle", with caps
// at its ends ("startcap", "endcap": "flat", "square", "round", "arrow" or
// 0-3) and a colour by state: "linecolor", "hover_linecolor",
// "push_linecolor".
#pragma once

#include "ui/element/CVuWindow.h"

// A disabled line view's colour.
constexpr VuColor kVuLineDisabledColor = 0xC8C8C8;

constexpr int kVuCapFlat = 0;
constexpr int kVuCapSquare = 1;
constexpr int kVuCapRound = 2;
constexpr int kVuCapArrow = 3;

class CVuLineViewEx : public CVuWindow {
 public:
  const char* GetTag() const override;  // "lineviewex"
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  bool NeedsRedrawOnStateChange() override;
  void PaintContent(ZCanvas* dc) override;

  // The colour for the current state: disabled (light grey), else pushed,
  // else hover, else normal; each falls back to the normal colour (grey
  // when none).
  VuColor LineColor() const;
  bool IsVertical() const { return vertical_; }
  int DashStyle() const { return dash_style_; }

 protected:
  void DrawCap(ZCanvas* dc, ZPoint at, ZPoint toward, int cap, ZColor color);

  int dash_style_ = kZPenSolid;
  VuColor line_color_ = kVuNoColor;
  VuColor hover_color_ = kVuNoColor;
  VuColor push_color_ = kVuNoColor;
  bool vertical_ = false;
  int start_cap_ = kVuCapFlat;
  int end_cap_ = kVuCapFlat;
};
