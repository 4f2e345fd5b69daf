#include "app/dialog/WorkAreaPlacement.h"

namespace main_dlg {

RECT WorkAreaPlacement(int width, int height) {
  RECT work = {};
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) work = RECT{0, 0, 0, 0};
  LONG left = work.left + ((work.right - work.left) - width) / 2;
  LONG top = work.top + ((work.bottom - work.top) - height) / 2;
  if (left + width > work.right) left = work.right - width;
  if (top + height > work.bottom) top = work.bottom - height;
  if (left < work.left) left = work.left;
  if (top < work.top) top = work.top;
  return RECT{left, top, left + width, top + height};
}

void CentreInWorkArea(HWND window) {
  RECT mine = {};
  if (!window || !GetWindowRect(window, &mine)) return;
  const RECT place = WorkAreaPlacement(mine.right - mine.left, mine.bottom - mine.top);
  SetWindowPos(window, nullptr, place.left, place.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace main_dlg
