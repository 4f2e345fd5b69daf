#include "ui/skin/VuSkinImage.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// Converted lengths stay far inside int whatever scale a settings file gives.
constexpr double kLengthBound = 1e8;
// Past this many tiles in view the centre is stretched instead.
constexpr int64_t kMaxTiles = 4096;

int Round(double value) {
  value = std::clamp(value, -kLengthBound, kLengthBound);
  return static_cast<int>(std::lround(value));
}

// Shrinks the edges a and b in proportion when together they exceed total.
void Fit(int* a, int* b, int total) {
  if (total < 0) total = 0;
  if (*a < 0) *a = 0;
  if (*b < 0) *b = 0;
  const int64_t sum = static_cast<int64_t>(*a) + *b;
  if (sum <= total) return;
  *a = static_cast<int>(static_cast<int64_t>(*a) * total / sum);
  *b = total - *a;
}

void DrawTiled(ZCanvas* dc, const ZImage& image, const ZRect& src, const ZRect& dst, float zoom,
               BYTE alpha) {
  if (src.Width() <= 0 || src.Height() <= 0 || dst.Width() <= 0 || dst.Height() <= 0) return;
  const int tile_w = std::max(1, Round(src.Width() * static_cast<double>(zoom)));
  const int tile_h = std::max(1, Round(src.Height() * static_cast<double>(zoom)));
  // Only tiles the canvas shows are drawn.
  const ZRect view = ZRect{std::max(dst.left, 0), std::max(dst.top, 0),
                           std::min(dst.right, dc->Width()), std::min(dst.bottom, dc->Height())};
  if (view.Width() <= 0 || view.Height() <= 0) return;
  const int first_col = (view.left - dst.left) / tile_w;
  const int first_row = (view.top - dst.top) / tile_h;
  const int64_t cols = (view.right - dst.left + tile_w - 1) / tile_w - first_col;
  const int64_t rows = (view.bottom - dst.top + tile_h - 1) / tile_h - first_row;
  if (cols * rows > kMaxTiles) {
    dc->DrawImage(image, src, dst, alpha);
    return;
  }
  for (int64_t row = first_row; row < first_row + rows; ++row) {
    const int top = dst.top + static_cast<int>(row) * tile_h;
    const int bottom = std::min(top + tile_h, dst.bottom);
    const int src_h = std::max(1, Round((bottom - top) / static_cast<double>(zoom)));
    for (int64_t col = first_col; col < first_col + cols; ++col) {
      const int left = dst.left + static_cast<int>(col) * tile_w;
      const int right = std::min(left + tile_w, dst.right);
      const int src_w = std::max(1, Round((right - left) / static_cast<double>(zoom)));
      dc->DrawImage(image,
                    ZRect{src.left, src.top, std::min(src.left + src_w, src.right),
                          std::min(src.top + src_h, src.bottom)},
                    ZRect{left, top, right, bottom}, alpha);
    }
  }
}

}  // namespace

int VuImagePixels(const VuPooledImage& image, int units) {
  return Round(units * static_cast<double>(image.scale));
}

int VuCanvasPixels(const VuPooledImage& image, int units) {
  return Round(units * static_cast<double>(image.target));
}

int VuImageToCanvas(const VuPooledImage& image, int image_pixels) {
  if (image.scale <= 0) return image_pixels;
  return Round(image_pixels * static_cast<double>(image.target) / image.scale);
}

int VuFrameCount(const VuPooledImage& image, int subwidth) {
  if (subwidth <= 0) return 1;
  const int frame = std::max(1, VuImagePixels(image, subwidth));
  return std::max(1, image.image.Width() / frame);
}

ZRect VuStateFrame(const VuPooledImage& image, int subwidth, int state) {
  const int width = image.image.Width();
  const int height = image.image.Height();
  if (subwidth <= 0 || state == -1) return ZRect{0, 0, width, height};
  const int frame = std::max(1, VuImagePixels(image, subwidth));
  const int frames = width / frame;
  if (frames == 0) return ZRect{0, 0, width, height};
  if (state < 0 || state >= frames) state = 0;
  return ZRect{state * frame, 0, state * frame + frame, height};
}

