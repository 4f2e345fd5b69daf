// The active window, the machine's foreground window, keyboard focus and
// enabling windows.
#include <fcntl.h>
#include <unistd.h>

#include "platform/kernel.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/sim/windows/SimWindowState.h"
#include "platform/sim/windows/window_records.h"

using namespace simwin;

namespace {

// The foreground window belongs to the machine, not to a process.
std::string ForegroundPath() {
  std::string dir = WindowsDir();
  return dir.empty() ? dir : dir + "/foreground";
}

void WriteForeground(HWND hwnd) {
  std::string path = ForegroundPath();
  if (path.empty()) return;
  std::string temporary = path + ".new." + std::to_string(GetCurrentProcessId());
  int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return;
  uint64_t value = Value(hwnd);
  bool ok = write(fd, &value, sizeof(value)) == sizeof(value);
  close(fd);
  if (!ok || rename(temporary.c_str(), path.c_str()) != 0) unlink(temporary.c_str());
}

HWND ReadForeground() {
  std::string path = ForegroundPath();
  if (path.empty()) return nullptr;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  uint64_t value = 0;
  bool ok = read(fd, &value, sizeof(value)) == sizeof(value);
  close(fd);
  return ok ? FromValue(static_cast<uintptr_t>(value)) : nullptr;
}

// Tells every top-level window of the process that the process gains or
// loses activation.
void ActivateApp(bool active) {
  std::vector<HWND> tops;
  {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.mutex);
    for (HWND h : ChildrenLocked(s, nullptr))
      if (!Find(s, h)->destroying) tops.push_back(h);
  }
  for (HWND h : tops) CallProc(h, WM_ACTIVATEAPP, active ? TRUE : FALSE, 0);
}

}  // namespace

namespace simwin {

void ActivateOther(HWND leaving) {
  State& s = S();
  HWND next = nullptr;
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    Window* w = Find(s, leaving);
    // The owner comes first, then the topmost other visible window.
    if (w && w->owner && Find(s, w->owner) && VisibleLocked(s, w->owner) &&
        !(Find(s, w->owner)->style & (WS_DISABLED | WS_MINIMIZE)))
      next = w->owner;
    for (HWND h : ChildrenLocked(s, nullptr)) {
      if (next) break;
      Window* other = Find(s, h);
      if (h != leaving && !other->destroying && (other->style & WS_VISIBLE) &&
          !(other->style & (WS_DISABLED | WS_MINIMIZE)))
        next = h;
    }
  }
  SetActiveWindow(next);
}

}  // namespace simwin

HWND GetActiveWindow() {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  return s.active;
}

HWND SetActiveWindow(HWND window) {
  State& s = S();
  HWND old;
  bool minimized = false;
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    if (window) {
      Window* w = Find(s, window);
      if (!w) return SimFailWith<HWND>(ERROR_INVALID_WINDOW_HANDLE, nullptr);
      window = RootLocked(s, window);
      w = Find(s, window);
      if (w->style & WS_DISABLED) return nullptr;
      minimized = (w->style & WS_MINIMIZE) != 0;
    }
    old = s.active;
    if (old == window) return old;
    s.active = window;
  }
  if (old && IsWindow(old)) {
    CallProc(old, WM_NCACTIVATE, FALSE, 0);
    CallProc(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(window));
  }
  if (!old != !window) ActivateApp(window != nullptr);
  if (window) {
    WriteForeground(window);
    CallProc(window, WM_NCACTIVATE, TRUE, 0);
    CallProc(window, WM_ACTIVATE, WA_ACTIVE | (minimized ? 0x10000 : 0),
             reinterpret_cast<LPARAM>(old));
    // A window that kept the keyboard for itself aside, the focus follows
    // the activation.
    HWND focus = GetFocus();
    if (GetActiveWindow() == window && (!focus || GetAncestor(focus, GA_ROOT) != window))
      SetFocus(window);
  } else {
    // Nothing active: nothing has the keyboard either.
    SetFocus(nullptr);
  }
  return old;
}

HWND GetForegroundWindow() {
  HWND hwnd = ReadForeground();
  return hwnd && IsWindow(hwnd) ? hwnd : nullptr;
}

BOOL SetForegroundWindow(HWND window) {
  if (!IsWindow(window)) return SimFail(ERROR_INVALID_WINDOW_HANDLE);
  if (IsLocal(window)) {
    SetActiveWindow(window);
  } else {
    WriteForeground(window);
  }
  return TRUE;
}

BOOL AttachThreadInput(DWORD attach, DWORD attach_to, BOOL) {
  // All threads of a process already share one input state here.
  if (!attach || !attach_to || attach == attach_to) return SimFail(ERROR_INVALID_PARAMETER);
  return TRUE;
}

HWND GetFocus() {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  return s.focus;
}

HWND SetFocus(HWND window) {
  State& s = S();
  HWND old;
  HWND root = nullptr;
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    if (window) {
      if (!Find(s, window)) return SimFailWith<HWND>(ERROR_INVALID_WINDOW_HANDLE, nullptr);
      // A disabled or minimised window, or one inside such, cannot take the keyboard.
      for (Window* w = Find(s, window); w; w = (w->style & WS_CHILD) ? Find(s, w->parent) : nullptr)
        if (w->style & (WS_DISABLED | WS_MINIMIZE)) return nullptr;
      root = RootLocked(s, window);
    }
    old = s.focus;
    if (old == window) return old;
  }
  if (root && GetActiveWindow() != root) {
    SetActiveWindow(root);
    std::lock_guard<std::mutex> guard(s.mutex);
    if (s.focus == window) return old;  // the activation gave it the focus already
    old = s.focus;
  }
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    s.focus = window;
  }
  if (old && IsWindow(old)) CallProc(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(window), 0);
  if (window) CallProc(window, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  return old;
}

BOOL EnableWindow(HWND window, BOOL enable) {
  State& s = S();
  bool was_disabled;
  bool had_focus = false, had_capture = false;
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    Window* w = Find(s, window);
    if (!w) return SimFail(ERROR_INVALID_WINDOW_HANDLE);
    was_disabled = (w->style & WS_DISABLED) != 0;
    if (was_disabled == !enable) return was_disabled;
    if (enable) {
      w->style &= ~static_cast<DWORD>(WS_DISABLED);
    } else {
      w->style |= WS_DISABLED;
      had_focus = s.focus == window;
      had_capture = s.capture == window;
    }
  }
  if (!enable) {
    CallProc(window, WM_CANCELMODE, 0, 0);
    if (had_capture) ReleaseCapture();
    if (had_focus) SetFocus(nullptr);
  }
  CallProc(window, WM_ENABLE, enable ? TRUE : FALSE, 0);
  return was_disabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND window) {
  if (IsDesktop(window)) return TRUE;
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  Window* w = Find(s, window);
  return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}
