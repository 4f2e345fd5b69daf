// "progress": a bar over a background ("bgskin", else a rounded outline)
// for an unsigned value between "min" and "max", with "showpercent" a
// centred percentage drawn over it (in a contrasting colour where it lies
// on the bar), or with "progressbar" a block that moves across.
#pragma once

#include <cstdint>
#include <string>

#include "ui/element/CVuWindow.h"

// The bar's fill, as COLORREF 0x906142 gives it.
constexpr ZColor kVuProgressFill{0x42, 0x61, 0x90, 255};
constexpr ZColor kVuProgressDisabledFill{0xA8, 0xA8, 0xA8, 255};
// The percentage where it lies on the bar.
constexpr ZColor kVuProgressTextOnBar{255, 255, 255, 255};

class CVuProgress : public CVuWindow {
 public:
  const char* GetTag() const override;  // "progress"
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  bool Load(const ZXmlElement& element) override;  // reports skins the pool lacks
  void PaintContent(ZCanvas* dc) override;

  uint32_t Min() const { return min_; }
  uint32_t Max() const { return max_; }
  uint32_t Value() const { return value_; }
  // Swaps a maximum below the minimum and clamps the value (stored), then
  // gives the ratio 0-1 (0 when max equals min).
  double NormalizeAndRatio();
  // The bar's rectangle for ratio (the position skin's or the plain one).
  ZRect BarRect(double ratio);
  // The moving block's offsets from the left edge after the last paint.
  int BlockLeft() const { return block_left_; }
  int BlockRight() const { return block_right_; }

 protected:
  // The percentage text for percent.
  virtual std::u16string PercentText(int percent) const;
  // The span the bar may cover (the rectangle, narrowed by subclasses).
  virtual ZRect BarArea() const;
  // Advances the moving block by one paint.
  void StepBlock();

  std::string bgskin_;
  std::string posskin_;
  int skinposx_ = 0;
  uint32_t min_ = 0;
  uint32_t max_ = 100;
  uint32_t value_ = 0;
  bool showpercent_ = false;
  bool moving_block_ = false;
  int block_left_ = 0;
  int block_right_ = 0;
};
