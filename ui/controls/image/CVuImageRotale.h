// "imgrotale": the skin drawn over the rectangle, turned clockwise by
// "angle" degrees (whole degrees, any integer; taken modulo 360) about the
// rectangle's centre and clipped to it.
#pragma once

#include <string>

#include "ui/element/CVuWindow.h"

class CVuImageRotale : public CVuWindow {
 public:
  const char* GetTag() const override;  // "imgrotale"
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  bool Load(const ZXmlElement& element) override;
  void PaintContent(ZCanvas* dc) override;

  // The angle in force, 0-359.
  int GetAngle() const { return angle_; }
  void SetAngle(int degrees) { angle_ = (degrees % 360 + 360) % 360; }

 private:
  std::string skin_;
  int angle_ = 0;
};
