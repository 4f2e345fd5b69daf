// Position, size, Z order and showing of windows, and the screen they are on.
#include <algorithm>
#include <atomic>
#include <cstdio>

#include "platform/kernel.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/windows/SimWindowState.h"
#include "platform/sim/windows/window_records.h"

using namespace simwin;

namespace {

constexpr int kTaskbarHeight = 40;
constexpr int kCaption = 23;
constexpr int kSizeFrame = 8;  // the sizing frame and its padding
constexpr int kFixedFrame = 3;
constexpr LONG kMinimizedAt = -32000;
const uintptr_t kMonitor = 0x10001;

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

void Offset(RECT* r, int dx, int dy) {
  r->left += dx;
  r->right += dx;
  r->top += dy;
  r->bottom += dy;
}

// Z order among siblings: insert_after is HWND_TOP, HWND_BOTTOM,
// HWND_TOPMOST, HWND_NOTOPMOST or a sibling.
void Reorder(State& s, HWND hwnd, HWND insert_after) {
  Window* w = Find(s, hwnd);
  if (insert_after == HWND_TOPMOST) {
    w->ex_style |= WS_EX_TOPMOST;
    w->z = s.next_z++;
  } else if (insert_after == HWND_NOTOPMOST) {
    w->ex_style &= ~static_cast<DWORD>(WS_EX_TOPMOST);
    w->z = s.next_z++;
  } else if (insert_after == HWND_TOP) {
    w->z = s.next_z++;
  } else if (insert_after == HWND_BOTTOM) {
    uint64_t lowest = w->z;
    for (const auto& [value, other] : s.windows)
      if (other.parent == w->parent) lowest = std::min(lowest, other.z);
    // Everything else moves up one step so this one can sit below.
    for (auto& [value, other] : s.windows)
      if (other.parent == w->parent && FromValue(value) != hwnd) other.z += 1;
    w->z = lowest;
  } else if (Window* after = Find(s, insert_after)) {
    uint64_t at = after->z;
    for (auto& [value, other] : s.windows)
      if (other.parent == w->parent && other.z < at && FromValue(value) != hwnd) other.z -= 1;
    w->z = at - 1;
  }
}

}  // namespace

namespace simwin {

RECT ScreenRect() {
  // Read once per machine: the screen does not change under a running program.
  static std::mutex mutex;
  static std::string machine_dir;
  static RECT screen = {0, 0, 1920, 1080};
  auto machine = SimHost::Machine();
  std::lock_guard<std::mutex> guard(mutex);
  if (!machine) return RECT{0, 0, 1920, 1080};
  if (machine->Dir() == machine_dir) return screen;
  machine_dir = machine->Dir();
  screen = RECT{0, 0, 1920, 1080};
  std::string fact = machine->Fact("screen", "1920x1080");
  int w = 0, h = 0;
  if (std::sscanf(fact.c_str(), "%dx%d", &w, &h) == 2 && w > 0 && h > 0 && w <= 16384 &&
      h <= 16384)
    screen = RECT{0, 0, w, h};
  return screen;
}

RECT WorkArea() {
  RECT work = ScreenRect();
  work.bottom -= kTaskbarHeight;
  return work;
}

RECT ClientFromWindowRect(DWORD style, DWORD ex_style, const RECT& window) {
  if (style & WS_MINIMIZE) return RECT{window.left, window.top, window.left, window.top};
  int border = 0;
  if (style & WS_THICKFRAME)
    border = kSizeFrame;
  else if ((style & WS_DLGFRAME) || (ex_style & WS_EX_DLGMODALFRAME))
    border = kFixedFrame;
  else if (style & WS_BORDER)
    border = 1;
  if (ex_style & WS_EX_CLIENTEDGE) border += 2;
  int caption = (style & WS_CAPTION) == WS_CAPTION ? kCaption : 0;
  RECT client = {window.left + border, window.top + border + caption, window.right - border,
                 window.bottom - border};
  if (client.right < client.left) client.right = client.left;
  if (client.bottom < client.top) client.bottom = client.top;
  return client;
}

POINT ClientOriginOnScreen(State& s, HWND hwnd) {
  POINT origin = {0, 0};
  for (Window* w = Find(s, hwnd); w; w = (w->style & WS_CHILD) ? Find(s, w->parent) : nullptr) {
    origin.x += w->client.left;
    origin.y += w->client.top;
  }
  return origin;
}

RECT WindowRectOnScreen(State& s, HWND hwnd) {
  Window* w = Find(s, hwnd);
  if (!w) return RECT{};
  RECT r = w->rect;
  if ((w->style & WS_CHILD) && w->parent) {
    POINT origin = ClientOriginOnScreen(s, w->parent);
    Offset(&r, origin.x, origin.y);
  }
  return r;
}

bool VisibleLocked(State& s, HWND hwnd) {
  for (Window* w = Find(s, hwnd); w; w = (w->style & WS_CHILD) ? Find(s, w->parent) : nullptr) {
    if (!(w->style & WS_VISIBLE)) return false;
    if (!(w->style & WS_CHILD)) return true;
  }
  return false;
}

std::vector<HWND> ChildrenLocked(State& s, HWND parent) {
  std::vector<std::pair<uint64_t, HWND>> found;
  for (const auto& [value, w] : s.windows) {
    bool top = !(w.style & WS_CHILD);
    if (parent ? (!top && w.parent == parent) : top) {
      // Topmost windows stay above the others.
      uint64_t key = w.z + ((w.ex_style & WS_EX_TOPMOST) && top ? (1ull << 62) : 0);
      found.push_back({key, FromValue(value)});
    }
  }
  std::sort(found.begin(), found.end(), [](auto& a, auto& b) { return a.first > b.first; });
  std::vector<HWND> out;
  for (auto& [z, h] : found) out.push_back(h);
  return out;
}

HWND RootLocked(State& s, HWND hwnd) {
  Window* w = Find(s, hwnd);
  while (w && (w->style & WS_CHILD) && Find(s, w->parent)) {
    hwnd = w->parent;
    w = Find(s, hwnd);
  }
  return hwnd;
}

}  // namespace simwin

