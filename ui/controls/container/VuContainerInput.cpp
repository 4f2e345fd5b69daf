#include "ui/controls/container/VuContainerInput.h"

#include "platform/window_geometry.h"
#include "platform/window_messages.h"
#include "platform/window_paint.h"

ZPoint VuMousePoint(LPARAM lparam) {
  return {static_cast<int16_t>(LOWORD(lparam)), static_cast<int16_t>(HIWORD(lparam))};
}

int VuWheelDelta(WPARAM wparam) { return static_cast<int16_t>(HIWORD(wparam)); }

void VuInvalidateElement(const CVuWindow& element) {
  HWND host = element.GetHostWindow();
  if (!host) return;
  const ZRect& r = element.GetRect();
  const RECT rect{r.left, r.top, r.right, r.bottom};
  InvalidateRect(host, &rect, FALSE);
}
