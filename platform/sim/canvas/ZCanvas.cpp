// ZCanvas on cairo: an ARGB32 image surface is exactly the layer's pixel
// layout (premultiplied 0xAARRGGBB in native order, rows top down).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/canvas.h"
#include "platform/common/pen_path.h"
#include "platform/common/png_encode.h"
#include "platform/image.h"
#include "platform/sim/canvas/CanvasImpl.h"

namespace {

uint32_t Lerp(uint32_t from, uint32_t to, int step, int steps) {
  if (steps <= 1) return from;
  const int delta = static_cast<int>(to) - static_cast<int>(from);
  const double value = from + static_cast<double>(delta) * step / (steps - 1);
  return static_cast<uint32_t>(std::lround(value));
}

uint32_t Premultiplied(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
  const auto mul = [a](uint32_t c) { return (c * a + 127) / 255; };
  return (a << 24) | (mul(r) << 16) | (mul(g) << 8) | mul(b);
}

// Columns (or rows) of the gradient, each exact, painted without filtering.
void Gradient(ZCanvas::Impl* impl, const ZRect& rect, ZColor from, ZColor to, bool vertical) {
  // In 64 bits: a rectangle may span the whole int range.
  const int64_t width = static_cast<int64_t>(rect.right) - rect.left;
  const int64_t height = static_cast<int64_t>(rect.bottom) - rect.top;
  // cairo makes no image longer than 32767 pixels.
  if (!impl->cr || width <= 0 || height <= 0 || (vertical ? height : width) > 32767) return;
  const int steps = static_cast<int>(vertical ? height : width);
  cairo_surface_t* ramp = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, vertical ? 1 : steps,
                                                     vertical ? steps : 1);
  if (cairo_surface_status(ramp) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(ramp);
    return;
  }
  cairo_surface_flush(ramp);
  auto* data = reinterpret_cast<unsigned char*>(cairo_image_surface_get_data(ramp));
  const int stride = cairo_image_surface_get_stride(ramp);
  for (int i = 0; i < steps; ++i) {
    const uint32_t pixel = Premultiplied(Lerp(from.r, to.r, i, steps), Lerp(from.g, to.g, i, steps),
                                         Lerp(from.b, to.b, i, steps), Lerp(from.a, to.a, i, steps));
    auto* at = reinterpret_cast<uint32_t*>(vertical ? data + static_cast<size_t>(stride) * i
                                                    : data + 4 * static_cast<size_t>(i));
    *at = pixel;
  }
  cairo_surface_mark_dirty(ramp);
  cairo_t* cr = impl->cr;
  cairo_save(cr);
  cairo_pattern_t* pattern = cairo_pattern_create_for_surface(ramp);
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
  cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
  cairo_matrix_t matrix;
  cairo_matrix_init_translate(&matrix, -static_cast<double>(rect.left), -static_cast<double>(rect.top));
  cairo_pattern_set_matrix(pattern, &matrix);
  cairo_set_source(cr, pattern);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  cairo_rectangle(cr, rect.left, rect.top, static_cast<double>(width), static_cast<double>(height));
  cairo_fill(cr);
  cairo_restore(cr);
  cairo_pattern_destroy(pattern);
  cairo_surface_destroy(ramp);
}

void RoundRectPath(cairo_t* cr, double x, double y, double w, double h, double radius) {
  radius = std::max(0.0, std::min(radius, std::min(w, h) / 2));
  cairo_new_sub_path(cr);
  if (radius <= 0) {
    cairo_rectangle(cr, x, y, w, h);
    return;
  }
  const double pi = 3.14159265358979323846;
  cairo_arc(cr, x + w - radius, y + radius, radius, -pi / 2, 0);
  cairo_arc(cr, x + w - radius, y + h - radius, radius, 0, pi / 2);
  cairo_arc(cr, x + radius, y + h - radius, radius, pi / 2, pi);
  cairo_arc(cr, x + radius, y + radius, radius, pi, 3 * pi / 2);
  cairo_close_path(cr);
}

