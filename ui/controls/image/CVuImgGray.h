// "imggray": the skin drawn over the rectangle, turned to grey when "gray"
// is set: each pixel's grey level is (299 R + 587 G + 114 B) / 1000 (the
// usual luma weights), its alpha kept.
#pragma once

#include <string>

#include "ui/element/CVuWindow.h"

class CVuImgGray : public CVuWindow {
 public:
  const char* GetTag() const override;  // "imggray"
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  bool Load(const ZXmlElement& element) override;
  void PaintContent(ZCanvas* dc) override;

  bool IsGray() const { return gray_; }
  void SetGray(bool gray) { gray_ = gray; }

 private:
  std::string skin_;
  bool gray_ = false;
};

// The grey of one premultiplied 0xAARRGGBB pixel, alpha kept.
uint32_t VuGrayPixel(uint32_t pixel);
