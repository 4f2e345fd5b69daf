#include "app/ZLiteMsgboxIcon.h"

#include "platform/kernel.h"
#include "platform/window_input.h"

namespace {

HICON LoadProgramIcon(int id) {
  return LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(static_cast<WORD>(id)));
}

}  // namespace

bool SetMsgboxIcon(HWND window, int id) {
  HICON icon = LoadProgramIcon(id);
  if (!window || !icon) return false;
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  return true;
}
