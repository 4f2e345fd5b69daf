// The process-wide font pool: fonts by 16-bit font id, made on demand from
// the base font (the default face and height), optionally DPI-scaled.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "platform/canvas.h"

class VuFontPool {
 public:
  static VuFontPool& Instance();

  // The cached font for (font_id, dpi_scaled), made on first use: weight
  // 700 with bit 2 else 400, underline bit 1, italic bit 0, height = base
  // height - size step (bits 8-15, signed), times the DPI factor when
  // dpi_scaled (truncated).
  ZFont GetFont(uint16_t font_id, bool dpi_scaled);
  // Replaces the default face and height and drops the cached fonts.
  void SetDefaultFont(const std::u16string& face, int height);
  const std::u16string& DefaultFace() const;
  int DefaultHeight() const;
  // The face the registry's Fonts key chooses ("微软雅黑", "Microsoft YaHei",
  // "宋体", "SimSun"; "宋体" when none of the listed values is present).
  static std::u16string ChooseDefaultFace();
  // The private font file of a face: base_dir + "fonts\" + its file name
  // ("msyh.ttf", "simsun.ttc", "SimSun.ttc"); empty for other faces.
  static std::u16string PrivateFontFile(const std::u16string& base_dir, const std::u16string& face);

  // Tests only: a pool made afresh (reads the registry again).
  void ResetForTest();

 private:
  VuFontPool();
  void Initialise();
  mutable std::mutex mutex_;
  bool initialised_ = false;
  std::u16string face_;
  int height_ = -12;
  std::map<uint32_t, ZFont> fonts_;  // key: font id | dpi flag << 31
};
