// What the interactive containers share: the mouse position of a mouse
// message, the wheel's notches, and asking the host window to repaint an
// element's rectangle.
#pragma once

#include "platform/types.h"
#include "ui/element/CVuWindow.h"

// x in the low 16 bits of lparam, y in the high 16 (both signed).
ZPoint VuMousePoint(LPARAM lparam);
// The signed wheel delta of WM_MOUSEWHEEL (high word of wparam).
int VuWheelDelta(WPARAM wparam);
// Invalidates element's rectangle in its host window (nothing without one).
void VuInvalidateElement(const CVuWindow& element);
// True when (x, y) lies in rect.
inline bool VuRectHolds(const ZRect& rect, int x, int y) {
  return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}
// lparam of a mouse message at (x, y).
inline LPARAM VuMouseLParam(int x, int y) {
  return static_cast<LPARAM>((static_cast<uint32_t>(y) & 0xFFFF) << 16 | (static_cast<uint32_t>(x) & 0xFFFF));
}
