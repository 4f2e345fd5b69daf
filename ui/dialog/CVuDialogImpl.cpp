#include "ui/dialog/CVuDialogImpl.h"

CVuDialogImpl::CVuDialogImpl(int layout_id) : CVuDialogViewEx(layout_id) {}

CVuDialogImpl::~CVuDialogImpl() { DestroyImplWindow(); }

bool CVuDialogImpl::ProcessWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                         LRESULT* result) {
  switch (message) {
    case kVuWmInitDialog:
      OnInitDialog();
      *result = TRUE;
      return true;
    case WM_CLOSE:
      // Closing a modal dialog ends it; the window stays for the caller.
      EndDialog(0);
      *result = 0;
      return true;
  }
  return CVuDialogViewEx::ProcessWindowMessage(window, message, wparam, lparam, result);
}
