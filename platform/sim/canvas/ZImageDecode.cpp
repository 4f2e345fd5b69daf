// ZImage decoded by gdk-pixbuf: one Debian-packaged library for all four
// formats, each through its own loader named explicitly (never sniffed, so
// that no other loader - SVG, TIFF, ICO ... - ever sees the bytes).
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <vector>

#include "platform/common/image_header.h"
#include "platform/image.h"

namespace {

const char* LoaderName(ImageFormat format) {
  switch (format) {
    case ImageFormat::kPng: return "png";
    case ImageFormat::kBmp: return "bmp";
    case ImageFormat::kJpeg: return "jpeg";
    case ImageFormat::kGif: return "gif";
    default: return nullptr;
  }
}

bool WithinBounds(int width, int height) {
  return width > 0 && height > 0 && width <= kImageMaxSide && height <= kImageMaxSide &&
         int64_t{width} * height <= kImageMaxPixels;
}

// The loader's own view of the size, before it allocates: a second guard
// behind the header check.
void OnSizePrepared(GdkPixbufLoader*, int width, int height, gpointer refused) {
  if (!WithinBounds(width, height)) *static_cast<bool*>(refused) = true;
}

}  // namespace

bool ZImage::LoadBytes(const uint8_t* data, size_t size) {
  Reset();
  ImageHeader header;
  if (!ReadImageHeader(data, size, &header)) return false;
  GError* error = nullptr;
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type(LoaderName(header.format), &error);
  if (!loader) {
    g_clear_error(&error);
    return false;
  }
  bool refused = false;
  g_signal_connect(loader, "size-prepared", G_CALLBACK(OnSizePrepared), &refused);
  // Small steps, so that the size is known before most of the data is read.
  bool fed = true;
  for (size_t at = 0; fed && !refused && at < header.decode_size;) {
    const size_t step = std::min<size_t>(header.decode_size - at, 64 * 1024);
    fed = gdk_pixbuf_loader_write(loader, data + at, step, &error);
    at += step;
  }
  if (fed && !refused && header.format == ImageFormat::kGif) {
    // The first frame only: the rest of an animation is never decoded.
    static const guchar kTrailer = 0x3B;
    fed = gdk_pixbuf_loader_write(loader, &kTrailer, 1, &error);
  }
  g_clear_error(&error);
  const bool closed = gdk_pixbuf_loader_close(loader, &error);
  g_clear_error(&error);
  GdkPixbuf* pixbuf = fed && closed && !refused ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
  bool loaded = false;
  if (pixbuf && gdk_pixbuf_get_colorspace(pixbuf) == GDK_COLORSPACE_RGB &&
      gdk_pixbuf_get_bits_per_sample(pixbuf) == 8 &&
      WithinBounds(gdk_pixbuf_get_width(pixbuf), gdk_pixbuf_get_height(pixbuf))) {
    const int width = gdk_pixbuf_get_width(pixbuf);
    const int height = gdk_pixbuf_get_height(pixbuf);
    const int channels = gdk_pixbuf_get_n_channels(pixbuf);
    const bool alpha = gdk_pixbuf_get_has_alpha(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    const guchar* rows = gdk_pixbuf_read_pixels(pixbuf);
    if (channels == (alpha ? 4 : 3)) {
      std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
      for (int y = 0; y < height; ++y) {
        const guchar* in = rows + static_cast<size_t>(stride) * y;
        uint32_t* out = pixels.data() + static_cast<size_t>(width) * y;
        for (int x = 0; x < width; ++x, in += channels) {
          const uint32_t a = alpha ? in[3] : 255;
          const auto mul = [a](uint32_t c) { return (c * a + 127) / 255; };
          out[x] = (a << 24) | (mul(in[0]) << 16) | (mul(in[1]) << 8) | mul(in[2]);
        }
      }
      Assign(width, height, std::move(pixels));
      loaded = true;
    }
  }
  g_object_unref(loader);
  return loaded;
}
