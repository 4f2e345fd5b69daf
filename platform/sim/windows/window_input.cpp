// Mouse and keyboard input. Injected input waits in the queue as raw input
// and becomes messages when the program reads its queue, in Windows' order:
// WM_NCHITTEST to the window under the mouse (unless a window has the
// capture), WM_SETCURSOR, WM_MOUSEACTIVATE for a click on an inactive
// window, then the client or non-client mouse message.
#include <cstdlib>

#include "platform/kernel.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/sim/windows/SimWindowState.h"

using namespace simwin;

namespace {

constexpr UINT kDoubleClickTime = 500;
constexpr UINT kNonClientOffset = WM_MOUSEMOVE - WM_NCMOUSEMOVE;
const UINT kSystemCursors[] = {32512, 32513, 32514, 32515, 32516, 32642, 32643,
                               32644, 32645, 32646, 32648, 32649, 32650, 32651};

LPARAM PackPoint(LONG x, LONG y) {
  return static_cast<LPARAM>((static_cast<DWORD>(static_cast<WORD>(y)) << 16) |
                             static_cast<WORD>(x));
}

bool Down(const State& s, int key) { return (s.keys[key] & 0x80) != 0; }

WPARAM MouseKeys(const State& s) {
  WPARAM keys = 0;
  if (Down(s, VK_LBUTTON)) keys |= MK_LBUTTON;
  if (Down(s, VK_RBUTTON)) keys |= MK_RBUTTON;
  if (Down(s, VK_SHIFT)) keys |= MK_SHIFT;
  if (Down(s, VK_CONTROL)) keys |= MK_CONTROL;
  return keys;
}

void PostLocked(State& s, HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, DWORD time) {
  MSG msg = {};
  msg.hwnd = hwnd;
  msg.message = message;
  msg.wParam = wparam;
  msg.lParam = lparam;
  msg.time = time;
  msg.pt = s.cursor_pos;
  s.queue.push_back(msg);
  s.arrived.notify_all();
}

// The deepest visible window under a screen point, within one top-level window.
HWND Under(State& s, HWND top, POINT pt) {
  auto contains = [&](HWND h) {
    Window* w = Find(s, h);
    if (!w || !(w->style & WS_VISIBLE)) return false;
    RECT r = WindowRectOnScreen(s, h);
    if (pt.x < r.left || pt.x >= r.right || pt.y < r.top || pt.y >= r.bottom) return false;
    return !w->has_shape || w->shape.Contains(pt.x - r.left, pt.y - r.top);
  };
  if (!contains(top)) return nullptr;
  HWND found = top;
  bool descended = true;
  while (descended) {
    descended = false;
    for (HWND child : ChildrenLocked(s, found))
      if (contains(child)) {
        found = child;
        descended = true;
        break;
      }
  }
  return found;
}

void ConvertKey(State& s, const RawInput& input) {
  UINT key = input.key & 0xFF;
  bool up = input.kind == SimInputKind::kKeyUp;
  bool was_down = Down(s, static_cast<int>(key));
  if (up)
    s.keys[key] &= static_cast<BYTE>(~0x80);
  else
    s.keys[key] = static_cast<BYTE>(0x80 | ((s.keys[key] & 1) ^ (was_down ? 0 : 1)));
  HWND target = s.focus ? s.focus : s.active ? s.active : input.top;
  if (!Find(s, target)) return;
  bool alt = Down(s, VK_MENU) || (up && key == VK_MENU);
  UINT message = up ? (alt ? WM_SYSKEYUP : WM_KEYUP) : (alt ? WM_SYSKEYDOWN : WM_KEYDOWN);
  LPARAM lparam = 1;
  if (alt) lparam |= 1 << 29;
  if (was_down || up) lparam |= 1 << 30;
  if (up) lparam |= static_cast<LPARAM>(1u << 31);
  PostLocked(s, target, message, key, lparam, input.time);
}

}  // namespace

