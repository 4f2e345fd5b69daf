// An application dialog on a layout id: a frameless view that runs modally
// and ends with the close button of its window (result 0). Small dialogs
// such as the message box derive from it.
#pragma once

#include "ui/dialog/CVuDialogViewEx.h"

class CVuDialogImpl : public CVuDialogViewEx {
 public:
  explicit CVuDialogImpl(int layout_id);
  ~CVuDialogImpl() override;

  bool ProcessWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                            LRESULT* result) override;

 protected:
  // WM_INITDIALOG: the window exists, the layout is not yet placed; an
  // extension point that does nothing here.
  virtual void OnInitDialog() {}
};
