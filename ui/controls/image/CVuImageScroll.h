// "scrollimg": a window onto an image larger than the element. The skin is
// drawn at its natural size, moved left by "hpos" and up by "vpos" (each
// only when "hscroll" / "vscroll" allows moving that way, and clamped so
// that the image still covers the window), and clipped to the rectangle.
#pragma once

#include <string>

#include "ui/element/CVuWindow.h"

class CVuImageScroll : public CVuWindow {
 public:
  const char* GetTag() const override;  // "scrollimg"
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  bool Load(const ZXmlElement& element) override;
  void PaintContent(ZCanvas* dc) override;

  // The offset in force for the current rectangle and skin.
  int EffectiveHPos() const;
  int EffectiveVPos() const;
  void SetScrollPos(int hpos, int vpos) { hpos_ = hpos; vpos_ = vpos; }

 private:
  std::string skin_;
  bool hscroll_ = true;
  bool vscroll_ = true;
  int hpos_ = 0;
  int vpos_ = 0;
};