void Stroke(cairo_t* cr, int width, ZColor color) {
  SetSourceColor(cr, color);
  cairo_set_line_width(cr, width);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
  cairo_stroke(cr);
}

}  // namespace

void SetSourceColor(cairo_t* cr, ZColor color) {
  cairo_set_source_rgba(cr, color.r / 255.0, color.g / 255.0, color.b / 255.0, color.a / 255.0);
}

ZCanvas::Impl::~Impl() { Release(); }

void ZCanvas::Impl::Release() {
  layouts.Clear();
  if (text) g_object_unref(text);
  if (cr) cairo_destroy(cr);
  if (surface) cairo_surface_destroy(surface);
  text = nullptr;
  cr = nullptr;
  surface = nullptr;
  width = height = clip_depth = 0;
}

ZCanvas::ZCanvas() : impl_(std::make_unique<Impl>()) {}
ZCanvas::~ZCanvas() = default;

bool ZCanvas::Create(int width, int height) {
  impl_->Release();
  if (width <= 0 || height <= 0 || width > kCanvasMaxSide || height > kCanvasMaxSide ||
      int64_t{width} * height > kCanvasMaxPixels)
    return false;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS ||
      cairo_image_surface_get_stride(surface) != width * 4) {
    cairo_surface_destroy(surface);
    return false;
  }
  impl_->surface = surface;
  impl_->cr = cairo_create(surface);
  impl_->width = width;
  impl_->height = height;
  return true;
}

int ZCanvas::Width() const { return impl_->width; }
int ZCanvas::Height() const { return impl_->height; }

uint32_t* ZCanvas::Pixels() {
  if (!impl_->surface) return nullptr;
  cairo_surface_flush(impl_->surface);
  // The caller may write: cairo must not keep anything it cached about them.
  cairo_surface_mark_dirty(impl_->surface);
  return reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(impl_->surface));
}

const uint32_t* ZCanvas::Pixels() const {
  if (!impl_->surface) return nullptr;
  cairo_surface_flush(impl_->surface);
  return reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(impl_->surface));
}

uint32_t ZCanvas::PixelAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= impl_->width || y >= impl_->height) return 0;
  return Pixels()[static_cast<size_t>(y) * impl_->width + x];
}

void ZCanvas::Clear(ZColor color) {
  uint32_t* pixels = Pixels();
  if (!pixels) return;
  const uint32_t value = Premultiplied(color.r, color.g, color.b, color.a);
  std::fill(pixels, pixels + static_cast<size_t>(impl_->width) * impl_->height, value);
  cairo_surface_mark_dirty(impl_->surface);
}

void ZCanvas::FillRect(const ZRect& rect, ZColor color) {
  if (!impl_->cr || rect.Width() <= 0 || rect.Height() <= 0) return;
  cairo_t* cr = impl_->cr;
  SetSourceColor(cr, color);
  cairo_rectangle(cr, rect.left, rect.top, rect.Width(), rect.Height());
  cairo_fill(cr);
}

void ZCanvas::GradientFillH(const ZRect& rect, ZColor from, ZColor to) {
  Gradient(impl_.get(), rect, from, to, false);
}

void ZCanvas::GradientFillV(const ZRect& rect, ZColor from, ZColor to) {
  Gradient(impl_.get(), rect, from, to, true);
}

