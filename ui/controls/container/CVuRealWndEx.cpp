#include "ui/controls/container/CVuRealWndEx.h"

#include "platform/window_geometry.h"
#include "platform/window_messages.h"

const char* CVuRealWndEx::GetTag() const { return "realwndex"; }

void CVuRealWndEx::SyncWindow() {
  CVuRealWnd::SyncWindow();
  if (!window_ || !IsWindow(window_)) {
    enabled_ = -1;
    return;
  }
  const int enabled = IsEnabled(true) ? 1 : 0;
  if (enabled != enabled_ || (IsWindowEnabled(window_) != 0) != (enabled != 0)) {
    enabled_ = enabled;
    EnableWindow(window_, enabled);
  }
}
