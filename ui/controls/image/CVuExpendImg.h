// "expendimg": the skin's image at its natural size, expanded over the
// rectangle by its margins: the corners keep their size, the edges and the
// centre are stretched ("stretch"=1, the default) or repeated
// ("stretch"=0). Margins ("margin_left", ...) are DPI-scaled on the
// rectangle side; "skinalpha" is the constant opacity.
#pragma once

#include <string>

#include "ui/element/CVuWindow.h"

class CVuExpendImg : public CVuWindow {
 public:
  const char* GetTag() const override;  // "expendimg"
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  bool Load(const ZXmlElement& element) override;
  void PaintContent(ZCanvas* dc) override;

 private:
  std::string skin_;
  int margins_[4] = {0, 0, 0, 0};  // left, top, right, bottom
  bool stretch_ = true;
  BYTE alpha_ = 255;
};
