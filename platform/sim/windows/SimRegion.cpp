#include "platform/sim/windows/SimRegion.h"

#include <algorithm>

#include "platform/window_paint.h"

namespace simwin {

bool RectEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

RECT Intersect(const RECT& a, const RECT& b) {
  RECT r = {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
  if (RectEmpty(r)) r = RECT{0, 0, 0, 0};
  return r;
}

Region::Region(const RECT& rect) {
  if (!RectEmpty(rect)) rects_.push_back(rect);
}

RECT Region::Box() const {
  if (rects_.empty()) return RECT{0, 0, 0, 0};
  RECT box = rects_[0];
  for (const RECT& r : rects_) {
    box.left = std::min(box.left, r.left);
    box.top = std::min(box.top, r.top);
    box.right = std::max(box.right, r.right);
    box.bottom = std::max(box.bottom, r.bottom);
  }
  return box;
}

bool Region::Contains(int x, int y) const {
  for (const RECT& r : rects_)
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
  return false;
}

void Region::Offset(int dx, int dy) {
  for (RECT& r : rects_) {
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
  }
}

int Region::Kind() const {
  if (rects_.empty()) return NULLREGION;
  return rects_.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

// Cuts the plane along every edge of both regions and keeps the cells the
// mode selects, then merges cells into bands of rectangles.
Region Region::Combine(const Region& a, const Region& b, int mode) {
  if (mode == RGN_COPY) return a;
  std::vector<LONG> xs, ys;
  for (const Region* region : {&a, &b})
    for (const RECT& r : region->rects_) {
      xs.push_back(r.left);
      xs.push_back(r.right);
      ys.push_back(r.top);
      ys.push_back(r.bottom);
    }
  std::sort(xs.begin(), xs.end());
  xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  Region out;
  std::vector<RECT> previous_row;
  for (size_t j = 0; j + 1 < ys.size(); ++j) {
    std::vector<RECT> row;
    for (size_t i = 0; i + 1 < xs.size(); ++i) {
      bool in_a = a.Contains(xs[i], ys[j]);
      bool in_b = b.Contains(xs[i], ys[j]);
      bool keep = mode == RGN_AND    ? in_a && in_b
                  : mode == RGN_OR   ? in_a || in_b
                  : mode == RGN_XOR  ? in_a != in_b
                  : mode == RGN_DIFF ? in_a && !in_b
                                     : false;
      if (!keep) continue;
      if (!row.empty() && row.back().right == xs[i])
        row.back().right = xs[i + 1];
      else
        row.push_back(RECT{xs[i], ys[j], xs[i + 1], ys[j + 1]});
    }
    // A row with the same spans as the one above extends it downwards.
    bool same = row.size() == previous_row.size() && !row.empty();
    for (size_t k = 0; same && k < row.size(); ++k)
      same = row[k].left == previous_row[k].left && row[k].right == previous_row[k].right &&
             previous_row[k].bottom == row[k].top;
    if (same) {
      size_t first = out.rects_.size() - row.size();
      for (size_t k = 0; k < row.size(); ++k) out.rects_[first + k].bottom = row[k].bottom;
      for (auto& r : previous_row) r.bottom = row[0].bottom;
    } else {
      out.rects_.insert(out.rects_.end(), row.begin(), row.end());
      previous_row = row;
    }
  }
  return out;
}

}  // namespace simwin
