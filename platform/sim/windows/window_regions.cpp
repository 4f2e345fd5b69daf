// Region objects and window shapes.
#include <algorithm>

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
