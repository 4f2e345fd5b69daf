// ZImage decoded by GDI+, after the header check: the stream holds one of the
// four formats within the bounds, and a GIF only up to its first frame.
#include <cstring>
#include <vector>

#include "platform/common/image_header.h"
#include "platform/image.h"
#include "platform/win32/gdiplus_api.h"

namespace {

using namespace Gdiplus;

// An IStream over a copy of the bytes (in movable global memory, as
// CreateStreamOnHGlobal wants); the stream frees it.
IStream* StreamOf(const uint8_t* data, size_t size, bool gif_trailer) {
  const size_t total = size + (gif_trailer ? 1 : 0);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, total);
  if (!memory) return nullptr;
  void* at = GlobalLock(memory);
  if (!at) {
    GlobalFree(memory);
    return nullptr;
  }
  std::memcpy(at, data, size);
  if (gif_trailer) static_cast<uint8_t*>(at)[size] = 0x3B;
  GlobalUnlock(memory);
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream))) {
    GlobalFree(memory);
    return nullptr;
  }
  return stream;
}

}  // namespace

bool ZImage::LoadBytes(const uint8_t* data, size_t size) {
  Reset();
  ImageHeader header;
  if (!ReadImageHeader(data, size, &header)) return false;
  const GdiPlusApi& gdip = GdiPlus();
  if (!gdip.ready) return false;
  IStream* stream = StreamOf(data, header.decode_size, header.format == ImageFormat::kGif);
  if (!stream) return false;
  GpBitmap* bitmap = nullptr;
  const bool created = gdip.CreateBitmapFromStream(stream, &bitmap) == Ok && bitmap;
  stream->Release();
  if (!created) return false;
  UINT width = 0, height = 0;
  bool loaded = false;
  if (gdip.GetImageWidth(bitmap, &width) == Ok && gdip.GetImageHeight(bitmap, &height) == Ok &&
      width > 0 && height > 0 && width <= static_cast<UINT>(kImageMaxSide) &&
      height <= static_cast<UINT>(kImageMaxSide) &&
      static_cast<int64_t>(width) * height <= kImageMaxPixels) {
    Rect all(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    BitmapData locked{};
    if (gdip.BitmapLockBits(bitmap, &all, ImageLockModeRead, PixelFormat32bppPARGB, &locked) == Ok) {
      std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
      for (UINT y = 0; y < height; ++y)
        std::memcpy(pixels.data() + static_cast<size_t>(y) * width,
                    static_cast<const uint8_t*>(locked.Scan0) + static_cast<ptrdiff_t>(y) * locked.Stride,
                    static_cast<size_t>(width) * 4);
      gdip.BitmapUnlockBits(bitmap, &locked);
      Assign(static_cast<int>(width), static_cast<int>(height), std::move(pixels));
      loaded = true;
    }
  }
  gdip.DisposeImage(bitmap);
  return loaded;
}
