#include "platform/common/pen_path.h"

#include <cmath>

namespace {

// Moves *end by distance along the direction from -> to.
void Shift(PenPoint* end, const PenPoint& from, const PenPoint& to, double distance) {
  const double dx = to.x - from.x, dy = to.y - from.y;
  const double length = std::sqrt(dx * dx + dy * dy);
  if (length == 0) return;
  end->x += dx / length * distance;
  end->y += dy / length * distance;
}

}  // namespace

std::vector<PenPoint> PenPath(const ZPoint* points, size_t count, int width) {
  std::vector<PenPoint> path;
  if (!points || count < 2) return path;
  const double offset = (width % 2) ? 0.5 : 0.0;
  path.reserve(count);
  for (size_t i = 0; i < count; ++i) path.push_back({points[i].x + offset, points[i].y + offset});
  if (offset != 0) {
    Shift(&path.front(), path[1], path[0], 0.5);
    Shift(&path.back(), path[count - 2], path[count - 1], -0.5);
  }
  return path;
}
