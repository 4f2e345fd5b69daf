#include "ui/dialog/CVuDialogViewEx.h"

#include <cstring>

#include "platform/window_input.h"
#include "ui/core/VuHandleTable.h"
#include "ui/dpi/VuDpiManager.h"
#include "ui/element/CVuContainerWnd.h"

namespace {

constexpr int kResizeBorder = 4;

int SignedLow(LPARAM value) { return static_cast<short>(LOWORD(value)); }
int SignedHigh(LPARAM value) { return static_cast<short>(HIWORD(value)); }

}  // namespace

CVuDialogViewEx::CVuDialogViewEx(int layout_id) : CVuDialogView(layout_id) {}

CVuDialogViewEx::~CVuDialogViewEx() {
  shadow_.Hide();
  DestroyImplWindow();
}

bool CVuDialogViewEx::IsClickableTag(const char* tag) {
  static const char* const kTags[] = {"button", "imgbtn",  "dlgbtn", "dlgbtnEx2", "tabctrl",
                                      "link",   "skinbtn", "imgbtnsized", "check", "radio",
                                      "slider", "imgradio", "listwnd"};
  if (!tag) return false;
  for (const char* known : kTags)
    if (std::strcmp(known, tag) == 0) return true;
  return false;
}

void CVuDialogViewEx::EnableShadow(bool on) {
  shadow_enabled_ = on;
  if (!on) shadow_.Hide();
}

void CVuDialogViewEx::UpdateShadow() {
  const VuLayoutAttributes& a = layout_.Attributes();
  if (!shadow_enabled_ || !hwnd_ || a.child || IsLayered()) {
    shadow_.Hide();
    return;
  }
  const int size = a.dpi_aware ? VuDpiManager::Instance().Scale(VuShadowWindow::kShadowSize)
                               : VuShadowWindow::kShadowSize;
  shadow_.Update(hwnd_, size);
}

void CVuDialogViewEx::HideShadow() { shadow_.Hide(); }

bool CVuDialogViewEx::IsControlTag(const char* tag) const { return IsClickableTag(tag); }

LRESULT CVuDialogViewEx::SendNotify(VuNotifyRecord* record) {
  if (!hwnd_) return 0;
  record->window = hwnd_;
  record->control_id = static_cast<UINT_PTR>(-1);
  return SendMessageW(hwnd_, WM_NOTIFY, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(record));
}

void CVuDialogViewEx::OnReleasedAway(int pushed_id) {
  VuNotifyRecord record;
  record.code = kVuNotifyMouseLeave;
  record.item_id = pushed_id;
  SendNotify(&record);
}

bool CVuDialogViewEx::OnSetCursor(HWND under, int hit, LRESULT* result) {
  if (under == hwnd_ && border_hit_ >= HTLEFT && border_hit_ <= HTBOTTOMRIGHT) {
    LPCWSTR cursor = IDC_SIZEWE;
    switch (border_hit_) {
      case HTTOP:
      case HTBOTTOM:
        cursor = IDC_SIZENS;
        break;
      case HTTOPLEFT:
      case HTBOTTOMRIGHT:
        cursor = IDC_SIZENWSE;
        break;
      case HTTOPRIGHT:
      case HTBOTTOMLEFT:
        cursor = IDC_SIZENESW;
        break;
    }
    SetCursor(LoadCursorW(nullptr, cursor));
    *result = TRUE;
    return true;
  }
  return CVuDialogView::OnSetCursor(under, hit, result);
}

bool CVuDialogViewEx::OnInputMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  if (message == WM_LBUTTONDOWN) {
    const VuLayoutAttributes& a = layout_.Attributes();
    if (a.resize && border_hit_ >= HTLEFT && border_hit_ <= HTBOTTOMRIGHT) {
      POINT screen{SignedLow(lparam), SignedHigh(lparam)};
      ClientToScreen(hwnd_, &screen);
      SendMessageW(hwnd_, WM_NCLBUTTONDOWN, static_cast<WPARAM>(border_hit_),
                   MAKELPARAM(screen.x, screen.y));
      *result = 0;
      return true;
    }
  }
  return CVuDialogView::OnInputMessage(message, wparam, lparam, result);
}

bool CVuDialogViewEx::ProcessWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                           LRESULT* result) {
  const VuLayoutAttributes& a = layout_.Attributes();
  switch (message) {
    case WM_NCCALCSIZE: {
      // No non-client area: the client is the whole window.
      if (!lparam) break;
      RECT* rect = wparam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lparam)->rgrc[0]
                          : reinterpret_cast<RECT*>(lparam);
      if (wparam) {
        const WINDOWPOS* pos = reinterpret_cast<NCCALCSIZE_PARAMS*>(lparam)->lppos;
        RECT current;
        if (pos && (pos->flags & SWP_NOMOVE) && GetWindowRect(window, &current)) {
          const int w = rect->right - rect->left, h = rect->bottom - rect->top;
          rect->left = current.left;
          rect->top = current.top;
          rect->right = rect->left + w;
          rect->bottom = rect->top + h;
        }
      }
      if (a.holdsize && a.width > 0 && a.height > 0) {
        rect->right = rect->left + a.width;
        rect->bottom = rect->top + a.height;
      } else {
        if (rect->right - rect->left < a.min_width) rect->right = rect->left + a.min_width;
        if (rect->bottom - rect->top < a.min_height) rect->bottom = rect->top + a.min_height;
      }
      *result = 0;
      return true;
    }
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
      if (!info) break;
      MONITORINFO monitor = {};
      monitor.cbSize = sizeof(monitor);
      if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) {
        info->ptMaxPosition = POINT{monitor.rcWork.left - monitor.rcMonitor.left,
                                    monitor.rcWork.top - monitor.rcMonitor.top};
        info->ptMaxSize = POINT{monitor.rcWork.right - monitor.rcWork.left,
                                monitor.rcWork.bottom - monitor.rcWork.top};
      }
      if (a.holdsize && a.width > 0 && a.height > 0) {
        info->ptMinTrackSize = info->ptMaxTrackSize = POINT{a.width, a.height};
      } else {
        if (a.min_width > 0) info->ptMinTrackSize.x = a.min_width;
        if (a.min_height > 0) info->ptMinTrackSize.y = a.min_height;
      }
      *result = 0;
      return true;
    }
    case WM_NCHITTEST: {
      // The border zone is remembered for the next press; the mouse itself
      // always belongs to the client (the elements).
      border_hit_ = 0;
      RECT r;
      if (a.resize && !a.child && GetWindowRect(window, &r) && !IsZoomed(window)) {
        const int x = SignedLow(lparam), y = SignedHigh(lparam);
        const bool left = x < r.left + kResizeBorder, right = x >= r.right - kResizeBorder;
        const bool top = y < r.top + kResizeBorder, bottom = y >= r.bottom - kResizeBorder;
        border_hit_ = top ? (left ? HTTOPLEFT : right ? HTTOPRIGHT : HTTOP)
                      : bottom ? (left ? HTBOTTOMLEFT : right ? HTBOTTOMRIGHT : HTBOTTOM)
                      : left   ? HTLEFT
                      : right  ? HTRIGHT
                               : 0;
      }
      *result = HTCLIENT;
      return true;
    }
    case WM_WINDOWPOSCHANGED:
    case WM_SHOWWINDOW:
      if (hwnd_) UpdateShadow();
      break;
  }
  return CVuDialogView::ProcessWindowMessage(window, message, wparam, lparam, result);
}
