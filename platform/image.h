// Pictures of the skin: PNG (with alpha), BMP, JPEG and GIF (its first frame)
// decoded by a library (gdk-pixbuf on the simulated host, GDI+ on Windows)
// into premultiplied 0xAARRGGBB pixels, rows top down, as ZCanvas draws them.
// Input is untrusted: the format and the dimensions are read from the header
// first, and anything unknown, malformed or larger than the bounds below is
// refused before the decoder sees it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr int kImageMaxSide = 16384;
constexpr int64_t kImageMaxPixels = 64ll * 1024 * 1024;
// Larger files are refused unread.
constexpr size_t kImageMaxFileBytes = 64u * 1024 * 1024;

class ZImage {
 public:
  ZImage() = default;

  // False, and an empty image, for anything that is not a whole picture of
  // one of the four formats within the bounds.
  bool LoadBytes(const uint8_t* data, size_t size);
  // path is a Windows path, read through the layer's files.
  bool LoadFile(const std::u16string& path);

  bool Empty() const { return width_ == 0; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  const uint32_t* Pixels() const { return pixels_.empty() ? nullptr : pixels_.data(); }
  uint32_t PixelAt(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return pixels_[static_cast<size_t>(y) * width_ + x];
  }

  // An image made from pixels already premultiplied (tests, generated art).
  void Assign(int width, int height, std::vector<uint32_t> pixels);
  void Reset();

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint32_t> pixels_;
};
