// The picture loader over arbitrary bytes: it never crashes, never accepts a
// picture beyond the bounds, and what it accepts is premultiplied.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzCheck.h"
#include "platform/common/image_header.h"
#include "platform/image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ImageHeader header;
  const bool readable = ReadImageHeader(data, size, &header);
  ZImage image;
  const bool loaded = image.LoadBytes(data, size);
  FUZZ_CHECK(!loaded || readable);
  if (!loaded) {
    FUZZ_CHECK(image.Empty());
    return 0;
  }
  FUZZ_CHECK(image.Width() > 0 && image.Height() > 0);
  FUZZ_CHECK(image.Width() <= kImageMaxSide && image.Height() <= kImageMaxSide);
  FUZZ_CHECK(int64_t{image.Width()} * image.Height() <= kImageMaxPixels);
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x) {
      const uint32_t p = image.PixelAt(x, y);
      const uint32_t a = p >> 24;
      FUZZ_CHECK(((p >> 16) & 0xFF) <= a && ((p >> 8) & 0xFF) <= a && (p & 0xFF) <= a);
    }
  return 0;
}
