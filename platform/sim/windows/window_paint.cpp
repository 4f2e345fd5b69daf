// Update regions and WM_PAINT. Invalidations of a window add up into one
// update region; WM_PAINT is made for it only when the queue holds nothing
// else, and keeps coming until the window validates it (BeginPaint does).
#include "platform/kernel.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/sim/windows/SimWindowState.h"

using namespace simwin;

namespace {

RECT ClientArea(const Window& w) {
  return RECT{0, 0, w.client.right - w.client.left, w.client.bottom - w.client.top};
}

// Adds (or with validate, removes) an area in client coordinates.
BOOL Change(HWND window, const Region* area, bool erase, bool validate) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  if (!window) {
    if (validate) return TRUE;
    for (HWND h : ChildrenLocked(s, nullptr))
      if (VisibleLocked(s, h)) InvalidateAllLocked(s, h, erase);
    s.arrived.notify_all();
    return TRUE;
  }
  Window* w = Find(s, window);
  if (!w) return SimFail(ERROR_INVALID_WINDOW_HANDLE);
  Region client(ClientArea(*w));
  Region clipped = area ? Region::Combine(*area, client, RGN_AND) : client;
  if (validate) {
    w->update = Region::Combine(w->update, clipped, RGN_DIFF);
    if (w->update.Empty()) w->erase = false;
    return TRUE;
  }
  // A hidden window has nothing on screen to repaint.
  if (!VisibleLocked(s, window) || clipped.Empty()) return TRUE;
  w->update = Region::Combine(w->update, clipped, RGN_OR);
  w->erase = w->erase || erase;
  s.arrived.notify_all();
  return TRUE;
}

bool RegionOf(HRGN handle, Region* out) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  auto it = s.regions.find(reinterpret_cast<uintptr_t>(handle));
  if (it == s.regions.end()) return false;
  *out = it->second;
  return true;
}

HDC NewWindowDc(State& s, HWND window) {
  uintptr_t handle = s.next_gdi++;
  s.window_dcs[handle] = window;
  return reinterpret_cast<HDC>(handle);
}

}  // namespace

namespace simwin {

void InvalidateAllLocked(State& s, HWND hwnd, bool erase) {
  Window* w = Find(s, hwnd);
  if (!w) return;
  w->update = Region(ClientArea(*w));
  w->erase = w->erase || erase;
}

bool TakePaint(State& s, HWND filter, MSG* out) {
  DWORD me = GetCurrentThreadId();
  // Parents come before their children: they were made first.
  for (auto& [value, w] : s.windows) {
    HWND hwnd = FromValue(value);
    if (w.update.Empty() || w.tid != me || w.destroying) continue;
    if ((w.ex_style & WS_EX_LAYERED) && w.layered.width) continue;  // its pixels are given
    if (!VisibleLocked(s, hwnd)) continue;
    if (filter && filter != hwnd && !(w.style & WS_CHILD && RootLocked(s, hwnd) == filter))
      continue;
    *out = MSG{};
    out->hwnd = hwnd;
    out->message = WM_PAINT;
    out->time = GetTickCount();
    return true;
  }
  return false;
}

}  // namespace simwin

BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase) {
  if (!rect) return Change(window, nullptr, erase, false);
  Region area(*rect);
  return Change(window, &area, erase, false);
}

BOOL InvalidateRgn(HWND window, HRGN region, BOOL erase) {
  if (!region) return Change(window, nullptr, erase, false);
  Region area;
  if (!RegionOf(region, &area)) return SimFail(ERROR_INVALID_PARAMETER);
  return Change(window, &area, erase, false);
}

BOOL ValidateRect(HWND window, const RECT* rect) {
  if (!rect) return Change(window, nullptr, false, true);
  Region area(*rect);
  return Change(window, &area, false, true);
}

BOOL ValidateRgn(HWND window, HRGN region) {
  if (!region) return Change(window, nullptr, false, true);
  Region area;
  if (!RegionOf(region, &area)) return SimFail(ERROR_INVALID_PARAMETER);
  return Change(window, &area, false, true);
}

BOOL RedrawWindow(HWND window, const RECT* rect, HRGN region, UINT flags) {
  Region area;
  const Region* chosen = nullptr;
  if (region) {
    if (!RegionOf(region, &area)) return SimFail(ERROR_INVALID_PARAMETER);
    chosen = &area;
  } else if (rect) {
    area = Region(*rect);
    chosen = &area;
  }
  if ((flags & RDW_INVALIDATE) && !Change(window, chosen, (flags & RDW_ERASE) != 0, false))
    return FALSE;
  if ((flags & RDW_VALIDATE) && !Change(window, chosen, false, true)) return FALSE;
  if (window && (flags & RDW_UPDATENOW)) UpdateWindow(window);
  return TRUE;
}

BOOL UpdateWindow(HWND window) {
  bool needs_paint;
  {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.mutex);
    Window* w = Find(s, window);
    if (!w) return SimFail(ERROR_INVALID_WINDOW_HANDLE);
    needs_paint = !w->update.Empty() && VisibleLocked(s, window);
  }
  // Painted now, past the queue.
  if (needs_paint) CallProc(window, WM_PAINT, 0, 0);
  return TRUE;
}