namespace simwin {

void QueueRawInput(State& s, const RawInput& input) {
  if (input.kind == SimInputKind::kClose) {
    // The window manager's close button asks as the system menu does.
    PostLocked(s, input.top, WM_SYSCOMMAND, SC_CLOSE, PackPoint(input.pt.x, input.pt.y),
               input.time);
    return;
  }
  s.input.push_back(input);
  s.arrived.notify_all();
}

bool ConvertInput(std::unique_lock<std::mutex>& lock) {
  State& s = S();
  if (s.input.empty()) return false;
  RawInput input = s.input.front();
  s.input.pop_front();
  if (input.kind == SimInputKind::kKeyDown || input.kind == SimInputKind::kKeyUp) {
    ConvertKey(s, input);
    return true;
  }
  UINT message = WM_MOUSEMOVE;
  bool press = false;
  switch (input.kind) {
    case SimInputKind::kLeftDown:
      message = WM_LBUTTONDOWN;
      s.keys[VK_LBUTTON] |= 0x80;
      press = true;
      break;
    case SimInputKind::kLeftUp:
      message = WM_LBUTTONUP;
      s.keys[VK_LBUTTON] &= static_cast<BYTE>(~0x80);
      break;
    case SimInputKind::kRightDown:
      message = WM_RBUTTONDOWN;
      s.keys[VK_RBUTTON] |= 0x80;
      press = true;
      break;
    case SimInputKind::kRightUp:
      message = WM_RBUTTONUP;
      s.keys[VK_RBUTTON] &= static_cast<BYTE>(~0x80);
      break;
    default:
      break;
  }
  s.cursor_pos = input.pt;
  HWND target;
  LRESULT hit = HTCLIENT;
  if (s.capture && Find(s, s.capture)) {
    // The capture takes all mouse input as client input, with no hit test.
    target = s.capture;
  } else {
    target = Find(s, input.top) ? Under(s, input.top, input.pt) : nullptr;
    if (target) {
      bool disabled = (Find(s, target)->style & WS_DISABLED) != 0;
      lock.unlock();
      hit = disabled ? HTERROR : CallProc(target, WM_NCHITTEST, 0, PackPoint(input.pt.x, input.pt.y));
      CallProc(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target),
               static_cast<LPARAM>((static_cast<DWORD>(message) << 16) | static_cast<WORD>(hit)));
      lock.lock();
      if (!Find(s, target)) target = nullptr;
    }
  }
  // Leaving a tracked window tells it so, once.
  if (s.tracking && (s.tracking != target || hit != HTCLIENT)) {
    PostLocked(s, s.tracking, WM_MOUSELEAVE, 0, 0, input.time);
    s.tracking = nullptr;
  }
  s.mouse_over = hit == HTCLIENT ? target : nullptr;
  if (!target || hit == HTNOWHERE || hit == HTERROR || hit == HTTRANSPARENT) return true;
  if (press && !s.capture) {
    HWND root = RootLocked(s, target);
    if (root != s.active) {
      lock.unlock();
      LRESULT how = CallProc(target, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(root),
                             static_cast<LPARAM>((static_cast<DWORD>(message) << 16) |
                                                 static_cast<WORD>(hit)));
      if (how == MA_ACTIVATE || how == MA_ACTIVATEANDEAT) SetActiveWindow(root);
      lock.lock();
      if (how == MA_ACTIVATEANDEAT || how == MA_NOACTIVATEANDEAT || !Find(s, target)) return true;
    }
  }
  Window* w = Find(s, target);
  if (press) {
    const Click& last = s.last_click;
    bool client = hit == HTCLIENT;
    bool allowed = !client || (w->class_style & CS_DBLCLKS);
    int half_x = GetSystemMetrics(SM_CXDOUBLECLK) / 2, half_y = GetSystemMetrics(SM_CYDOUBLECLK) / 2;
    if (allowed && last.hwnd == target && last.message == message &&
        input.time - last.time <= kDoubleClickTime && std::abs(input.pt.x - last.pt.x) <= half_x &&
        std::abs(input.pt.y - last.pt.y) <= half_y) {
      message += 2;  // the button's DBLCLK message
      s.last_click = Click{};
    } else {
      s.last_click = Click{target, message, input.time, input.pt};
    }
  }
  if (hit == HTCLIENT) {
    POINT origin = ClientOriginOnScreen(s, target);
    PostLocked(s, target, message, MouseKeys(s), PackPoint(input.pt.x - origin.x, input.pt.y - origin.y),
               input.time);
  } else {
    PostLocked(s, target, message - kNonClientOffset, static_cast<WPARAM>(hit),
               PackPoint(input.pt.x, input.pt.y), input.time);
  }
  return true;
}

void ForgetWindowLocked(State& s, HWND hwnd) {
  for (auto it = s.timers.begin(); it != s.timers.end();)
    it = it->hwnd == hwnd ? s.timers.erase(it) : it + 1;
  if (s.active == hwnd) s.active = nullptr;
  if (s.focus == hwnd) s.focus = nullptr;
  if (s.capture == hwnd) s.capture = nullptr;
  if (s.mouse_over == hwnd) s.mouse_over = nullptr;
  if (s.tracking == hwnd) s.tracking = nullptr;
  if (s.last_click.hwnd == hwnd) s.last_click = Click{};
  // Raw input for it stays queued: the key and button state still follows it.
  for (auto it = s.window_dcs.begin(); it != s.window_dcs.end();)
    it = it->second == hwnd ? s.window_dcs.erase(it) : std::next(it);
}

}  // namespace simwin

