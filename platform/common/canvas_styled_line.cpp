// ZCanvas::DrawStyledLine on both back ends: the dash pattern is cut here
// into solid pieces drawn with DrawLine, so both draw the same pixels.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "platform/canvas.h"

namespace {

// On and off lengths of a one-pixel pen, starting with a dash.
std::vector<int> Pattern(int pen_style) {
  switch (pen_style) {
    case kZPenDash: return {18, 6};
    case kZPenDot: return {3, 3};
    case kZPenDashDot: return {9, 6, 3, 6};
    case kZPenDashDotDot: return {9, 3, 3, 3, 3, 3};
    default: return {};
  }
}

}  // namespace

void ZCanvas::DrawStyledLine(ZPoint from, ZPoint to, int width, ZColor color, int pen_style) {
  const std::vector<int> pattern = Pattern(pen_style);
  if (width <= 0) return;
  if (pattern.empty()) {
    DrawLine(from, to, width, color);
    return;
  }
  const double dx = static_cast<double>(to.x) - from.x, dy = static_cast<double>(to.y) - from.y;
  const double length = std::sqrt(dx * dx + dy * dy);
  if (length < 1) return;
  // Past the canvas nothing shows: stop there rather than walk a huge line.
  const double limit = std::min(length, 4.0 * kCanvasMaxSide);
  const double ux = dx / length, uy = dy / length;
  double at = 0;
  for (size_t i = 0; at < limit; i = (i + 1) % pattern.size()) {
    const double step = static_cast<double>(pattern[i]) * width;
    if (i % 2 == 0) {
      const double end = std::min(at + step, length);
      const ZPoint a{from.x + static_cast<int>(std::lround(ux * at)), from.y + static_cast<int>(std::lround(uy * at))};
      const ZPoint b{from.x + static_cast<int>(std::lround(ux * end)),
                     from.y + static_cast<int>(std::lround(uy * end))};
      if (a.x != b.x || a.y != b.y) DrawLine(a, b, width, color);
    }
    at += step;
  }
}
