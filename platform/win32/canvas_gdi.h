// The Windows side of ZCanvas, shared by its drawing and its text: a 32-bit
// top-down DIB section selected into a memory DC, the clip as a region.
#pragma once

#include <vector>

#include "platform/canvas.h"
#include "platform/types.h"

struct ZCanvas::Impl {
  ~Impl();
  void Release();
  // The clip in force, or null for none.
  HRGN Clip() const { return clips.empty() ? nullptr : clips.back(); }

  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old_bitmap = nullptr;
  uint32_t* bits = nullptr;
  int width = 0;
  int height = 0;
  std::vector<HRGN> clips;  // the region in force after each PushClip
};

// A scratch 32-bit top-down DIB in a memory DC of its own.
class ScratchDib {
 public:
  ScratchDib(int width, int height);
  ~ScratchDib();
  ScratchDib(const ScratchDib&) = delete;
  ScratchDib& operator=(const ScratchDib&) = delete;
  bool Ok() const { return bits_ != nullptr; }
  HDC Dc() const { return dc_; }
  uint32_t* Bits() const { return bits_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  uint32_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

// Blends premultiplied src (its whole area, or stretched) over the canvas at
// dst through msimg32's AlphaBlend, within the canvas's clip.
void BlendOnto(ZCanvas::Impl* impl, const ScratchDib& src, int x, int y, int width, int height);

uint32_t PremultipliedPixel(ZColor color);
