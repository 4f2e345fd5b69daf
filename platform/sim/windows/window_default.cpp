// DefWindowProcW: what Windows does with a message the window leaves to it,
// including the modal loop that moves a window dragged by its caption.
#include <algorithm>

#include "platform/kernel.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/sim/windows/SimWindowState.h"
#include "platform/sim/windows/window_records.h"

using namespace simwin;

namespace {

constexpr int kResizeEdge = 8;

struct Snapshot {
  bool found = false;
  DWORD style = 0;
  DWORD ex_style = 0;
  UINT class_style = 0;
  HWND parent = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  RECT screen_rect = {};
  RECT client = {};  // parent's client coordinates
  POINT client_origin = {};
};

Snapshot Look(HWND hwnd) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  Snapshot out;
  Window* w = Find(s, hwnd);
  if (!w) return out;
  out.found = true;
  out.style = w->style;
  out.ex_style = w->ex_style;
  out.class_style = w->class_style;
  out.parent = (w->style & WS_CHILD) ? w->parent : nullptr;
  out.cursor = w->class_cursor;
  out.background = w->class_background;
  out.screen_rect = WindowRectOnScreen(s, hwnd);
  out.client = w->client;
  out.client_origin = ClientOriginOnScreen(s, hwnd);
  return out;
}

int SignedLow(LPARAM value) { return static_cast<short>(LOWORD(value)); }
int SignedHigh(LPARAM value) { return static_cast<short>(HIWORD(value)); }

LRESULT HitTest(const Snapshot& w, int x, int y) {
  const RECT& r = w.screen_rect;
  if (x < r.left || x >= r.right || y < r.top || y >= r.bottom) return HTNOWHERE;
  int cw = w.client.right - w.client.left, ch = w.client.bottom - w.client.top;
  if (x >= w.client_origin.x && x < w.client_origin.x + cw && y >= w.client_origin.y &&
      y < w.client_origin.y + ch)
    return HTCLIENT;
  if ((w.style & WS_THICKFRAME) && !(w.style & (WS_MINIMIZE | WS_MAXIMIZE))) {
    bool left = x < r.left + kResizeEdge, right = x >= r.right - kResizeEdge;
    bool top = y < r.top + kResizeEdge, bottom = y >= r.bottom - kResizeEdge;
    if (top && left) return HTTOPLEFT;
    if (top && right) return HTTOPRIGHT;
    if (bottom && left) return HTBOTTOMLEFT;
    if (bottom && right) return HTBOTTOMRIGHT;
    if (left) return HTLEFT;
    if (right) return HTRIGHT;
    if (top) return HTTOP;
    if (bottom) return HTBOTTOM;
  }
  if ((w.style & WS_CAPTION) == WS_CAPTION && y < w.client_origin.y) return HTCAPTION;
  return HTBORDER;
}

LRESULT SetCursorFor(const Snapshot& w, WPARAM wparam, LPARAM lparam) {
  // A parent may choose the cursor for its children.
  if (w.parent && SendMessageW(w.parent, WM_SETCURSOR, wparam, lparam)) return TRUE;
  int hit = static_cast<short>(LOWORD(lparam));
  switch (hit) {
    case HTCLIENT:
      if (!w.cursor) return FALSE;
      SetCursor(w.cursor);
      return TRUE;
    case HTERROR:
    case HTNOWHERE:
      return FALSE;
    case HTLEFT:
    case HTRIGHT:
      SetCursor(LoadCursorW(nullptr, IDC_SIZEWE));
      return TRUE;
    case HTTOP:
    case HTBOTTOM:
      SetCursor(LoadCursorW(nullptr, IDC_SIZENS));
      return TRUE;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
      SetCursor(LoadCursorW(nullptr, IDC_SIZENWSE));
      return TRUE;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT:
      SetCursor(LoadCursorW(nullptr, IDC_SIZENESW));
      return TRUE;
  }
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  return TRUE;
}

