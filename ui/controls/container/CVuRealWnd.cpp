#include "ui/controls/container/CVuRealWnd.h"

#include <algorithm>

#include "platform/processes.h"
#include "platform/window_geometry.h"
#include "platform/window_messages.h"

CVuRealWnd::~CVuRealWnd() = default;

const char* CVuRealWnd::GetTag() const { return "realwnd"; }

void CVuRealWnd::AttachWindow(HWND window) {
  if (window == window_) return;
  ReleaseWindow();
  window_ = window;
  placed_ = {0, 0, -1, -1};
  shown_ = -1;
  SyncWindow();
}

void CVuRealWnd::ReleaseWindow() { window_ = nullptr; }

uint32_t CVuRealWnd::ModifyState(uint32_t add, uint32_t remove) {
  const uint32_t old = CVuWindow::ModifyState(add, remove);
  if ((old ^ state_) & (kVuStateHidden | kVuStateDisabled)) SyncWindow();
  return old;
}

void CVuRealWnd::SetHostWindow(HWND window) {
  CVuWindow::SetHostWindow(window);
  SyncWindow();
}

void CVuRealWnd::OnPosition(int x, int y, int cx, int cy) {
  CVuWindow::OnPosition(x, y, cx, cy);
  SyncWindow();
}

void CVuRealWnd::SyncWindow() {
  if (!window_ || !IsWindow(window_)) return;
  const ZRect r = rect_;
  if (r.left != placed_.left || r.top != placed_.top || r.right != placed_.right || r.bottom != placed_.bottom) {
    placed_ = r;
    MoveWindow(window_, r.left, r.top, VuRectWidth(r), VuRectHeight(r), TRUE);
  }
  const int shown = IsVisible(true) ? 1 : 0;
  if (shown != shown_) {
    shown_ = shown;
    ShowWindow(window_, shown ? SW_SHOWNOACTIVATE : SW_HIDE);
  }
}
