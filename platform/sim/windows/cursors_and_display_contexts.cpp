// System cursors and display contexts as opaque handles: the simulated host
// draws no cursor, and drawing goes through the canvas, not through a DC.
#include <cstdint>

#include "platform/kernel.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/window_messages.h"

namespace {

constexpr DWORD kErrorResourceNameNotFound = 1814;

// One token per system cursor, so that equal names give equal handles.
HICON__ g_cursors[64];
HDC__ g_display;

bool IsSystemCursor(uintptr_t id, size_t* slot) {
  if (id >= 32512 && id <= 32516) {
    *slot = id - 32512;
    return true;
  }
  if (id >= 32640 && id <= 32651) {
    *slot = 5 + (id - 32640);
    return true;
  }
  return false;
}

}  // namespace

HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR cursor_name) {
  const uintptr_t id = reinterpret_cast<uintptr_t>(cursor_name);
  size_t slot = 0;
  // A program's own cursor resources are not simulated.
  if (instance || id >= 0x10000 || !IsSystemCursor(id, &slot))
    return SimFailWith<HCURSOR>(kErrorResourceNameNotFound, nullptr);
  return &g_cursors[slot];
}

HDC GetDC(HWND window) {
  if (window && !IsWindow(window)) return SimFailWith<HDC>(ERROR_INVALID_WINDOW_HANDLE, nullptr);
  return &g_display;
}

int ReleaseDC(HWND, HDC dc) { return dc == &g_display ? 1 : 0; }