void ZCanvas::DrawImage(const ZImage& image, const ZRect& src_in, const ZRect& dst, BYTE alpha) {
  if (!impl_->cr || image.Empty() || alpha == 0 || dst.Width() <= 0 || dst.Height() <= 0) return;
  const ZRect src = src_in.ClampedTo(image.Width(), image.Height());
  if (src.Width() <= 0 || src.Height() <= 0) return;
  // cairo only reads the image: the const_cast never leads to a write.
  cairo_surface_t* whole = cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(image.Pixels())), CAIRO_FORMAT_ARGB32,
      image.Width(), image.Height(), image.Width() * 4);
  // A sub-surface: edge pixels repeat its own border, never their neighbours.
  cairo_surface_t* part =
      cairo_surface_create_for_rectangle(whole, src.left, src.top, src.Width(), src.Height());
  cairo_pattern_t* pattern = cairo_pattern_create_for_surface(part);
  const double sx = static_cast<double>(dst.Width()) / src.Width();
  const double sy = static_cast<double>(dst.Height()) / src.Height();
  cairo_matrix_t matrix;
  cairo_matrix_init_scale(&matrix, 1 / sx, 1 / sy);
  cairo_matrix_translate(&matrix, -dst.left, -dst.top);
  cairo_pattern_set_matrix(pattern, &matrix);
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
  cairo_pattern_set_filter(pattern,
                           sx == 1 && sy == 1 ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
  cairo_t* cr = impl_->cr;
  cairo_save(cr);
  cairo_rectangle(cr, dst.left, dst.top, dst.Width(), dst.Height());
  cairo_clip(cr);
  cairo_set_source(cr, pattern);
  if (alpha == 255)
    cairo_paint(cr);
  else
    cairo_paint_with_alpha(cr, alpha / 255.0);
  cairo_restore(cr);
  cairo_pattern_destroy(pattern);
  cairo_surface_destroy(part);
  cairo_surface_destroy(whole);
}

void ZCanvas::DrawLine(ZPoint from, ZPoint to, int width, ZColor color) {
  const ZPoint points[2] = {from, to};
  DrawPolyline(points, 2, width, color);
}

void ZCanvas::DrawPolyline(const ZPoint* points, size_t count, int width, ZColor color) {
  if (!impl_->cr || !points || count < 2 || width <= 0) return;
  cairo_t* cr = impl_->cr;
  cairo_new_path(cr);
  for (const PenPoint& at : PenPath(points, count, width)) cairo_line_to(cr, at.x, at.y);
  Stroke(cr, width, color);
}

void ZCanvas::DrawRect(const ZRect& rect, int width, ZColor color) {
  DrawRoundRect(rect, 0, width, color);
}

void ZCanvas::DrawRoundRect(const ZRect& rect, int radius, int width, ZColor color) {
  if (!impl_->cr || width <= 0 || rect.Width() <= 0 || rect.Height() <= 0) return;
  if (2 * width >= rect.Width() || 2 * width >= rect.Height()) {
    FillRoundRect(rect, radius, color);  // the pen covers it all
    return;
  }
  cairo_t* cr = impl_->cr;
  const double half = width / 2.0;
  cairo_new_path(cr);
  RoundRectPath(cr, rect.left + half, rect.top + half, rect.Width() - width,
                rect.Height() - width, radius - half);
  Stroke(cr, width, color);
}

void ZCanvas::FillRoundRect(const ZRect& rect, int radius, ZColor color) {
  if (!impl_->cr || rect.Width() <= 0 || rect.Height() <= 0) return;
  cairo_t* cr = impl_->cr;
  cairo_new_path(cr);
  RoundRectPath(cr, rect.left, rect.top, rect.Width(), rect.Height(), radius);
  SetSourceColor(cr, color);
  cairo_fill(cr);
}

void ZCanvas::PushClip(const ZRect* rects, size_t count) {
  if (!impl_->cr) return;
  cairo_t* cr = impl_->cr;
  cairo_save(cr);
  ++impl_->clip_depth;
  cairo_new_path(cr);
  for (size_t i = 0; i < count; ++i) {
    if (rects[i].Width() > 0 && rects[i].Height() > 0)
      cairo_rectangle(cr, rects[i].left, rects[i].top, rects[i].Width(), rects[i].Height());
  }
  // Overlapping rectangles: their union, not the even-odd difference.
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  cairo_clip(cr);
}

void ZCanvas::PopClip() {
  if (!impl_->cr || impl_->clip_depth == 0) return;
  --impl_->clip_depth;
  cairo_restore(impl_->cr);
}

bool ZCanvas::EncodePng(std::vector<uint8_t>* png) const {
  return EncodePngPixels(Pixels(), impl_->width, impl_->height, png);
}
