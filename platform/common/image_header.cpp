#include "platform/common/image_header.h"

#include <cstring>

#include "platform/image.h"

namespace {

uint32_t Be16(const uint8_t* p) { return (uint32_t{p[0]} << 8) | p[1]; }
uint32_t Be32(const uint8_t* p) { return (Be16(p) << 16) | Be16(p + 2); }
uint32_t Le16(const uint8_t* p) { return (uint32_t{p[1]} << 8) | p[0]; }
uint32_t Le32(const uint8_t* p) { return (Le16(p + 2) << 16) | Le16(p); }

bool WithinBounds(int64_t width, int64_t height) {
  return width > 0 && height > 0 && width <= kImageMaxSide && height <= kImageMaxSide &&
         width * height <= kImageMaxPixels;
}

bool ReadPng(const uint8_t* data, size_t size, ImageHeader* header) {
  // Signature, then IHDR must come first with its 13 bytes.
  if (size < 33 || Be32(data + 8) != 13 || std::memcmp(data + 12, "IHDR", 4) != 0) return false;
  // Cut short: the file must end with the IEND chunk.
  static const uint8_t kEnd[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
  if (std::memcmp(data + size - 12, kEnd, 12) != 0) return false;
  header->width = static_cast<int>(Be32(data + 16) & 0x7FFFFFFF);
  header->height = static_cast<int>(Be32(data + 20) & 0x7FFFFFFF);
  if (Be32(data + 16) > 0x7FFFFFFF || Be32(data + 20) > 0x7FFFFFFF) return false;
  return true;
}

bool ReadBmp(const uint8_t* data, size_t size, ImageHeader* header) {
  if (size < 26) return false;
  const uint32_t info_size = Le32(data + 14);
  // The header sizes Windows has defined; a decoder would allocate any other.
  if (info_size != 12 && info_size != 40 && info_size != 52 && info_size != 56 &&
      info_size != 64 && info_size != 108 && info_size != 124)
    return false;
  // The pixels start after the headers and inside the file.
  const uint32_t pixels_at = Le32(data + 10);
  if (pixels_at < 14 + info_size || pixels_at > size) return false;
  // At most 256 palette entries, as the bit depths allow.
  if (info_size >= 40 && size >= 50 && Le32(data + 46) > 256) return false;
  int64_t width = 0, height = 0;
  if (info_size == 12) {
    width = Le16(data + 18);
    height = Le16(data + 20);
  } else if (info_size >= 40 && size >= 34) {
    width = static_cast<int32_t>(Le32(data + 18));
    height = static_cast<int32_t>(Le32(data + 22));
    if (height < 0) height = -height;  // top-down rows
  } else {
    return false;
  }
  header->width = width > kImageMaxSide ? -1 : static_cast<int>(width);
  header->height = height > kImageMaxSide ? -1 : static_cast<int>(height);
  if (header->width <= 0 || header->height <= 0) return false;
  // Uncompressed rows (BI_RGB, BI_BITFIELDS, BI_ALPHABITFIELDS) must all be there.
  const uint32_t bits = info_size == 12 ? Le16(data + 24) : Le16(data + 28);
  const uint32_t compression = info_size == 12 ? 0 : Le32(data + 30);
  if (compression == 0 || compression == 3 || compression == 6) {
    if (bits == 0 || bits > 32) return false;
    const uint64_t row = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
    if (Le32(data + 10) + row * static_cast<uint64_t>(height) > size) return false;
  }
  return true;
}

constexpr int kJpegMaxScans = 64;

bool IsStartOfFrame(uint8_t marker) {
  // SOF0..SOF15 less DHT (C4), JPG (C8) and DAC (CC).
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

bool ReadJpeg(const uint8_t* data, size_t size, ImageHeader* header) {
  size_t at = 2;
  while (at + 4 <= size) {
    if (data[at] != 0xFF) return false;
    const uint8_t marker = data[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // no length
      at += 2;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) return false;  // scan or end before a frame
    const size_t length = Be16(data + at + 2);
    if (length < 2) return false;
    if (IsStartOfFrame(marker)) {
      // Huffman-coded baseline, extended and progressive frames only, as GDI+
      // reads: arithmetic coding sends the Linux decoder into an endless loop
      // on some damaged scans, and lossless and hierarchical are not read.
      if (marker > 0xC2) return false;
      if (length < 7 || at + 9 > size) return false;
      // Cut short: an end-of-image marker must close the data (some writers
      // append a little after it).
      bool ended = false;
      for (size_t end = size - 1; end > at + 9 && end + 4096 > size && !ended; --end)
        ended = data[end - 1] == 0xFF && data[end] == 0xD9;
      if (!ended) return false;
      // Each progressive scan makes the decoder go over the whole picture
      // again: a few dozen are plenty, thousands are an attack.
      int scans = 0;
      for (size_t i = at; i + 1 < size; ++i)
        if (data[i] == 0xFF && data[i + 1] == 0xDA && ++scans > kJpegMaxScans) return false;
      header->height = static_cast<int>(Be16(data + at + 5));
      header->width = static_cast<int>(Be16(data + at + 7));
      return true;
    }
    at += 2 + length;
  }
  return false;
}

// Skips a chain of GIF data sub-blocks; the offset after its terminator.
bool SkipSubBlocks(const uint8_t* data, size_t size, size_t* at) {
  while (*at < size) {
    const size_t length = data[*at];
    *at += 1 + length;
    if (length == 0) return true;
  }
  return false;
}

bool ReadGif(const uint8_t* data, size_t size, ImageHeader* header) {
  if (size < 13) return false;
  header->width = static_cast<int>(Le16(data + 6));
  header->height = static_cast<int>(Le16(data + 8));
  size_t at = 13;
  if (data[10] & 0x80) at += 3u << ((data[10] & 7) + 1);
  while (at < size) {
    const uint8_t kind = data[at];
    if (kind == 0x21) {  // extension: label, then sub-blocks
      at += 2;
      if (!SkipSubBlocks(data, size, &at)) return false;
    } else if (kind == 0x2C) {  // the first frame
      if (at + 10 > size) return false;
      const int64_t right = int64_t{Le16(data + at + 1)} + Le16(data + at + 5);
      const int64_t bottom = int64_t{Le16(data + at + 3)} + Le16(data + at + 7);
      if (Le16(data + at + 5) == 0 || Le16(data + at + 7) == 0) return false;
      // A frame outside a zero-sized screen sets the picture's size.
      if (!WithinBounds(right, bottom)) return false;
      const uint8_t flags = data[at + 9];
      at += 10;
      if (flags & 0x80) at += 3u << ((flags & 7) + 1);
      at += 1;  // LZW minimum code size
      if (at > size || !SkipSubBlocks(data, size, &at)) return false;
      header->decode_size = at;
      return true;
    } else {
      return false;  // trailer or garbage before any frame
    }
  }
  return false;
}

}  // namespace

bool ReadImageHeader(const uint8_t* data, size_t size, ImageHeader* header) {
  *header = ImageHeader{};
  if (!data || size < 8 || size > kImageMaxFileBytes) return false;
  header->decode_size = size;
  bool read = false;
  static const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (std::memcmp(data, kPngSignature, 8) == 0) {
    header->format = ImageFormat::kPng;
    read = ReadPng(data, size, header);
  } else if (data[0] == 'B' && data[1] == 'M') {
    header->format = ImageFormat::kBmp;
    read = ReadBmp(data, size, header);
  } else if (data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) {
    header->format = ImageFormat::kJpeg;
    read = ReadJpeg(data, size, header);
  } else if (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0) {
    header->format = ImageFormat::kGif;
    read = ReadGif(data, size, header);
  }
  if (read && header->format == ImageFormat::kGif && header->width == 0 && header->height == 0)
    return true;  // the frame's extent was checked instead
  if (!read || !WithinBounds(header->width, header->height)) {
    *header = ImageHeader{};
    return false;
  }
  return true;
}
