// Where a pen's centre line runs for ZCanvas's lines, on both back ends, so
// that they cover the pixels LineTo does: from the first point up to (not
// including) the last, one pen width across. Pixel i covers [i, i + 1).
#pragma once

#include <cstddef>
#include <vector>

#include "platform/canvas.h"

struct PenPoint {
  double x = 0;
  double y = 0;
};

// The points to stroke with flat caps and mitred joins. An odd width puts
// the centre line on pixel centres; its ends then move back by half a pixel
// along their segments, so that the first point is whole and the last is out.
std::vector<PenPoint> PenPath(const ZPoint* points, size_t count, int width);