const ZImage& VuImageVariant(const VuPooledImage& image, int mode, VuColor mask, int flip,
                             int subwidth) {
  flip &= kVuFlipHorizontal | kVuFlipVertical;
  if (mode != kVuDrawNone && mode != kVuDrawMask) mode = kVuDrawAlpha;
  if (mode == kVuDrawAlpha && flip == 0) return image.image;
  const int width = image.image.Width();
  const int height = image.image.Height();
  int frame = subwidth > 0 ? std::max(1, VuImagePixels(image, subwidth)) : width;
  if (frame > width || frame <= 0) frame = width;
  // Documents give red in the low byte; pixels hold it in bits 16-23.
  const uint32_t mask_rgb = mode == kVuDrawMask ? ((mask & 0xFF) << 16) | (mask & 0xFF00) |
                                                      ((mask >> 16) & 0xFF)
                                                : 0;
  const VuPooledImage::VariantKey key{mode, mask_rgb, flip, flip ? frame : 0};
  auto found = image.variants.find(key);
  if (found != image.variants.end()) return *found->second;

  std::vector<uint32_t> pixels(image.image.Pixels(),
                               image.image.Pixels() + static_cast<size_t>(width) * height);
  for (uint32_t& pixel : pixels) {
    if (mode == kVuDrawNone) {
      pixel |= 0xFF000000u;  // copied as GDI copies: colour kept, alpha dropped
    } else if (mode == kVuDrawMask && (pixel >> 24) == 0xFF && (pixel & 0xFFFFFF) == mask_rgb) {
      pixel = 0;
    }
  }
  if (flip & kVuFlipHorizontal) {
    for (int y = 0; y < height; ++y) {
      uint32_t* row = pixels.data() + static_cast<size_t>(y) * width;
      for (int x = 0; x < width; x += frame) std::reverse(row + x, row + std::min(x + frame, width));
    }
  }
  if (flip & kVuFlipVertical) {
    for (int y = 0; y < height / 2; ++y)
      std::swap_ranges(pixels.begin() + static_cast<ptrdiff_t>(y) * width,
                       pixels.begin() + static_cast<ptrdiff_t>(y + 1) * width,
                       pixels.begin() + static_cast<ptrdiff_t>(height - 1 - y) * width);
  }
  auto variant = std::make_unique<ZImage>();
  variant->Assign(width, height, std::move(pixels));
  return *(image.variants[key] = std::move(variant));
}

ZRect VuDrawNinePatch(ZCanvas* dc, const ZImage& image, const ZRect& src, const ZRect& dst,
                      const VuNinePatch& patch, BYTE alpha) {
  VuEdges s = patch.src;
  VuEdges d = patch.dst;
  if (!(patch.parts & kVuPartTopRow)) d.top = 0;
  if (!(patch.parts & kVuPartBottomRow)) d.bottom = 0;
  if (!(patch.parts & kVuPartLeftColumn)) d.left = 0;
  if (!(patch.parts & kVuPartRightColumn)) d.right = 0;
  Fit(&s.left, &s.right, src.Width());
  Fit(&s.top, &s.bottom, src.Height());
  Fit(&d.left, &d.right, dst.Width());
  Fit(&d.top, &d.bottom, dst.Height());
  const int sx[4] = {src.left, src.left + s.left, src.right - s.right, src.right};
  const int sy[4] = {src.top, src.top + s.top, src.bottom - s.bottom, src.bottom};
  const int dx[4] = {dst.left, dst.left + d.left, dst.right - d.right, dst.right};
  const int dy[4] = {dst.top, dst.top + d.top, dst.bottom - d.bottom, dst.bottom};
  const unsigned row_bits[3] = {kVuPartTopRow, kVuPartMiddleRow, kVuPartBottomRow};
  const unsigned column_bits[3] = {kVuPartLeftColumn, 0, kVuPartRightColumn};
  for (int row = 0; row < 3; ++row) {
    if (!(patch.parts & row_bits[row])) continue;
    for (int col = 0; col < 3; ++col) {
      if (column_bits[col] && !(patch.parts & column_bits[col])) continue;
      const ZRect from{sx[col], sy[row], sx[col + 1], sy[row + 1]};
      const ZRect to{dx[col], dy[row], dx[col + 1], dy[row + 1]};
      if (row == 1 && col == 1) {
        if (patch.skip_centre) continue;
        if (patch.tile_centre) {
          DrawTiled(dc, image, from, to, patch.zoom, alpha);
          continue;
        }
      }
      dc->DrawImage(image, from, to, alpha);
    }
  }
  return ZRect{dx[1], dy[1], dx[2], dy[2]};
}
