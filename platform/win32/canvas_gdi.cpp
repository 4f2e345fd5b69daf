// ZCanvas on Windows. The pixels live in a DIB section, the layout AlphaBlend
// and UpdateLayeredWindow take. GDI draws no alpha, so: solid and gradient
// fills are premultiplied scratch DIBs put down with AlphaBlend; pictures,
// lines and outlines go through GDI+ over the same pixels (PARGB); text is
// GDI's, as coverage (canvas_text_gdi.cpp).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/canvas.h"
#include "platform/common/pen_path.h"
#include "platform/common/png_encode.h"
#include "platform/image.h"
#include "platform/win32/canvas_gdi.h"
#include "platform/win32/gdiplus_api.h"

namespace {

using namespace Gdiplus;

HBITMAP CreateTopDownDib(int width, int height, uint32_t** bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* memory = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
  *bits = bitmap ? static_cast<uint32_t*>(memory) : nullptr;
  return bitmap;
}

uint32_t Lerp(uint32_t from, uint32_t to, int step, int steps) {
  if (steps <= 1) return from;
  const int delta = static_cast<int>(to) - static_cast<int>(from);
  return static_cast<uint32_t>(std::lround(from + static_cast<double>(delta) * step / (steps - 1)));
}

ARGB ToArgb(ZColor color) {
  return (ARGB{color.a} << 24) | (ARGB{color.r} << 16) | (ARGB{color.g} << 8) | color.b;
}

// A GDI+ graphics over the canvas's own pixels, clipped as the canvas is.
class CanvasGraphics {
 public:
  explicit CanvasGraphics(ZCanvas::Impl* impl) {
    const GdiPlusApi& gdip = GdiPlus();
    if (!gdip.ready || !impl->bits) return;
    GdiFlush();  // GDI may still hold batched work on these pixels
    if (gdip.CreateBitmapFromScan0(impl->width, impl->height, impl->width * 4,
                                   PixelFormat32bppPARGB, reinterpret_cast<BYTE*>(impl->bits),
                                   &bitmap_) != Ok)
      return;
    if (gdip.GetImageGraphicsContext(bitmap_, &graphics_) != Ok) {
      graphics_ = nullptr;
      return;
    }
    // Pixel i covers [i, i + 1), as the simulated host's canvas has it.
    gdip.SetPixelOffsetMode(graphics_, PixelOffsetModeHalf);
    gdip.SetSmoothingMode(graphics_, SmoothingModeAntiAlias);
    if (impl->Clip()) gdip.SetClipHrgn(graphics_, impl->Clip(), CombineModeReplace);
  }
  ~CanvasGraphics() {
    const GdiPlusApi& gdip = GdiPlus();
    if (graphics_) gdip.DeleteGraphics(graphics_);
    if (bitmap_) gdip.DisposeImage(bitmap_);
  }
  GpGraphics* Get() const { return graphics_; }

