// ZImage's pixels given to it, the same on both back ends.
#include <utility>
#include <vector>

#include "platform/image.h"

void ZImage::Assign(int width, int height, std::vector<uint32_t> pixels) {
  if (width <= 0 || height <= 0 ||
      pixels.size() != static_cast<size_t>(width) * static_cast<size_t>(height)) {
    Reset();
    return;
  }
  width_ = width;
  height_ = height;
  pixels_ = std::move(pixels);
}

void ZImage::Reset() {
  width_ = 0;
  height_ = 0;
  pixels_.clear();
  pixels_.shrink_to_fit();
}
