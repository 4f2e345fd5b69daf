// Process-wide user-interface set-up: the input method editor, the common
// controls and the application module of the window framework.
#pragma once

#include "platform/types.h"

#if !defined(_WIN32)

#define ICC_LISTVIEW_CLASSES 0x00000001
#define ICC_TREEVIEW_CLASSES 0x00000002
#define ICC_BAR_CLASSES 0x00000004
#define ICC_WIN95_CLASSES 0x000000FF

struct INITCOMMONCONTROLSEX {
  DWORD dwSize;
  DWORD dwICC;
};
typedef INITCOMMONCONTROLSEX* LPINITCOMMONCONTROLSEX;

// The simulated host has no input method editor; of the common controls it
// has the tool tip (tooltips.h), whose class ICC_BAR_CLASSES registers.
BOOL ImmDisableIME(DWORD thread_id);
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls);

#endif  // !_WIN32

// The window framework's application module: holds the instance handle of the
// program for the framework's windows.
class ZAppModule {
 public:
  HRESULT Init(HINSTANCE instance) {
    instance_ = instance;
    return S_OK;
  }
  void Term() { instance_ = nullptr; }
  HINSTANCE Instance() const { return instance_; }

 private:
  HINSTANCE instance_ = nullptr;
};
