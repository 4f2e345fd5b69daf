#include "ui/controls/container/CVuRealWnd2.h"

#include "platform/window_messages.h"

CVuRealWnd2::~CVuRealWnd2() { CVuRealWnd2::ReleaseWindow(); }

const char* CVuRealWnd2::GetTag() const { return "realwnd2"; }

void CVuRealWnd2::ReleaseWindow() {
  if (window_ && IsWindow(window_)) DestroyWindow(window_);
  window_ = nullptr;
}
