// What an image file says about itself before any decoder reads it: its
// format and dimensions, read from the header alone. Both back ends check
// these against the bounds of platform/image.h before they decode.
#pragma once

#include <cstddef>
#include <cstdint>

enum class ImageFormat { kUnknown, kPng, kBmp, kJpeg, kGif };

struct ImageHeader {
  ImageFormat format = ImageFormat::kUnknown;
  int width = 0;
  int height = 0;
  // The bytes a decoder needs: for a GIF, up to the end of the first frame
  // (a trailer byte is to be added after them); the whole input otherwise.
  size_t decode_size = 0;
};

// Reads the header; false for an unknown format, a header cut short, a zero
// or negative dimension, or one beyond kImageMaxSide / kImageMaxPixels.
bool ReadImageHeader(const uint8_t* data, size_t size, ImageHeader* header);