 private:
  GpBitmap* bitmap_ = nullptr;
  GpGraphics* graphics_ = nullptr;
};

void Gradient(ZCanvas::Impl* impl, const ZRect& rect, ZColor from, ZColor to, bool vertical) {
  if (!impl->bits || rect.Width() <= 0 || rect.Height() <= 0) return;
  const int steps = vertical ? rect.Height() : rect.Width();
  // Computed here, not by GradientFill: both end pixels are exactly the
  // colours given, on either back end.
  ScratchDib ramp(vertical ? 1 : steps, vertical ? steps : 1);
  if (!ramp.Ok()) return;
  for (int i = 0; i < steps; ++i) {
    const ZColor c{static_cast<uint8_t>(Lerp(from.r, to.r, i, steps)),
                   static_cast<uint8_t>(Lerp(from.g, to.g, i, steps)),
                   static_cast<uint8_t>(Lerp(from.b, to.b, i, steps)),
                   static_cast<uint8_t>(Lerp(from.a, to.a, i, steps))};
    ramp.Bits()[i] = PremultipliedPixel(c);
  }
  BlendOnto(impl, ramp, rect.left, rect.top, rect.Width(), rect.Height());
}

GpPath* RoundRectPath(double x, double y, double w, double h, double radius) {
  const GdiPlusApi& gdip = GdiPlus();
  GpPath* path = nullptr;
  if (gdip.CreatePath(FillModeWinding, &path) != Ok) return nullptr;
  radius = std::max(0.0, std::min(radius, std::min(w, h) / 2));
  const REAL fx = static_cast<REAL>(x), fy = static_cast<REAL>(y);
  const REAL fw = static_cast<REAL>(w), fh = static_cast<REAL>(h);
  if (radius <= 0) {
    gdip.AddPathRectangle(path, fx, fy, fw, fh);
  } else {
    const REAL d = static_cast<REAL>(2 * radius);
    gdip.AddPathArc(path, fx + fw - d, fy, d, d, 270, 90);
    gdip.AddPathArc(path, fx + fw - d, fy + fh - d, d, d, 0, 90);
    gdip.AddPathArc(path, fx, fy + fh - d, d, d, 90, 90);
    gdip.AddPathArc(path, fx, fy, d, d, 180, 90);
  }
  gdip.ClosePathFigure(path);
  return path;
}

}  // namespace

uint32_t PremultipliedPixel(ZColor color) {
  const uint32_t a = color.a;
  const auto mul = [a](uint32_t c) { return (c * a + 127) / 255; };
  return (a << 24) | (mul(color.r) << 16) | (mul(color.g) << 8) | mul(color.b);
}

ScratchDib::ScratchDib(int width, int height) : width_(width), height_(height) {
  if (width <= 0 || height <= 0 || width > kCanvasMaxSide || height > kCanvasMaxSide) return;
  dc_ = CreateCompatibleDC(nullptr);
  if (!dc_) return;
  bitmap_ = CreateTopDownDib(width, height, &bits_);
  if (!bitmap_) return;
  old_ = SelectObject(dc_, bitmap_);
  std::memset(bits_, 0, static_cast<size_t>(width) * height * 4);
}

ScratchDib::~ScratchDib() {
  if (dc_ && old_) SelectObject(dc_, old_);
  if (bitmap_) DeleteObject(bitmap_);
  if (dc_) DeleteDC(dc_);
}

void BlendOnto(ZCanvas::Impl* impl, const ScratchDib& src, int x, int y, int width, int height) {
  const auto alpha_blend = AlphaBlendFunction();
  if (!alpha_blend || !impl->dc || !src.Ok()) return;
  GdiFlush();
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  alpha_blend(impl->dc, x, y, width, height, src.Dc(), 0, 0, src.Width(), src.Height(), blend);
}

ZCanvas::Impl::~Impl() { Release(); }

void ZCanvas::Impl::Release() {
  for (HRGN region : clips) DeleteObject(region);
  clips.clear();
  if (dc && old_bitmap) SelectObject(dc, old_bitmap);
  if (bitmap) DeleteObject(bitmap);
  if (dc) DeleteDC(dc);
  dc = nullptr;
  bitmap = nullptr;
  old_bitmap = nullptr;
  bits = nullptr;
  width = height = 0;
}

ZCanvas::ZCanvas() : impl_(std::make_unique<Impl>()) {}
ZCanvas::~ZCanvas() = default;

bool ZCanvas::Create(int width, int height) {
  impl_->Release();
  if (width <= 0 || height <= 0 || width > kCanvasMaxSide || height > kCanvasMaxSide ||
      int64_t{width} * height > kCanvasMaxPixels)
    return false;
  impl_->dc = CreateCompatibleDC(nullptr);
  if (!impl_->dc) return false;
  impl_->bitmap = CreateTopDownDib(width, height, &impl_->bits);
  if (!impl_->bitmap) {
    impl_->Release();
    return false;
  }
  impl_->old_bitmap = SelectObject(impl_->dc, impl_->bitmap);
  impl_->width = width;
  impl_->height = height;
  std::memset(impl_->bits, 0, static_cast<size_t>(width) * height * 4);
  return true;
}

