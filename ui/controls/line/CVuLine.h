// "hr": a rule along the element's longer side, through its middle, "size"
// pixels thick (1 by default) in a pen "style" ("solid", "dash", "dashdot",
// "dashdotdot"). Its colour is the element's text colour (grey when none),
// with the text alpha. Without a position it takes the offered width.
#pragma once

#include "ui/element/CVuWindow.h"

// The rule's colour when neither the element nor its style gives one.
constexpr VuColor kVuLineDefaultColor = 0xA0A0A0;

class CVuLine : public CVuWindow {
 public:
  const char* GetTag() const override;  // "hr"
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  void PaintContent(ZCanvas* dc) override;

  int PenStyle() const { return pen_style_; }  // a ZPenStyle
  // The thickness in pixels as drawn.
  virtual int Thickness() const;

 protected:
  VuSize WantedSize(int cx, int cy) override;

  int size_ = 1;
  int pen_style_ = kZPenSolid;
};

// "hrex": a rule as "hr" whose thickness follows the DPI scale.
class CVuLineEx : public CVuLine {
 public:
  const char* GetTag() const override;  // "hrex"
  int Thickness() const override;
};

// A pen style name ("solid", "dash", "dot", "dashdot", "dashdotdot") or its
// number 0-4; false for anything else.
bool VuParsePenStyle(const char* value, int* style, bool allow_dot);