BOOL SetWindowPos(HWND window, HWND insert_after, int x, int y, int width, int height,
                  UINT flags) {
  State& s = S();
  WINDOWPOS pos = {window, insert_after, x, y, width, height, flags};
  RECT old_rect, old_client;
  DWORD style, ex_style;
  bool top_level;
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    Window* w = Find(s, window);
    if (!w) return SimFail(ERROR_INVALID_WINDOW_HANDLE);
    old_rect = w->rect;
    old_client = w->client;
    if (flags & SWP_NOMOVE) {
      pos.x = old_rect.left;
      pos.y = old_rect.top;
    }
    if (flags & SWP_NOSIZE) {
      pos.cx = Width(old_rect);
      pos.cy = Height(old_rect);
    }
    top_level = !(w->style & WS_CHILD);
    // Showing what is shown, or hiding what is hidden, changes nothing.
    if ((flags & SWP_SHOWWINDOW) && (w->style & WS_VISIBLE)) pos.flags &= ~SWP_SHOWWINDOW;
    if ((flags & SWP_HIDEWINDOW) && !(w->style & WS_VISIBLE)) pos.flags &= ~SWP_HIDEWINDOW;
  }
  if (!(pos.flags & SWP_NOSENDCHANGING))
    CallProc(window, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
  pos.cx = std::max(pos.cx, 0);
  pos.cy = std::max(pos.cy, 0);
  RECT rect = {pos.x, pos.y, pos.x + pos.cx, pos.y + pos.cy};
  const bool sized = Width(rect) != Width(old_rect) || Height(rect) != Height(old_rect);
  const bool moved = rect.left != old_rect.left || rect.top != old_rect.top;
  RECT client = old_client;
  Offset(&client, rect.left - old_rect.left, rect.top - old_rect.top);
  if (sized || (pos.flags & SWP_FRAMECHANGED)) {
    NCCALCSIZE_PARAMS params = {};
    params.rgrc[0] = rect;
    params.rgrc[1] = old_rect;
    params.rgrc[2] = old_client;
    params.lppos = &pos;
    CallProc(window, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&params));
    client = params.rgrc[0];
  }
  bool showing = false, hiding = false;
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    Window* w = Find(s, window);
    if (!w) return SimFail(ERROR_INVALID_WINDOW_HANDLE);
    w->rect = rect;
    w->client = client;
    if (!(pos.flags & SWP_NOZORDER)) Reorder(s, window, pos.hwndInsertAfter);
    if (pos.flags & SWP_SHOWWINDOW) {
      w->style |= WS_VISIBLE;
      showing = true;
    }
    if (pos.flags & SWP_HIDEWINDOW) {
      w->style &= ~static_cast<DWORD>(WS_VISIBLE);
      w->update = Region();
      hiding = true;
    }
    style = w->style;
    ex_style = w->ex_style;
    // Other processes see it shown, hidden or minimised.
    RepublishState(window, *w);
    if (client.left == old_client.left && client.top == old_client.top)
      pos.flags |= kSwpNoClientMove;
    if (Width(client) == Width(old_client) && Height(client) == Height(old_client))
      pos.flags |= kSwpNoClientSize;
    else
      w->size_sent = true;
    if (!(pos.flags & SWP_NOREDRAW) && VisibleLocked(s, window) && (showing || sized))
      InvalidateAllLocked(s, window, true);
    s.arrived.notify_all();
  }
  if (top_level && (style & WS_VISIBLE) && !(pos.flags & SWP_NOACTIVATE) &&
      !(ex_style & WS_EX_NOACTIVATE))
    SetActiveWindow(window);
  CallProc(window, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
  if (hiding && top_level && GetActiveWindow() == window) ActivateOther(window);
  if (showing || hiding || moved || sized) ContentChanged(window);
  return TRUE;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(window, nullptr, x, y, width, height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

HWND GetDesktopWindow() { return FromValue(kDesktopWindowValue); }

BOOL GetWindowRect(HWND window, LPRECT rect) {
  if (!rect) return SimFail(ERROR_INVALID_PARAMETER);
  if (IsDesktop(window)) {
    *rect = ScreenRect();
    return TRUE;
  }
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  if (!Find(s, window)) return SimFail(ERROR_INVALID_WINDOW_HANDLE);
  *rect = WindowRectOnScreen(s, window);
  return TRUE;
}

BOOL GetClientRect(HWND window, LPRECT rect) {
  if (!rect) return SimFail(ERROR_INVALID_PARAMETER);
  if (IsDesktop(window)) {
    RECT screen = ScreenRect();
    *rect = RECT{0, 0, screen.right - screen.left, screen.bottom - screen.top};
    return TRUE;
  }
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  Window* w = Find(s, window);
  if (!w) return SimFail(ERROR_INVALID_WINDOW_HANDLE);
  *rect = RECT{0, 0, Width(w->client), Height(w->client)};
  return TRUE;
}

BOOL ClientToScreen(HWND window, LPPOINT point) {
  if (!point) return SimFail(ERROR_INVALID_PARAMETER);
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  if (!Find(s, window)) return SimFail(ERROR_INVALID_WINDOW_HANDLE);
  POINT origin = ClientOriginOnScreen(s, window);
  point->x += origin.x;
  point->y += origin.y;
  return TRUE;
}

BOOL ScreenToClient(HWND window, LPPOINT point) {
  if (!point) return SimFail(ERROR_INVALID_PARAMETER);
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  if (!Find(s, window)) return SimFail(ERROR_INVALID_WINDOW_HANDLE);
  POINT origin = ClientOriginOnScreen(s, window);
  point->x -= origin.x;
  point->y -= origin.y;
  return TRUE;
}

BOOL ShowWindow(HWND window, int command) {
  State& s = S();
  bool was_visible, minimized, maximized, top_level;
  RECT rect, restore;
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    Window* w = Find(s, window);
    if (!w) return SimFail(ERROR_INVALID_WINDOW_HANDLE);
    was_visible = (w->style & WS_VISIBLE) != 0;
    minimized = (w->style & WS_MINIMIZE) != 0;
    maximized = (w->style & WS_MAXIMIZE) != 0;
    top_level = !(w->style & WS_CHILD);
    rect = w->rect;
    restore = w->restore;
  }
  if (command == SW_HIDE) {
    if (!was_visible) return FALSE;
    CallProc(window, WM_SHOWWINDOW, FALSE, 0);
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER |
                     (top_level ? 0 : SWP_NOACTIVATE));
    return TRUE;
  }
  bool activate = true;
  DWORD add = 0, remove = 0;
  RECT target = rect;
  switch (command) {
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE:
      activate = command == SW_SHOWMINIMIZED;
      if (!minimized) {
        if (!maximized) restore = rect;
        add = WS_MINIMIZE;
        remove = WS_MAXIMIZE;
        target = RECT{kMinimizedAt, kMinimizedAt, kMinimizedAt + GetSystemMetrics(SM_CXMINIMIZED),
                      kMinimizedAt + GetSystemMetrics(SM_CYMINIMIZED)};
      }
      break;
    case SW_SHOWMAXIMIZED:
      if (!maximized) {
        if (!minimized) restore = rect;
        add = WS_MAXIMIZE;
        remove = WS_MINIMIZE;
        target = WorkArea();
      }
      break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
    case SW_SHOWDEFAULT:
    case SW_SHOWNOACTIVATE:
      activate = command != SW_SHOWNOACTIVATE;
      if (minimized || maximized) {
        remove = WS_MINIMIZE | WS_MAXIMIZE;
        target = restore;
      }
      break;
    case SW_SHOW:
      break;
    case SW_SHOWNA:
      activate = false;
      break;
    default:
      return SimFail(ERROR_INVALID_PARAMETER);
  }
  if (!was_visible) CallProc(window, WM_SHOWWINDOW, TRUE, 0);
  UINT flags = SWP_SHOWWINDOW | SWP_NOZORDER | (activate && top_level ? 0 : SWP_NOACTIVATE);
  if (add || remove) {
    flags |= SWP_FRAMECHANGED;
    std::lock_guard<std::mutex> guard(s.mutex);
    Window* w = Find(s, window);
    if (!w) return was_visible;
    w->style = (w->style & ~remove) | add;
    w->restore = restore;
  } else {
    flags |= SWP_NOSIZE | SWP_NOMOVE;
  }
  SetWindowPos(window, nullptr, target.left, target.top, Width(target), Height(target), flags);
  if ((add & WS_MINIMIZE) && top_level && GetActiveWindow() == window) ActivateOther(window);
  bool send_size = false;
  RECT client;
  DWORD style = 0;
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    Window* w = Find(s, window);
    if (w && !w->size_sent) {
      w->size_sent = send_size = true;
      client = w->client;
      style = w->style;
      if ((w->style & WS_CHILD) && w->parent) {
        Window* parent = Find(s, w->parent);
        if (parent) Offset(&client, -parent->client.left, -parent->client.top);
      }
    }
  }
  // The first showing tells the window its size and place once.
  if (send_size) {
    WPARAM kind = (style & WS_MINIMIZE)   ? SIZE_MINIMIZED
                  : (style & WS_MAXIMIZE) ? SIZE_MAXIMIZED
                                          : SIZE_RESTORED;
    CallProc(window, WM_SIZE, kind,
             static_cast<LPARAM>((static_cast<DWORD>(Height(client)) << 16) |
                                 static_cast<WORD>(Width(client))));
    CallProc(window, WM_MOVE, 0,
             static_cast<LPARAM>((static_cast<DWORD>(static_cast<WORD>(client.top)) << 16) |
                                 static_cast<WORD>(client.left)));
  }
  return was_visible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND window) {
  State& s = S();
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    if (Find(s, window)) return VisibleLocked(s, window) ? TRUE : FALSE;
  }
  // Another process's top-level window, by its published state.
  uint32_t flags = 0;
  return ReadRemoteFlags(window, &flags) && !(flags & kFlagHidden) && (flags & kFlagVisible)
             ? TRUE
             : FALSE;
}