int ZCanvas::Width() const { return impl_->width; }
int ZCanvas::Height() const { return impl_->height; }

uint32_t* ZCanvas::Pixels() {
  GdiFlush();
  return impl_->bits;
}

const uint32_t* ZCanvas::Pixels() const {
  GdiFlush();
  return impl_->bits;
}

uint32_t ZCanvas::PixelAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= impl_->width || y >= impl_->height) return 0;
  return Pixels()[static_cast<size_t>(y) * impl_->width + x];
}

void ZCanvas::Clear(ZColor color) {
  uint32_t* pixels = Pixels();
  if (!pixels) return;
  std::fill(pixels, pixels + static_cast<size_t>(impl_->width) * impl_->height,
            PremultipliedPixel(color));
}

void ZCanvas::FillRect(const ZRect& rect, ZColor color) {
  if (!impl_->bits || rect.Width() <= 0 || rect.Height() <= 0 || color.a == 0) return;
  ScratchDib one(1, 1);
  if (!one.Ok()) return;
  one.Bits()[0] = PremultipliedPixel(color);
  BlendOnto(impl_.get(), one, rect.left, rect.top, rect.Width(), rect.Height());
}

void ZCanvas::GradientFillH(const ZRect& rect, ZColor from, ZColor to) {
  Gradient(impl_.get(), rect, from, to, false);
}

void ZCanvas::GradientFillV(const ZRect& rect, ZColor from, ZColor to) {
  Gradient(impl_.get(), rect, from, to, true);
}

namespace {

// Bilinear enlargement of premultiplied pixels (a source of w x h pixels,
// rows stride_pixels apart) to out_w x out_h, each pixel sampled at its
// centre and the edges held; only when neither side shrinks and the result
// stays small. False: nothing to do here.
bool EnlargeBilinear(const uint32_t* pixels, int stride_pixels, int w, int h, int out_w, int out_h,
                     std::vector<uint32_t>* out) {
  if (w <= 0 || h <= 0 || out_w < w || out_h < h || (out_w == w && out_h == h)) return false;
  if (static_cast<long long>(out_w) * out_h > 4LL * 1024 * 1024) return false;
  // 8 fractional bits; where each output column and row reads.
  struct Tap {
    int a, b, weight;  // weight of b, out of 256
  };
  auto taps = [](int in, int length) {
    std::vector<Tap> t(static_cast<size_t>(length));
    for (int i = 0; i < length; ++i) {
      const double at = (i + 0.5) * in / length - 0.5;
      const double clamped = at < 0 ? 0 : (at > in - 1 ? in - 1 : at);
      const int a = static_cast<int>(clamped);
      const int b = a + 1 < in ? a + 1 : a;
      t[static_cast<size_t>(i)] = {a, b, static_cast<int>((clamped - a) * 256 + 0.5)};
    }
    return t;
  };
  const std::vector<Tap> columns = taps(w, out_w), rows = taps(h, out_h);
  out->assign(static_cast<size_t>(out_w) * out_h, 0);
  auto mix = [](uint32_t p, uint32_t q, int weight) {
    uint32_t r = 0;
    for (int shift = 0; shift < 32; shift += 8) {
      const int x = static_cast<int>((p >> shift) & 0xFF), y = static_cast<int>((q >> shift) & 0xFF);
      r |= static_cast<uint32_t>((x * (256 - weight) + y * weight + 128) >> 8) << shift;
    }
    return r;
  };
  for (int y = 0; y < out_h; ++y) {
    const Tap& row = rows[static_cast<size_t>(y)];
    const uint32_t* top = pixels + static_cast<size_t>(row.a) * stride_pixels;
    const uint32_t* bottom = pixels + static_cast<size_t>(row.b) * stride_pixels;
    uint32_t* line = out->data() + static_cast<size_t>(y) * out_w;
    for (int x = 0; x < out_w; ++x) {
      const Tap& column = columns[static_cast<size_t>(x)];
      line[x] = mix(mix(top[column.a], top[column.b], column.weight),
                    mix(bottom[column.a], bottom[column.b], column.weight), row.weight);
    }
  }
  return true;
}

}  // namespace

