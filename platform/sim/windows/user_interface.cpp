#include "platform/user_interface.h"

#include "platform/sim/windows/SimWindows.h"

BOOL ImmDisableIME(DWORD) { return TRUE; }

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls) {
  if (!controls || controls->dwSize != sizeof(INITCOMMONCONTROLSEX)) return FALSE;
  // The tool tip is the one common control the host has.
  if (controls->dwICC & ICC_BAR_CLASSES) SimRegisterToolTipClass();
  return TRUE;
}
