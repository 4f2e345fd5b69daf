// A region made of non-overlapping rectangles, as the window manager keeps
// update areas and window shapes.
#pragma once

#include <vector>

#include "platform/window_geometry.h"

namespace simwin {

class Region {
 public:
  Region() = default;
  explicit Region(const RECT& rect);

  bool Empty() const { return rects_.empty(); }
  const std::vector<RECT>& Rects() const { return rects_; }
  RECT Box() const;
  bool Contains(int x, int y) const;
  void Offset(int dx, int dy);
  // NULLREGION, SIMPLEREGION or COMPLEXREGION.
  int Kind() const;

  // mode is RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF or RGN_COPY.
  static Region Combine(const Region& a, const Region& b, int mode);

 private:
  std::vector<RECT> rects_;
};

bool RectEmpty(const RECT& r);
RECT Intersect(const RECT& a, const RECT& b);

}  // namespace simwin