void ZCanvas::DrawImage(const ZImage& image, const ZRect& src_in, const ZRect& dst, BYTE alpha) {
  if (!impl_->bits || image.Empty() || alpha == 0 || dst.Width() <= 0 || dst.Height() <= 0) return;
  const ZRect src = src_in.ClampedTo(image.Width(), image.Height());
  if (src.Width() <= 0 || src.Height() <= 0) return;
  const GdiPlusApi& gdip = GdiPlus();
  CanvasGraphics graphics(impl_.get());
  if (!graphics.Get()) return;
  // GDI+ only reads the picture: the const_cast never leads to a write. The
  // bitmap is the source rectangle alone (the picture's rows, from its
  // corner), so that a stretch never samples the pixels beside it, such as
  // the next frame of an image strip.
  GpBitmap* picture = nullptr;
  const uint32_t* corner =
      image.Pixels() + static_cast<size_t>(src.top) * image.Width() + src.left;
  int stride = image.Width() * 4;
  ZRect from = src;
  // Enlarged here, not by GDI+: implementations of its filters disagree at
  // the edges (a seam between a button's cap and its middle, a border column
  // thinned), and this one is the same everywhere.
  std::vector<uint32_t> enlarged;
  if (EnlargeBilinear(corner, image.Width(), src.Width(), src.Height(), dst.Width(), dst.Height(),
                      &enlarged)) {
    corner = enlarged.data();
    stride = dst.Width() * 4;
    from = {0, 0, dst.Width(), dst.Height()};
  }
  if (gdip.CreateBitmapFromScan0(from.Width(), from.Height(), stride, PixelFormat32bppPARGB,
                                 reinterpret_cast<BYTE*>(const_cast<uint32_t*>(corner)),
                                 &picture) != Ok)
    return;
  GpImageAttributes* attributes = nullptr;
  gdip.CreateImageAttributes(&attributes);
  if (attributes) {
    // Edge pixels repeat themselves instead of fading into nothing.
    gdip.SetImageAttributesWrapMode(attributes, WrapModeTileFlipXY, 0, FALSE);
    if (alpha != 255) {
      ColorMatrix matrix{};
      for (int i = 0; i < 5; ++i) matrix.m[i][i] = 1;
      matrix.m[3][3] = alpha / 255.0f;
      gdip.SetImageAttributesColorMatrix(attributes, ColorAdjustTypeBitmap, TRUE, &matrix, nullptr,
                                         ColorMatrixFlagsDefault);
    }
  }
  const bool same_size = from.Width() == dst.Width() && from.Height() == dst.Height();
  gdip.SetInterpolationMode(graphics.Get(), same_size ? InterpolationModeNearestNeighbor
                                                      : InterpolationModeHighQualityBilinear);
  gdip.DrawImageRectRectI(graphics.Get(), picture, dst.left, dst.top, dst.Width(), dst.Height(),
                          0, 0, from.Width(), from.Height(), UnitPixel, attributes,
                          nullptr, nullptr);
  if (attributes) gdip.DisposeImageAttributes(attributes);
  gdip.DisposeImage(picture);
}

void ZCanvas::DrawLine(ZPoint from, ZPoint to, int width, ZColor color) {
  const ZPoint points[2] = {from, to};
  DrawPolyline(points, 2, width, color);
}

