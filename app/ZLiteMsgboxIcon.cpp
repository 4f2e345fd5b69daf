#include "app/ZLiteMsgboxIcon.h"

namespace {

// The platform layer loads no icon resources yet; once it offers
// LoadIconW this is the one place to call it.
HICON LoadProgramIcon(int) { return nullptr; }

}  // namespace

bool SetMsgboxIcon(HWND window, int id) {
  HICON icon = LoadProgramIcon(id);
  if (!window || !icon) return false;
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  return true;
}
