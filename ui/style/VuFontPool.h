// The process-wide font pool: fonts by 16-bit font id, made on demand from
// the base font (the default face and height), optionally DPI-scaled.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <mutex>
#include <string>

#include "platform/canvas.h"

class VuDpiManager;

class VuFontPool {
 public:
  static VuFontPool& Instance();

  // The cached font for (font_id, dpi_scaled), made on first use: weight
  // 700 with bit 2 else 400, underline bit 1, italic bit 0, height = base
  // height - size step (bits 8-15, signed), times the DPI factor when
  // dpi_scaled (truncated).
  ZFont GetFont(uint16_t font_id, bool dpi_scaled);
  // Replaces the default face and height and drops the cached fonts (the
  // font of id 0 is made again at once).
  void SetDefaultFont(const std::u16string& face, int height);
  // The base font every id starts from: the GUI font's description (taken as
  // Tahoma, -11) with the default face and height, CLEARTYPE_QUALITY for the
  // YaHei faces, ANTIALIASED_QUALITY otherwise.
  ZFont BaseFont();
  const std::u16string& DefaultFace() const;
  int DefaultHeight() const;
  // The face the registry's Fonts key chooses ("微软雅黑", "Microsoft YaHei",
  // "宋体", "SimSun"; "宋体" when none of the listed values is present).
  static std::u16string ChooseDefaultFace();
  // The private font file of a face: base_dir + "fonts\" + its file name
  // ("msyh.ttf", "simsun.ttc", "SimSun.ttc"); empty for other faces.
  static std::u16string PrivateFontFile(const std::u16string& base_dir, const std::u16string& face);
  // Adds, for this process, the private font files of the known faces that
  // base_dir's "fonts" folder holds, each file once per process; returns
  // how many files were added now. A skin set can so bring its own faces.
  int LoadPrivateFonts(const std::u16string& base_dir);

  // Tests only: a pool made afresh (reads the registry again).
  void ResetForTest();
  // Tests only: scale with this manager instead of the process-wide one (null: that one again).
  void SetDpiManagerForTest(VuDpiManager* manager);

 private:
  VuFontPool();
  void InitialiseLocked() const;  // reads the registry once
  ZFont BaseFontLocked() const;
  ZFont MakeFontLocked(uint16_t font_id, bool dpi_scaled) const;
  mutable std::mutex mutex_;
  // Filled lazily, also from the const accessors.
  mutable bool initialised_ = false;
  mutable std::u16string face_;
  mutable int height_ = -12;
  std::map<uint32_t, ZFont> fonts_;  // key: font id | dpi flag << 31
  std::set<std::u16string> private_files_;  // added so far
  VuDpiManager* dpi_manager_ = nullptr;  // null: VuDpiManager::Instance()
};