// A one-pixel polyline: its runs across and down are filled pixel for pixel,
// each pixel once (a run owns its start, the next run its end), so that a
// frame drawn with a translucent pen is as even as the simulated host's; a
// slanted run goes to GDI+ alone. Thin pens are where GDI+ implementations
// disagree most about which pixels a line takes.
namespace {

void DrawSlantedLine(ZCanvas::Impl* impl, const ZPoint* ends, ZColor color);

void DrawThinPolyline(ZCanvas* canvas, ZCanvas::Impl* impl, const ZPoint* points, size_t count,
                      ZColor color) {
  for (size_t i = 0; i + 1 < count; ++i) {
    const ZPoint a = points[i], b = points[i + 1];
    if (a.x == b.x && a.y == b.y) continue;
    if (a.y == b.y) {
      canvas->FillRect(
          a.x < b.x ? ZRect{a.x, a.y, b.x, a.y + 1} : ZRect{b.x + 1, a.y, a.x + 1, a.y + 1}, color);
    } else if (a.x == b.x) {
      canvas->FillRect(
          a.y < b.y ? ZRect{a.x, a.y, a.x + 1, b.y} : ZRect{a.x, b.y + 1, a.x + 1, a.y + 1}, color);
    } else {
      const ZPoint slant[2] = {a, b};
      DrawSlantedLine(impl, slant, color);
    }
  }
  // An open line's last point belongs to no run yet.
  const ZPoint last = points[count - 1], first = points[0];
  const ZPoint before = points[count - 2];
  if ((last.x != first.x || last.y != first.y) && (before.x == last.x || before.y == last.y))
    canvas->FillRect({last.x, last.y, last.x + 1, last.y + 1}, color);
}

void DrawSlantedLine(ZCanvas::Impl* impl, const ZPoint* ends, ZColor color) {
  const std::vector<PenPoint> path = PenPath(ends, 2, 1);
  const GdiPlusApi& gdip = GdiPlus();
  CanvasGraphics graphics(impl);
  if (!graphics.Get()) return;
  GpPen* pen = nullptr;
  if (gdip.CreatePen1(ToArgb(color), 1.0f, UnitPixel, &pen) != Ok) return;
  const PointF at[2] = {PointF(static_cast<REAL>(path[0].x), static_cast<REAL>(path[0].y)),
                        PointF(static_cast<REAL>(path[1].x), static_cast<REAL>(path[1].y))};
  gdip.DrawLines(graphics.Get(), pen, at, 2);
  gdip.DeletePen(pen);
}

}  // namespace

void ZCanvas::DrawPolyline(const ZPoint* points, size_t count, int width, ZColor color) {
  if (!impl_->bits || !points || count < 2 || width <= 0 || count > 100000) return;
  const std::vector<PenPoint> path = PenPath(points, count, width);
  if (count == 2 && (path[0].x == path[1].x || path[0].y == path[1].y)) {
    // Straight across or down: a fill of exactly the pixels, whatever GDI+'s
    // rules for thin pens.
    const double half = width / 2.0;
    const bool across = path[0].y == path[1].y;
    const double x0 = across ? std::min(path[0].x, path[1].x) : path[0].x - half;
    const double x1 = across ? std::max(path[0].x, path[1].x) : path[0].x + half;
    const double y0 = across ? path[0].y - half : std::min(path[0].y, path[1].y);
    const double y1 = across ? path[0].y + half : std::max(path[0].y, path[1].y);
    FillRect({static_cast<int>(std::lround(x0)), static_cast<int>(std::lround(y0)),
              static_cast<int>(std::lround(x1)), static_cast<int>(std::lround(y1))},
             color);
    return;
  }
  if (width == 1) {
    DrawThinPolyline(this, impl_.get(), points, count, color);
    return;
  }
  const GdiPlusApi& gdip = GdiPlus();
  CanvasGraphics graphics(impl_.get());
  if (!graphics.Get()) return;
  GpPen* pen = nullptr;
  if (gdip.CreatePen1(ToArgb(color), static_cast<REAL>(width), UnitPixel, &pen) != Ok) return;
  gdip.SetPenLineJoin(pen, LineJoinMiter);
  std::vector<PointF> at;
  for (const PenPoint& p : path)
    at.push_back(PointF(static_cast<REAL>(p.x), static_cast<REAL>(p.y)));
  gdip.DrawLines(graphics.Get(), pen, at.data(), static_cast<INT>(count));
  gdip.DeletePen(pen);
}

