// Canvases put on windows: a normal window keeps its client pixels (what the
// presenter shows); a layered one takes them through UpdateLayeredWindow.
#include "platform/window_surface.h"

#include <algorithm>

#include "platform/sim/core/SimHandles.h"
#include "platform/sim/windows/SimWindowState.h"

using namespace simwin;

namespace {

// Premultiplied "over": src + dst * (255 - src alpha) / 255, per channel.
uint32_t Over(uint32_t src, uint32_t dst) {
  uint32_t inverse = 255 - (src >> 24);
  if (inverse == 0) return src;
  if (inverse == 255) return dst;  // premultiplied: nothing to add
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    uint32_t d = (dst >> shift) & 0xFF;
    uint32_t c = ((src >> shift) & 0xFF) + (d * inverse + 127) / 255;
    out |= (c > 255 ? 255 : c) << shift;
  }
  return out;
}

}  // namespace

BOOL PresentCanvas(HWND window, const ZCanvas& canvas, int x, int y) {
  const uint32_t* src = canvas.Pixels();
  if (!src) return SimFail(ERROR_INVALID_PARAMETER);
  {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.mutex);
    Window* w = Find(s, window);
    if (!w) return SimFail(ERROR_INVALID_WINDOW_HANDLE);
    const int width = w->client.right - w->client.left;
    const int height = w->client.bottom - w->client.top;
    SimWindowPixels& surface = w->surface;
    if (surface.width != width || surface.height != height) {
      // What nobody painted yet shows as white, as an unpainted window would.
      surface.width = width;
      surface.height = height;
      surface.pixels.assign(static_cast<size_t>(width) * height, 0xFFFFFFFFu);
    }
    const int cw = canvas.Width();
    for (int row = 0; row < canvas.Height(); ++row) {
      int ty = y + row;
      if (ty < 0 || ty >= height) continue;
      const uint32_t* from = src + static_cast<size_t>(row) * cw;
      uint32_t* to = surface.pixels.data() + static_cast<size_t>(ty) * width;
      int first = x < 0 ? -x : 0;
      int last = std::min(cw, width - x);
      for (int col = first; col < last; ++col) to[x + col] = Over(from[col], to[x + col]);
    }
  }
  ContentChanged(window);
  return TRUE;
}

BOOL PresentLayeredCanvas(HWND window, const ZCanvas& canvas, BYTE alpha) {
  const uint32_t* pixels = canvas.Pixels();
  if (!pixels) return SimFail(ERROR_INVALID_PARAMETER);
  HDC memory = CreateCompatibleDC(nullptr);
  if (!memory) return FALSE;
  BOOL ok = SimSetDcPixels(memory, canvas.Width(), canvas.Height(), pixels);
  if (ok) {
    SIZE size = {canvas.Width(), canvas.Height()};
    POINT origin = {0, 0};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
    ok = UpdateLayeredWindow(window, nullptr, nullptr, &size, memory, &origin, 0, &blend, ULW_ALPHA);
  }
  DeleteDC(memory);
  return ok;
}
