// Canvases put on windows with GDI: a normal window gets the canvas blended
// onto its DC with msimg32's AlphaBlend (BitBlt when msimg32 is missing), a
// layered one gets it through UpdateLayeredWindow with ULW_ALPHA. The canvas's
// pixels are copied into a DIB of our own: its DIB section stays private to it.
#include "platform/window_surface.h"

#include <windows.h>

#include <cstring>

#include "platform/win32/canvas_gdi.h"
#include "platform/win32/gdiplus_api.h"

namespace {

bool CopyInto(const ZCanvas& canvas, const ScratchDib& dib) {
  if (!dib.Ok() || !canvas.Pixels()) return false;
  GdiFlush();
  std::memcpy(dib.Bits(), canvas.Pixels(),
              static_cast<size_t>(canvas.Width()) * canvas.Height() * sizeof(uint32_t));
  return true;
}

}  // namespace

BOOL PresentCanvas(HWND window, const ZCanvas& canvas, int x, int y) {
  if (!IsWindow(window) || !canvas.Pixels()) return FALSE;
  ScratchDib dib(canvas.Width(), canvas.Height());
  if (!CopyInto(canvas, dib)) return FALSE;
  HDC dc = GetDC(window);
  if (!dc) return FALSE;
  BOOL ok;
  const auto alpha_blend = AlphaBlendFunction();
  if (alpha_blend) {
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ok = alpha_blend(dc, x, y, dib.Width(), dib.Height(), dib.Dc(), 0, 0, dib.Width(),
                     dib.Height(), blend);
  } else {
    ok = BitBlt(dc, x, y, dib.Width(), dib.Height(), dib.Dc(), 0, 0, SRCCOPY);
  }
  ReleaseDC(window, dc);
  return ok;
}

BOOL PresentLayeredCanvas(HWND window, const ZCanvas& canvas, BYTE alpha) {
  if (!IsWindow(window) || !canvas.Pixels()) return FALSE;
  ScratchDib dib(canvas.Width(), canvas.Height());
  if (!CopyInto(canvas, dib)) return FALSE;
  SIZE size{dib.Width(), dib.Height()};
  POINT origin{0, 0};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
  return UpdateLayeredWindow(window, nullptr, nullptr, &size, dib.Dc(), &origin, 0, &blend,
                             ULW_ALPHA);
}