BOOL GetUpdateRect(HWND window, LPRECT rect, BOOL erase) {
  State& s = S();
  bool send_erase = false;
  BOOL result;
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    Window* w = Find(s, window);
    if (!w) return SimFail(ERROR_INVALID_WINDOW_HANDLE);
    if (rect) *rect = w->update.Box();
    result = w->update.Empty() ? FALSE : TRUE;
    if (erase && w->erase && result) {
      w->erase = false;
      send_erase = true;
    }
  }
  if (send_erase) {
    HDC dc = GetDC(window);
    CallProc(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    ReleaseDC(window, dc);
  }
  return result;
}

int GetUpdateRgn(HWND window, HRGN region, BOOL) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  Window* w = Find(s, window);
  auto r = s.regions.find(reinterpret_cast<uintptr_t>(region));
  if (!w || r == s.regions.end()) return RGN_ERROR;
  r->second = w->update;
  return r->second.Kind();
}

HDC BeginPaint(HWND window, LPPAINTSTRUCT paint) {
  if (!paint) return SimFailWith<HDC>(ERROR_INVALID_PARAMETER, nullptr);
  State& s = S();
  bool erase;
  HDC dc;
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    Window* w = Find(s, window);
    if (!w) return SimFailWith<HDC>(ERROR_INVALID_WINDOW_HANDLE, nullptr);
    *paint = PAINTSTRUCT{};
    paint->rcPaint = w->update.Box();
    erase = w->erase;
    w->update = Region();
    w->erase = false;
    dc = NewWindowDc(s, window);
    paint->hdc = dc;
  }
  // fErase tells the window that the background is still to be erased.
  paint->fErase = erase && !CallProc(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  return dc;
}

BOOL EndPaint(HWND window, const PAINTSTRUCT* paint) {
  if (!paint) return FALSE;
  {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.mutex);
    s.window_dcs.erase(reinterpret_cast<uintptr_t>(paint->hdc));
  }
  ContentChanged(window);
  return TRUE;
}

HDC GetDC(HWND window) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  if (window && !Find(s, window)) return SimFailWith<HDC>(ERROR_INVALID_WINDOW_HANDLE, nullptr);
  return NewWindowDc(s, window);
}

int ReleaseDC(HWND, HDC dc) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  return s.window_dcs.erase(reinterpret_cast<uintptr_t>(dc)) ? 1 : 0;
}

HDC CreateCompatibleDC(HDC) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  uintptr_t handle = s.next_gdi++;
  s.dc_pixels[handle] = SimWindowPixels{};
  return reinterpret_cast<HDC>(handle);
}

BOOL DeleteDC(HDC dc) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  return s.dc_pixels.erase(reinterpret_cast<uintptr_t>(dc)) ? TRUE : FALSE;
}

BOOL SimSetDcPixels(HDC dc, int width, int height, const uint32_t* pixels) {
  if (width < 0 || height < 0 || (width && height && !pixels)) return FALSE;
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  auto it = s.dc_pixels.find(reinterpret_cast<uintptr_t>(dc));
  if (it == s.dc_pixels.end()) return FALSE;
  it->second.width = width;
  it->second.height = height;
  it->second.pixels.assign(pixels, pixels + static_cast<size_t>(width) * height);
  return TRUE;
}

BOOL UpdateLayeredWindow(HWND window, HDC, POINT* position, SIZE* size, HDC source_dc,
                         POINT* source_position, COLORREF, BLENDFUNCTION* blend, DWORD) {
  State& s = S();
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    Window* w = Find(s, window);
    if (!w) return SimFail(ERROR_INVALID_WINDOW_HANDLE);
    if (!(w->ex_style & WS_EX_LAYERED)) return SimFail(ERROR_INVALID_PARAMETER);
    if (size && (size->cx <= 0 || size->cy <= 0)) return SimFail(ERROR_INVALID_PARAMETER);
    if (source_dc) {
      auto it = s.dc_pixels.find(reinterpret_cast<uintptr_t>(source_dc));
      if (it == s.dc_pixels.end()) return SimFail(ERROR_INVALID_PARAMETER);
      const SimWindowPixels& from = it->second;
      int cx = size ? size->cx : w->rect.right - w->rect.left;
      int cy = size ? size->cy : w->rect.bottom - w->rect.top;
      int sx = source_position ? source_position->x : 0;
      int sy = source_position ? source_position->y : 0;
      // The source must cover the whole window, as Windows requires.
      if (sx < 0 || sy < 0 || sx + cx > from.width || sy + cy > from.height)
        return SimFail(ERROR_INVALID_PARAMETER);
      SimWindowPixels& content = w->layered;
      content.width = cx;
      content.height = cy;
      content.pixels.resize(static_cast<size_t>(cx) * cy);
      for (int y = 0; y < cy; ++y)
        for (int x = 0; x < cx; ++x)
          content.pixels[static_cast<size_t>(y) * cx + x] =
              from.pixels[static_cast<size_t>(sy + y) * from.width + sx + x];
    }
    if (blend) w->layered.alpha = blend->SourceConstantAlpha;
  }
  UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW;
  if (!position) flags |= SWP_NOMOVE;
  if (!size) flags |= SWP_NOSIZE;
  if (position || size)
    SetWindowPos(window, nullptr, position ? position->x : 0, position ? position->y : 0,
                 size ? size->cx : 0, size ? size->cy : 0, flags);
  ContentChanged(window);
  return TRUE;
}

BOOL SimGetLayeredPixels(HWND window, SimWindowPixels* out) {
  if (!out) return FALSE;
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  Window* w = Find(s, window);
  if (!w || !w->layered.width) return FALSE;
  *out = w->layered;
  return TRUE;
}
