// The drawing canvas: an off-screen 32-bit premultiplied-alpha image that the
// skinned UI paints into, with cairo and pango under it on the simulated host
// and GDI, GDI+ and msimg32 on Windows. Code above the layer draws through
// this header only (with platform/image.h for pictures), never through GDI.
//
// Pixels are 32-bit words 0xAARRGGBB (bytes B, G, R, A in memory), rows top
// down, each colour channel already multiplied by alpha: the layout of a
// 32-bit top-down DIB section that AlphaBlend and UpdateLayeredWindow take.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/types.h"

#if !defined(_WIN32)

// DrawTextW's format flags, with Windows' values.
#define DT_TOP 0x00000000
#define DT_LEFT 0x00000000
#define DT_CENTER 0x00000001
#define DT_RIGHT 0x00000002
#define DT_VCENTER 0x00000004
#define DT_BOTTOM 0x00000008
#define DT_WORDBREAK 0x00000010
#define DT_SINGLELINE 0x00000020
#define DT_NOCLIP 0x00000100
#define DT_CALCRECT 0x00000400
#define DT_NOPREFIX 0x00000800
#define DT_END_ELLIPSIS 0x00008000

// LOGFONT weights.
#define FW_NORMAL 400
#define FW_BOLD 700

// LOGFONT qualities.
#define ANTIALIASED_QUALITY 4
#define CLEARTYPE_QUALITY 5

#endif  // !_WIN32

class ZImage;

// A colour with straight (not premultiplied) alpha; a = 255 is opaque.
struct ZColor {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  uint8_t a = 255;
};

// Same layout as RECT: right and bottom are exclusive.
struct ZRect {
  static int Span(int from, int to) {
    const long long span = static_cast<long long>(to) - from;
    if (span > 0x7fffffffLL) return 0x7fffffff;
    if (span < -0x7fffffffLL - 1) return -0x7fffffff - 1;
    return static_cast<int>(span);
  }
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  // Saturated: a rectangle made of hostile numbers has no width past int's.
  int Width() const { return Span(left, right); }
  int Height() const { return Span(top, bottom); }
  // The part of this rectangle inside (0, 0, width, height).
  ZRect ClampedTo(int width, int height) const {
    return {left < 0 ? 0 : left, top < 0 ? 0 : top, right > width ? width : right,
            bottom > height ? height : bottom};
  }
};

struct ZPoint {
  int x = 0;
  int y = 0;
};

// A font as LOGFONT describes one. height < 0: the character (em) height in
// pixels; height > 0: the cell height (ascent + descent). A face the system
// lacks, or one without a character's glyph, falls back to a font that has it.
struct ZFont {
  std::u16string face = u"Tahoma";
  int height = -12;
  int weight = FW_NORMAL;
  bool italic = false;
  bool underline = false;
  bool strike_out = false;
  int quality = ANTIALIASED_QUALITY;  // LOGFONT's lfQuality; the Linux canvas ignores it
};

// A measured size in (fractional) pixels.
struct ZSizeF {
  float width = 0;
  float height = 0;
};

// Pen styles, with the values CreatePen takes (PS_SOLID ... PS_DASHDOTDOT).
enum ZPenStyle { kZPenSolid = 0, kZPenDash = 1, kZPenDot = 2, kZPenDashDot = 3, kZPenDashDotDot = 4 };

// Bounds of a canvas: a bigger request is refused.
constexpr int kCanvasMaxSide = 16384;
constexpr int64_t kCanvasMaxPixels = 64ll * 1024 * 1024;

class ZCanvas {
 public:
  ZCanvas();
  ~ZCanvas();
  ZCanvas(const ZCanvas&) = delete;
  ZCanvas& operator=(const ZCanvas&) = delete;

  // A new transparent image of width x height; false (and an empty canvas)
  // for a side <= 0 or above the bounds.
  bool Create(int width, int height);
  int Width() const;
  int Height() const;

  // The pixels, Width() words per row; null while empty. Drawing after a
  // write through Pixels() sees what was written.
  uint32_t* Pixels();
  const uint32_t* Pixels() const;
  // One pixel (premultiplied 0xAARRGGBB); 0 outside the canvas.
  uint32_t PixelAt(int x, int y) const;

  // Sets every pixel (the clip does not apply) to colour.
  void Clear(ZColor color = ZColor{0, 0, 0, 0});

  // Fills rect (blended over what is there) with colour.
  void FillRect(const ZRect& rect, ZColor color);
  // As GradientFill draws a rectangle: from at the left (top) column (row),
  // to at the right (bottom) one, each channel linear between.
  void GradientFillH(const ZRect& rect, ZColor from, ZColor to);
  void GradientFillV(const ZRect& rect, ZColor from, ZColor to);

  // Draws the part src of image into dst, stretched with bilinear (or better)
  // filtering, its own alpha times alpha / 255.
  void DrawImage(const ZImage& image, const ZRect& src, const ZRect& dst, BYTE alpha = 255);

  // DrawTextW: the text laid out in *rect by the DT_* flags in format (left,
  // centre, right; top, vertical centre and bottom with DT_SINGLELINE; word
  // break; end ellipsis; "&x" underlines x and "&&" is "&" unless
  // DT_NOPREFIX; clipped to the rectangle unless DT_NOCLIP). With DT_CALCRECT
  // nothing is drawn and rect's right and bottom are set to the text's extent.
  // Returns the text's height (0 when there is no font to draw with).
  int PaintText(const std::u16string& text, ZRect* rect, UINT format, const ZFont& font,
               ZColor color);
  // The size that GDI+'s MeasureString gives for text (its generic default
  // format), wrapped at max_width when that is > 0.
  ZSizeF MeasureString(const std::u16string& text, const ZFont& font, float max_width = 0);

  // Lines with a pen of width pixels; the last point is not drawn (as LineTo).
  void DrawLine(ZPoint from, ZPoint to, int width, ZColor color);
  void DrawPolyline(const ZPoint* points, size_t count, int width, ZColor color);
  // A line in a pen style (ZPenStyle, CreatePen's values): the dashes of a
  // one-pixel cosmetic pen, each length times width; the same pixels on
  // every back end. An unknown style draws solid.
  void DrawStyledLine(ZPoint from, ZPoint to, int width, ZColor color, int pen_style);
  // Outlines drawn inside rect; radius is the corner's radius.
  void DrawRect(const ZRect& rect, int width, ZColor color);
  void DrawRoundRect(const ZRect& rect, int radius, int width, ZColor color);
  void FillRoundRect(const ZRect& rect, int radius, ZColor color);

  // Limits drawing to the union of rects, within the clip already in force,
  // until the matching PopClip. No rects: nothing is drawn until then.
  void PushClip(const ZRect* rects, size_t count);
  void PopClip();

  // The canvas as a PNG file (straight alpha, 8 bits per channel).
  bool EncodePng(std::vector<uint8_t>* png) const;
  bool SavePng(const std::u16string& path) const;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};
