#include "ui/dialog/VuShadowWindow.h"

#include "platform/window_input.h"
#include "platform/window_paint.h"
#include "platform/window_surface.h"
#include "ui/skin/VuSkinPool.h"

namespace {
constexpr DWORD kShadowExStyle = WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW |
                                 WS_EX_NOACTIVATE;
}

VuShadowWindow::~VuShadowWindow() { DestroyImplWindow(); }

bool VuShadowWindow::ProcessWindowMessage(HWND, UINT message, WPARAM, LPARAM, LRESULT* result) {
  switch (message) {
    case WM_NCHITTEST:
      *result = HTTRANSPARENT;  // clicks go to what lies below
      return true;
    case WM_MOUSEACTIVATE:
      *result = MA_NOACTIVATE;
      return true;
    case WM_ERASEBKGND:
      *result = 1;
      return true;
  }
  return false;
}

bool VuShadowWindow::Paint(ZCanvas* dc, int cx, int cy, int size) {
  CVuSkinBase* skin = VuSkinPool::Instance().Get("dlg_shadow");
  if (!skin || cx <= 0 || cy <= 0) return false;
  if (!dc->Create(cx + 2 * size, cy + 2 * size)) return false;
  dc->Clear();
  skin->Draw(dc, ZRect{0, 0, cx + 2 * size, cy + 2 * size}, 0, 255);
  return true;
}

void VuShadowWindow::Update(HWND dialog, int size) {
  if (!dialog || !IsWindow(dialog) || !IsWindowVisible(dialog) || IsIconic(dialog) ||
      IsZoomed(dialog)) {
    Hide();
    return;
  }
  RECT r;
  GetWindowRect(dialog, &r);
  const RECT want{r.left - size, r.top - size, r.right + size, r.bottom + size};
  const bool resized = want.right - want.left != placed_.right - placed_.left ||
                       want.bottom - want.top != placed_.bottom - placed_.top;
  if (!hwnd_) {
    if (!VuSkinPool::Instance().Get("dlg_shadow")) return;
    // Not owned by the dialog: the simulated host shows no owned popup on
    // its display; the dialog hides and moves it itself.
    CreateImplWindow(kVuShadowWindowClass, nullptr, want, u"", WS_POPUP, kShadowExStyle);
    if (!hwnd_) return;
  }
  bool repaint = !IsWindowVisible(hwnd_);
  if (resized || canvas_.Width() == 0) {
    if (!Paint(&canvas_, r.right - r.left, r.bottom - r.top, size)) {
      Hide();
      return;
    }
    repaint = true;
  }
  placed_ = want;
  // Just below its dialog.
  SetWindowPos(hwnd_, dialog, want.left, want.top, want.right - want.left, want.bottom - want.top,
               SWP_NOACTIVATE | SWP_SHOWWINDOW);
  // Presented once shown: a hidden window keeps no picture.
  if (repaint) PresentLayeredCanvas(hwnd_, canvas_, 255);
}

void VuShadowWindow::Hide() {
  if (hwnd_ && IsWindowVisible(hwnd_)) ShowWindow(hwnd_, SW_HIDE);
}
