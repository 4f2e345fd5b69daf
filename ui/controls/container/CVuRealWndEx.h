// "realwndex": a "realwnd" whose window also follows the element's
// disabled bit (enabled and disabled with it, its parents counted).
#pragma once

#include "ui/controls/container/CVuRealWnd.h"

class CVuRealWndEx : public CVuRealWnd {
 public:
  const char* GetTag() const override;  // "realwndex"
  void SyncWindow() override;

 private:
  int enabled_ = -1;  // -1 unknown, else whether it was last enabled
};
