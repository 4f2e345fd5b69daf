#include "platform/user_interface.h"

BOOL ImmDisableIME(DWORD) { return TRUE; }

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls) {
  return controls && controls->dwSize == sizeof(INITCOMMONCONTROLSEX) ? TRUE : FALSE;
}