BOOL IsIconic(HWND window) {
  State& s = S();
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    if (Window* w = Find(s, window)) return (w->style & WS_MINIMIZE) ? TRUE : FALSE;
  }
  uint32_t flags = 0;
  return ReadRemoteFlags(window, &flags) && (flags & kFlagMinimized) ? TRUE : FALSE;
}

BOOL IsZoomed(HWND window) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  Window* w = Find(s, window);
  return w && (w->style & WS_MAXIMIZE) ? TRUE : FALSE;
}

HWND WindowFromPoint(POINT point) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  HWND found = nullptr;
  std::vector<HWND> level = ChildrenLocked(s, nullptr);
  bool descended = true;
  while (descended) {
    descended = false;
    for (HWND h : level) {
      Window* w = Find(s, h);
      if (!(w->style & WS_VISIBLE)) continue;
      RECT r = WindowRectOnScreen(s, h);
      if (point.x < r.left || point.x >= r.right || point.y < r.top || point.y >= r.bottom)
        continue;
      if (w->has_shape && !w->shape.Contains(point.x - r.left, point.y - r.top)) continue;
      found = h;
      level = ChildrenLocked(s, h);
      descended = true;
      break;
    }
  }
  return found;
}

int GetSystemMetrics(int index) {
  RECT screen = ScreenRect();
  RECT work = WorkArea();
  switch (index) {
    case SM_CXSCREEN:
    case SM_CXVIRTUALSCREEN: return Width(screen);
    case SM_CYSCREEN:
    case SM_CYVIRTUALSCREEN: return Height(screen);
    case SM_XVIRTUALSCREEN:
    case SM_YVIRTUALSCREEN: return 0;
    case SM_CXFULLSCREEN: return Width(work);
    case SM_CYFULLSCREEN: return Height(work) - kCaption;
    case SM_CXMAXIMIZED: return Width(work) + 2 * kSizeFrame;
    case SM_CYMAXIMIZED: return Height(work) + 2 * kSizeFrame;
    case SM_CXMAXTRACK: return Width(screen) + 2 * kSizeFrame + 12;
    case SM_CYMAXTRACK: return Height(screen) + 2 * kSizeFrame + 12;
    case SM_CXMINTRACK: return 136;
    case SM_CYMINTRACK: return 39;
    case SM_CXMINIMIZED: return 160;
    case SM_CYMINIMIZED: return 28;
    case SM_CXMIN: return 136;
    case SM_CYMIN: return 39;
    case SM_CYCAPTION: return kCaption;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXFIXEDFRAME:
    case SM_CYFIXEDFRAME: return kFixedFrame;
    case SM_CXSIZEFRAME:
    case SM_CYSIZEFRAME: return 4;
    case SM_CXPADDEDBORDER: return 4;
    case SM_CXSIZE:
    case SM_CYSIZE: return 36;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL: return 17;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
    case SM_CXDRAG:
    case SM_CYDRAG: return 4;
    case SM_CMONITORS: return 1;
  }
  return 0;
}