BOOL SimInjectInput(HWND window, const SimInput& input) {
  DWORD time = input.time ? input.time : GetTickCount();
  if (IsLocal(window)) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.mutex);
    if (!Find(s, window)) return SimFail(ERROR_INVALID_WINDOW_HANDLE);
    RECT rect = WindowRectOnScreen(s, window);
    RawInput raw;
    raw.top = RootLocked(s, window);
    raw.kind = input.kind;
    raw.pt = POINT{rect.left + input.x, rect.top + input.y};
    raw.key = input.key;
    raw.time = time;
    QueueRawInput(s, raw);
    return TRUE;
  }
  if (!RemoteAlive(window)) return SimFail(ERROR_INVALID_WINDOW_HANDLE);
  Wire wire = {};
  wire.kind = static_cast<uint32_t>(WireKind::kInput);
  wire.hwnd = Value(window);
  wire.message = static_cast<uint32_t>(input.kind);
  wire.wparam = input.key;
  wire.time = time;
  wire.x = input.x;
  wire.y = input.y;
  wire.from_pid = GetCurrentProcessId();
  return SendWire(PidOf(window), wire);
}

HWND SetCapture(HWND window) {
  State& s = S();
  HWND old;
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    if (!Find(s, window)) return SimFailWith<HWND>(ERROR_INVALID_WINDOW_HANDLE, nullptr);
    old = s.capture;
    s.capture = window;
  }
  if (old && old != window) CallProc(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(window));
  return old;
}

BOOL ReleaseCapture() {
  State& s = S();
  HWND old;
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    old = s.capture;
    s.capture = nullptr;
  }
  if (old) CallProc(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  return s.capture;
}

BOOL TrackMouseEvent(LPTRACKMOUSEEVENT track) {
  if (!track || track->cbSize != sizeof(TRACKMOUSEEVENT)) return SimFail(ERROR_INVALID_PARAMETER);
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  if (track->dwFlags & TME_QUERY) {
    track->dwFlags = s.tracking ? TME_LEAVE : 0;
    track->hwndTrack = s.tracking;
    return TRUE;
  }
  if (!Find(s, track->hwndTrack)) return SimFail(ERROR_INVALID_WINDOW_HANDLE);
  if (track->dwFlags & TME_CANCEL) {
    if ((track->dwFlags & TME_LEAVE) && s.tracking == track->hwndTrack) s.tracking = nullptr;
    return TRUE;
  }
  if (track->dwFlags & TME_LEAVE) {
    // Asked while the mouse is elsewhere: it has left already.
    if (s.mouse_over != track->hwndTrack)
      PostLocked(s, track->hwndTrack, WM_MOUSELEAVE, 0, 0, GetTickCount());
    else
      s.tracking = track->hwndTrack;
  }
  return TRUE;
}

BOOL GetCursorPos(LPPOINT point) {
  if (!point) return SimFail(ERROR_INVALID_PARAMETER);
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  *point = s.cursor_pos;
  return TRUE;
}

HCURSOR SetCursor(HCURSOR cursor) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  HCURSOR old = s.cursor;
  s.cursor = cursor;
  return old;
}

HCURSOR GetCursor() {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  return s.cursor;
}

HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name) {
  uintptr_t id = reinterpret_cast<uintptr_t>(name);
  // Programs here carry no cursor resources: only the system's cursors load.
  if (!instance && id < 0x10000)
    for (UINT known : kSystemCursors)
      if (known == id) return reinterpret_cast<HCURSOR>(0x10000 + id);
  return SimFailWith<HCURSOR>(ERROR_RESOURCE_NAME_NOT_FOUND, nullptr);
}

HICON LoadIconW(HINSTANCE instance, LPCWSTR name) {
  uintptr_t id = reinterpret_cast<uintptr_t>(name);
  if (id >= 0x10000) return SimFailWith<HICON>(ERROR_RESOURCE_NAME_NOT_FOUND, nullptr);
  if (!instance && id == 32512) return reinterpret_cast<HICON>(0x30000 + id);
  // The own program's icons, by number (there are no resource sections to read).
  if (instance && instance == reinterpret_cast<HINSTANCE>(GetModuleHandleW(nullptr)))
    return reinterpret_cast<HICON>(0x40000 + id);
  return SimFailWith<HICON>(ERROR_RESOURCE_NAME_NOT_FOUND, nullptr);
}

UINT GetDoubleClickTime() { return kDoubleClickTime; }

SHORT GetKeyState(int virtual_key) {
  if (virtual_key < 0 || virtual_key > 255) return 0;
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  BYTE state = s.keys[virtual_key];
  return static_cast<SHORT>(((state & 0x80) ? 0x8000 : 0) | (state & 1));
}
