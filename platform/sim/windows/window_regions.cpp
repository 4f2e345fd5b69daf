// Region objects and window shapes.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/sim/core/SimHandles.h"
#include "platform/sim/windows/SimWindowState.h"

using namespace simwin;

namespace {

Region* FindRegion(State& s, HRGN region) {
  auto it = s.regions.find(reinterpret_cast<uintptr_t>(region));
  return it == s.regions.end() ? nullptr : &it->second;
}

RECT Ordered(int left, int top, int right, int bottom) {
  return RECT{std::min(left, right), std::min(top, bottom), std::max(left, right),
              std::max(top, bottom)};
}

}  // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  uintptr_t handle = s.next_gdi++;
  s.regions[handle] = Region(Ordered(left, top, right, bottom));
  return reinterpret_cast<HRGN>(handle);
}

// As GDI does, the region leaves out the right column and the bottom row of
// the rectangle it is given. The corners are quarter ellipses; a row of a
// corner band is cut by the rounded distance from the ellipse's edge (this
// gives the rows Wine gives for circular corners: none for 2 x 2, one
// pixel for 3 x 3 up to 5 x 5, two and one for 6 x 6).
HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipse_width,
                        int ellipse_height) {
  RECT box = Ordered(left, top, right, bottom);
  if (box.right > box.left) --box.right;
  if (box.bottom > box.top) --box.bottom;
  long long box_w = static_cast<long long>(box.right) - box.left;
  long long box_h = static_cast<long long>(box.bottom) - box.top;
  long long ew = std::min<long long>(std::llabs(static_cast<long long>(ellipse_width)), box_w);
  long long eh = std::min<long long>(std::llabs(static_cast<long long>(ellipse_height)), box_h);
  if (ew < 2 || eh < 2) return CreateRectRgn(box.left, box.top, box.right, box.bottom);
  const double a = (ew + 0.5) / 2.0, b = (eh + 0.5) / 2.0;
  Region region(box);
  for (long long row = 0; 2 * row < box_h; ++row) {
    double dy = b - row - 0.5;
    if (dy <= 0) break;
    double dx = a * std::sqrt(std::max(0.0, 1.0 - (dy * dy) / (b * b)));
    long long inset = static_cast<long long>(std::floor(a - dx + 0.5));
    if (inset <= 0) break;
    inset = std::min(inset, (box_w + 1) / 2);
    // Cut the inset from both ends of the row and of its mirror row.
    for (LONG y : {static_cast<LONG>(box.top + row), static_cast<LONG>(box.bottom - 1 - row)}) {
      Region cut = Region::Combine(
          Region(RECT{box.left, y, static_cast<LONG>(box.left + inset), y + 1}),
          Region(RECT{static_cast<LONG>(box.right - inset), y, box.right, y + 1}), RGN_OR);
      region = Region::Combine(region, cut, RGN_DIFF);
    }
  }
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  uintptr_t handle = s.next_gdi++;
  s.regions[handle] = region;
  return reinterpret_cast<HRGN>(handle);
}

HRGN CreateRectRgnIndirect(const RECT* rect) {
  if (!rect) return SimFailWith<HRGN>(ERROR_INVALID_PARAMETER, nullptr);
  return CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom);
}

int CombineRgn(HRGN destination, HRGN source1, HRGN source2, int mode) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  Region* out = FindRegion(s, destination);
  Region* a = FindRegion(s, source1);
  Region* b = mode == RGN_COPY ? a : FindRegion(s, source2);
  if (!out || !a || !b || mode < RGN_AND || mode > RGN_COPY) return RGN_ERROR;
  *out = Region::Combine(*a, *b, mode);
  return out->Kind();
}

int GetRgnBox(HRGN region, LPRECT rect) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  Region* r = FindRegion(s, region);
  if (!r || !rect) return RGN_ERROR;
  *rect = r->Box();
  return r->Kind();
}

int OffsetRgn(HRGN region, int x, int y) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  Region* r = FindRegion(s, region);
  if (!r) return RGN_ERROR;
  r->Offset(x, y);
  return r->Kind();
}

BOOL PtInRegion(HRGN region, int x, int y) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  Region* r = FindRegion(s, region);
  return r && r->Contains(x, y) ? TRUE : FALSE;
}

BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  Region* r = FindRegion(s, region);
  if (!r) return FALSE;
  *r = Region(Ordered(left, top, right, bottom));
  return TRUE;
}

BOOL DeleteObject(HGDIOBJ object) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  return s.regions.erase(reinterpret_cast<uintptr_t>(object)) ? TRUE : FALSE;
}

int SetWindowRgn(HWND window, HRGN region, BOOL redraw) {
  State& s = S();
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    Window* w = Find(s, window);
    if (!w) return SimFailWith<int>(ERROR_INVALID_WINDOW_HANDLE, 0);
    if (region) {
      Region* r = FindRegion(s, region);
      if (!r) return SimFailWith<int>(ERROR_INVALID_PARAMETER, 0);
      // The system owns the region from now on.
      w->shape = *r;
      w->has_shape = true;
      s.regions.erase(reinterpret_cast<uintptr_t>(region));
    } else {
      w->shape = Region();
      w->has_shape = false;
    }
    if (redraw && VisibleLocked(s, window)) InvalidateAllLocked(s, window, true);
    s.arrived.notify_all();
  }
  ContentChanged(window);
  return 1;
}

int GetWindowRgn(HWND window, HRGN region) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  Window* w = Find(s, window);
  Region* r = FindRegion(s, region);
  if (!w || !r || !w->has_shape) return RGN_ERROR;
  *r = w->shape;
  return r->Kind();
}
