// An element's measurer kept from one layout to the next (the advances of
// the characters it has seen stay known), made again when what the
// measures depend on changes: GDI or GDI+ measuring, DPI scaling, the
// font pool's default face and height.
#pragma once

#include <memory>
#include <string>

#include "ui/richtext/VuRichLayout.h"

class VuRichMeasureCache {
 public:
  VuRichMeasurer* Get(bool gdiplus, bool dpi_scaled);

 private:
  std::unique_ptr<IRichTextGraphics> graphics_;
  std::unique_ptr<VuRichMeasurer> measurer_;
  bool gdiplus_ = false;
  bool dpi_scaled_ = false;
  std::u16string face_;
  int height_ = 0;
};
