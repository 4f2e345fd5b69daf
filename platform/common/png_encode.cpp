#include "platform/common/png_encode.h"

#include <zlib.h>

#include <cstring>

namespace {

void PutBe32(std::vector<uint8_t>* out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<uint8_t>(value >> shift));
}

void PutChunk(std::vector<uint8_t>* out, const char* type, const uint8_t* data, size_t size) {
  PutBe32(out, static_cast<uint32_t>(size));
  const size_t start = out->size();
  out->insert(out->end(), type, type + 4);
  if (size) out->insert(out->end(), data, data + size);
  const uLong crc = crc32(0L, out->data() + start, static_cast<uInt>(size + 4));
  PutBe32(out, static_cast<uint32_t>(crc));
}

uint8_t Unpremultiply(uint32_t channel, uint32_t alpha) {
  const uint32_t value = (channel * 255 + alpha / 2) / alpha;
  return static_cast<uint8_t>(value > 255 ? 255 : value);
}

}  // namespace

bool EncodePngPixels(const uint32_t* pixels, int width, int height, std::vector<uint8_t>* png) {
  png->clear();
  if (!pixels || width <= 0 || height <= 0) return false;
  const size_t row = 1 + static_cast<size_t>(width) * 4;
  std::vector<uint8_t> raw(row * static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    uint8_t* out = raw.data() + row * y;
    *out++ = 0;  // filter: none
    for (int x = 0; x < width; ++x) {
      const uint32_t p = pixels[static_cast<size_t>(y) * width + x];
      const uint32_t a = p >> 24;
      if (a == 0) {
        std::memset(out, 0, 4);
      } else {
        out[0] = Unpremultiply((p >> 16) & 0xFF, a);
        out[1] = Unpremultiply((p >> 8) & 0xFF, a);
        out[2] = Unpremultiply(p & 0xFF, a);
        out[3] = static_cast<uint8_t>(a);
      }
      out += 4;
    }
  }
  uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> packed(packed_size);
  if (compress2(packed.data(), &packed_size, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK)
    return false;
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  png->assign(kSignature, kSignature + 8);
  std::vector<uint8_t> ihdr;
  PutBe32(&ihdr, static_cast<uint32_t>(width));
  PutBe32(&ihdr, static_cast<uint32_t>(height));
  ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter, no interlace
  PutChunk(png, "IHDR", ihdr.data(), ihdr.size());
  PutChunk(png, "IDAT", packed.data(), packed_size);
  PutChunk(png, "IEND", nullptr, 0);
  return true;
}