namespace {

// The foreground lock time-out of the logged-on user's desktop, in
// milliseconds; Windows' default is 200000. Kept per process here.
std::atomic<DWORD> foreground_lock_timeout{200000};

}  // namespace

BOOL SystemParametersInfoW(UINT action, UINT, PVOID value, UINT) {
  switch (action) {
    case SPI_GETWORKAREA:
      if (!value) return SimFail(ERROR_INVALID_PARAMETER);
      *static_cast<RECT*>(value) = WorkArea();
      return TRUE;
    case SPI_GETFOREGROUNDLOCKTIMEOUT:
      if (!value) return SimFail(ERROR_INVALID_PARAMETER);
      *static_cast<DWORD*>(value) = foreground_lock_timeout.load();
      return TRUE;
    case SPI_SETFOREGROUNDLOCKTIMEOUT:
      // The new value travels in the pointer itself.
      foreground_lock_timeout.store(static_cast<DWORD>(reinterpret_cast<uintptr_t>(value)));
      return TRUE;
  }
  return SimFail(ERROR_INVALID_PARAMETER);
}

HMONITOR MonitorFromWindow(HWND window, DWORD flags) {
  RECT r;
  if (!GetWindowRect(window, &r)) return nullptr;
  RECT screen = ScreenRect();
  bool on = r.right > screen.left && r.left < screen.right && r.bottom > screen.top &&
            r.top < screen.bottom;
  if (!on && flags == MONITOR_DEFAULTTONULL) return nullptr;
  return reinterpret_cast<HMONITOR>(kMonitor);
}

HMONITOR MonitorFromPoint(POINT point, DWORD flags) {
  RECT screen = ScreenRect();
  bool on = point.x >= screen.left && point.x < screen.right && point.y >= screen.top &&
            point.y < screen.bottom;
  if (!on && flags == MONITOR_DEFAULTTONULL) return nullptr;
  return reinterpret_cast<HMONITOR>(kMonitor);
}

BOOL GetMonitorInfoW(HMONITOR monitor, LPMONITORINFO info) {
  if (reinterpret_cast<uintptr_t>(monitor) != kMonitor) return SimFail(ERROR_INVALID_PARAMETER);
  if (!info || info->cbSize < sizeof(MONITORINFO)) return SimFail(ERROR_INVALID_PARAMETER);
  info->rcMonitor = ScreenRect();
  info->rcWork = WorkArea();
  info->dwFlags = MONITORINFOF_PRIMARY;
  return TRUE;
}
