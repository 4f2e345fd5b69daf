// "imgbg": a background image. "skin" is drawn over the whole rectangle,
// stretched ("fill"="stretch", the default) or repeated at its natural size
// from the top-left corner ("fill"="tile").
#pragma once

#include <string>

#include "ui/element/CVuWindow.h"

class CVuImageBg : public CVuWindow {
 public:
  const char* GetTag() const override;  // "imgbg"
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  bool Load(const ZXmlElement& element) override;
  void PaintContent(ZCanvas* dc) override;

  bool Tiles() const { return tile_; }

 private:
  std::string skin_;
  bool tile_ = false;
};