// The modal loop of a move or a resize: the window follows the mouse until
// the button is released (or Escape puts it back). It starts where the
// mouse is, whatever the command's own position says, as on Windows.
// edge is 0 for a move, else the WMSZ_ side being dragged.
void TrackLoop(HWND hwnd, int edge) {
  RECT start;
  {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.mutex);
    Window* w = Find(s, hwnd);
    if (!w) return;
    start = w->rect;
  }
  POINT from;
  GetCursorPos(&from);
  SetCapture(hwnd);
  CallProc(hwnd, WM_ENTERSIZEMOVE, 0, 0);
  while (true) {
    MSG msg;
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));  // left for the outer loop
      break;
    }
    if (GetCapture() != hwnd) {
      DispatchMessageW(&msg);
      break;
    }
    if (msg.message == WM_MOUSEMOVE) {
      RECT r = start;
      int dx = msg.pt.x - from.x, dy = msg.pt.y - from.y;
      if (edge == 0) {
        r.left += dx;
        r.right += dx;
        r.top += dy;
        r.bottom += dy;
        CallProc(hwnd, WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
        SetWindowPos(hwnd, nullptr, r.left, r.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      } else {
        if (edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT) r.left += dx;
        if (edge == WMSZ_RIGHT || edge == WMSZ_TOPRIGHT || edge == WMSZ_BOTTOMRIGHT) r.right += dx;
        if (edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT) r.top += dy;
        if (edge == WMSZ_BOTTOM || edge == WMSZ_BOTTOMLEFT || edge == WMSZ_BOTTOMRIGHT)
          r.bottom += dy;
        CallProc(hwnd, WM_SIZING, static_cast<WPARAM>(edge), reinterpret_cast<LPARAM>(&r));
        SetWindowPos(hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      }
      continue;
    }
    if (msg.message == WM_LBUTTONUP) break;
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
      SetWindowPos(hwnd, nullptr, start.left, start.top, start.right - start.left,
                   start.bottom - start.top, SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    }
    if ((msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) ||
        (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST))
      continue;  // the loop owns the input while it runs
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (GetCapture() == hwnd) ReleaseCapture();
  CallProc(hwnd, WM_EXITSIZEMOVE, 0, 0);
}

LRESULT SysCommand(HWND hwnd, const Snapshot& w, WPARAM command, LPARAM) {
  switch (command & 0xFFF0) {
    case SC_CLOSE:
      if (!(w.class_style & CS_NOCLOSE)) SendMessageW(hwnd, WM_CLOSE, 0, 0);
      return 0;
    case SC_MOVE:
      if (!(w.style & WS_MAXIMIZE)) TrackLoop(hwnd, 0);
      return 0;
    case SC_SIZE:
      if (!(w.style & (WS_MAXIMIZE | WS_MINIMIZE))) TrackLoop(hwnd, static_cast<int>(command & 0xF));
      return 0;
    case SC_MINIMIZE:
      ShowWindow(hwnd, SW_MINIMIZE);
      return 0;
    case SC_MAXIMIZE:
      ShowWindow(hwnd, SW_MAXIMIZE);
      return 0;
    case SC_RESTORE:
      ShowWindow(hwnd, SW_RESTORE);
      return 0;
  }
  return 0;
}

void ClampToTrackSize(HWND hwnd, const Snapshot& w, WINDOWPOS* pos) {
  if (pos->flags & SWP_NOSIZE) return;
  if (!((w.style & WS_THICKFRAME) || !(w.style & (WS_POPUP | WS_CHILD)))) return;
  if (w.style & WS_MINIMIZE) return;
  MINMAXINFO info = {};
  RECT work = WorkArea();
  info.ptMaxSize = POINT{work.right - work.left, work.bottom - work.top};
  info.ptMaxTrackSize = POINT{GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
  info.ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
  CallProc(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  if (w.style & WS_MAXIMIZE) return;
  pos->cx = std::clamp<int>(pos->cx, info.ptMinTrackSize.x,
                            std::max(info.ptMinTrackSize.x, info.ptMaxTrackSize.x));
  pos->cy = std::clamp<int>(pos->cy, info.ptMinTrackSize.y,
                            std::max(info.ptMinTrackSize.y, info.ptMaxTrackSize.y));
}

void PositionChanged(HWND hwnd, const Snapshot& w, const WINDOWPOS* pos) {
  if (!(pos->flags & kSwpNoClientMove))
    SendMessageW(hwnd, WM_MOVE, 0, MAKELPARAM(w.client.left, w.client.top));
  if (!(pos->flags & kSwpNoClientSize) || (pos->flags & kSwpStateChanged)) {
    WPARAM kind = (w.style & WS_MINIMIZE)   ? SIZE_MINIMIZED
                  : (w.style & WS_MAXIMIZE) ? SIZE_MAXIMIZED
                                            : SIZE_RESTORED;
    SendMessageW(hwnd, WM_SIZE, kind,
                 MAKELPARAM(w.client.right - w.client.left, w.client.bottom - w.client.top));
  }
}

LRESULT Text(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  State& s = S();
  std::unique_lock<std::mutex> guard(s.mutex);
  Window* w = Find(s, hwnd);
  if (!w) return 0;
  if (message == WM_SETTEXT) {
    w->title = lparam ? reinterpret_cast<LPCWSTR>(lparam) : u"";
    // Other processes find it by its new title.
    if (w->fd >= 0) {
      Unpublish(*w);
      w->fd = Publish(hwnd, *w, w->record_flags, &w->path);
    }
    guard.unlock();
    ContentChanged(hwnd);  // a shown window carries its title
    return TRUE;
  }
  if (message == WM_GETTEXTLENGTH) return static_cast<LRESULT>(w->title.size());
  if (!lparam || wparam == 0) return 0;
  size_t count = std::min<size_t>(w->title.size(), wparam - 1);
  auto* out = reinterpret_cast<char16_t*>(lparam);
  std::copy(w->title.begin(), w->title.begin() + static_cast<ptrdiff_t>(count), out);
  out[count] = 0;
  return static_cast<LRESULT>(count);
}

}  // namespace

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCCREATE:
      return TRUE;
    case WM_NCCALCSIZE: {
      Snapshot w = Look(window);
      if (!w.found || !lparam) return 0;
      if (wparam) {
        auto* params = reinterpret_cast<NCCALCSIZE_PARAMS*>(lparam);
        params->rgrc[0] = ClientFromWindowRect(w.style, w.ex_style, params->rgrc[0]);
      } else {
        auto* rect = reinterpret_cast<RECT*>(lparam);
        *rect = ClientFromWindowRect(w.style, w.ex_style, *rect);
      }
      return 0;
    }
    case WM_NCHITTEST: {
      Snapshot w = Look(window);
      return w.found ? HitTest(w, SignedLow(lparam), SignedHigh(lparam)) : HTNOWHERE;
    }
    case WM_SETCURSOR: {
      Snapshot w = Look(window);
      return w.found ? SetCursorFor(w, wparam, lparam) : FALSE;
    }
    case WM_MOUSEACTIVATE: {
      Snapshot w = Look(window);
      if (w.parent) {
        LRESULT r = SendMessageW(w.parent, WM_MOUSEACTIVATE, wparam, lparam);
        if (r) return r;
      }
      return MA_ACTIVATE;
    }
    case WM_ACTIVATE:
      if (LOWORD(wparam) != WA_INACTIVE && !HIWORD(wparam)) SetFocus(window);
      return 0;
    case WM_NCACTIVATE:
      return TRUE;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_SYSCOMMAND: {
      Snapshot w = Look(window);
      return w.found ? SysCommand(window, w, wparam, lparam) : 0;
    }
    case WM_NCLBUTTONDOWN:
      if (wparam == HTCAPTION) {
        HWND root = GetAncestor(window, GA_ROOT);
        if (root && GetActiveWindow() != root) SetActiveWindow(root);
        SendMessageW(window, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, lparam);
      } else if (wparam >= HTLEFT && wparam <= HTBOTTOMRIGHT) {
        // The sizing border: SC_SIZE carries the side as WMSZ_LEFT ... WMSZ_BOTTOMRIGHT.
        SendMessageW(window, WM_SYSCOMMAND, SC_SIZE | (wparam - HTLEFT + WMSZ_LEFT), lparam);
      }
      return 0;
    case WM_NCLBUTTONDBLCLK:
      if (wparam == HTCAPTION) {
        Snapshot w = Look(window);
        if (w.style & WS_MAXIMIZEBOX)
          SendMessageW(window, WM_SYSCOMMAND, (w.style & WS_MAXIMIZE) ? SC_RESTORE : SC_MAXIMIZE,
                       lparam);
      }
      return 0;
    case WM_SYSKEYDOWN:
      if (wparam == VK_F4 && (lparam & (1 << 29))) {
        HWND root = GetAncestor(window, GA_ROOT);
        if (root) SendMessageW(root, WM_SYSCOMMAND, SC_CLOSE, 0);
      }
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      if (BeginPaint(window, &paint)) EndPaint(window, &paint);
      return 0;
    }
    case WM_ERASEBKGND: {
      Snapshot w = Look(window);
      return w.background ? 1 : 0;
    }
    case WM_WINDOWPOSCHANGING: {
      Snapshot w = Look(window);
      if (w.found && lparam) ClampToTrackSize(window, w, reinterpret_cast<WINDOWPOS*>(lparam));
      return 0;
    }
    case WM_WINDOWPOSCHANGED: {
      Snapshot w = Look(window);
      if (w.found && lparam) PositionChanged(window, w, reinterpret_cast<WINDOWPOS*>(lparam));
      return 0;
    }
    case WM_SETICON:
    case WM_GETICON: {
      State& s = S();
      std::lock_guard<std::mutex> guard(s.mutex);
      Window* w = Find(s, window);
      if (!w) return 0;
      HICON& slot = wparam == ICON_BIG ? w->big_icon : w->small_icon;
      HICON old = slot;
      if (message == WM_SETICON) slot = reinterpret_cast<HICON>(lparam);
      return reinterpret_cast<LRESULT>(old);
    }
    case WM_SETTEXT:
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
      return Text(window, message, wparam, lparam);
    case WM_CANCELMODE:
      if (GetCapture() == window) ReleaseCapture();
      return 0;
  }
  return 0;
}
