// "realwnd2": a "realwnd" that owns the window attached to it: the window
// is destroyed with the element, or when another window is attached.
#pragma once

#include "ui/controls/container/CVuRealWnd.h"

class CVuRealWnd2 : public CVuRealWnd {
 public:
  ~CVuRealWnd2() override;
  const char* GetTag() const override;  // "realwnd2"

 protected:
  void ReleaseWindow() override;
};
