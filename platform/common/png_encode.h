// A PNG file of premultiplied 0xAARRGGBB pixels (colour type 6, straight
// alpha), compressed with zlib: the same bytes from both back ends.
#pragma once

#include <cstdint>
#include <vector>

bool EncodePngPixels(const uint32_t* pixels, int width, int height, std::vector<uint8_t>* png);