// Four fills that do not overlap: exact, and blended once with any alpha.
void ZCanvas::DrawRect(const ZRect& rect, int width, ZColor color) {
  if (width <= 0 || rect.Width() <= 0 || rect.Height() <= 0) return;
  if (2 * width >= rect.Width() || 2 * width >= rect.Height()) {
    FillRect(rect, color);
    return;
  }
  FillRect({rect.left, rect.top, rect.right, rect.top + width}, color);
  FillRect({rect.left, rect.bottom - width, rect.right, rect.bottom}, color);
  FillRect({rect.left, rect.top + width, rect.left + width, rect.bottom - width}, color);
  FillRect({rect.right - width, rect.top + width, rect.right, rect.bottom - width}, color);
}

void ZCanvas::DrawRoundRect(const ZRect& rect, int radius, int width, ZColor color) {
  if (!impl_->bits || width <= 0 || rect.Width() <= 0 || rect.Height() <= 0) return;
  if (2 * width >= rect.Width() || 2 * width >= rect.Height()) {
    FillRoundRect(rect, radius, color);  // the pen covers it all
    return;
  }
  const GdiPlusApi& gdip = GdiPlus();
  CanvasGraphics graphics(impl_.get());
  if (!graphics.Get()) return;
  const double half = width / 2.0;
  GpPath* path = RoundRectPath(rect.left + half, rect.top + half, rect.Width() - width,
                               rect.Height() - width, radius - half);
  GpPen* pen = nullptr;
  if (path && gdip.CreatePen1(ToArgb(color), static_cast<REAL>(width), UnitPixel, &pen) == Ok) {
    gdip.SetPenLineJoin(pen, LineJoinMiter);
    gdip.DrawPath(graphics.Get(), pen, path);
    gdip.DeletePen(pen);
  }
  if (path) gdip.DeletePath(path);
}

void ZCanvas::FillRoundRect(const ZRect& rect, int radius, ZColor color) {
  if (!impl_->bits || rect.Width() <= 0 || rect.Height() <= 0) return;
  if (radius <= 0) {
    FillRect(rect, color);
    return;
  }
  const GdiPlusApi& gdip = GdiPlus();
  CanvasGraphics graphics(impl_.get());
  if (!graphics.Get()) return;
  GpPath* path = RoundRectPath(rect.left, rect.top, rect.Width(), rect.Height(), radius);
  GpSolidFill* brush = nullptr;
  if (path && gdip.CreateSolidFill(ToArgb(color), &brush) == Ok) {
    gdip.FillPath(graphics.Get(), brush, path);
    gdip.DeleteBrush(brush);
  }
  if (path) gdip.DeletePath(path);
}

void ZCanvas::PushClip(const ZRect* rects, size_t count) {
  if (!impl_->dc) return;
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  for (size_t i = 0; i < count; ++i) {
    if (rects[i].Width() <= 0 || rects[i].Height() <= 0) continue;
    HRGN one = CreateRectRgn(rects[i].left, rects[i].top, rects[i].right, rects[i].bottom);
    CombineRgn(region, region, one, RGN_OR);
    DeleteObject(one);
  }
  if (impl_->Clip()) CombineRgn(region, region, impl_->Clip(), RGN_AND);
  impl_->clips.push_back(region);
  SelectClipRgn(impl_->dc, region);
}

void ZCanvas::PopClip() {
  if (impl_->clips.empty()) return;
  DeleteObject(impl_->clips.back());
  impl_->clips.pop_back();
  SelectClipRgn(impl_->dc, impl_->Clip());  // null: no clip
}

bool ZCanvas::EncodePng(std::vector<uint8_t>* png) const {
  return EncodePngPixels(Pixels(), impl_->width, impl_->height, png);
}
