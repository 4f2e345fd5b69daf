// Window classes, creating and destroying windows, their long values and
// their relations (parent, owner, children).
#include <dirent.h>

#include <algorithm>
#include <cstring>

#include "platform/kernel.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/sim/text/SimUnicode.h"
#include "platform/sim/display/SimPresent.h"
#include "platform/sim/windows/SimDpi.h"
#include "platform/sim/windows/SimWindowState.h"
#include "platform/sim/windows/window_records.h"

using namespace simwin;

namespace {

// A class argument may be an atom (MAKEINTATOM) instead of text.
bool ClassNameOf(LPCWSTR class_name, std::u16string* name) {
  if (reinterpret_cast<uintptr_t>(class_name) >= 0x10000) {
    *name = class_name;
    return true;
  }
  ATOM atom = static_cast<ATOM>(reinterpret_cast<uintptr_t>(class_name));
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  for (const auto& [key, c] : s.classes)
    if (c.atom == atom) {
      *name = c.name;
      return true;
    }
  return false;
}

bool IsTopLevel(const Window& w) { return !(w.style & WS_CHILD); }

HWND NewHandle(State& s) {
  uintptr_t base = static_cast<uintptr_t>(GetCurrentProcessId()) << 16;
  uint16_t index = s.next_index;
  for (int tries = 0; tries < 0x10000; ++tries) {
    if (index != 0 && !s.windows.count(base | index)) break;
    ++index;
  }
  if (index == 0 || s.windows.count(base | index)) return nullptr;
  s.next_index = static_cast<uint16_t>(index + 1);
  return FromValue(base | index);
}

// Sends WM_DESTROY to the window, then to its children, top down.
void SendDestroy(HWND hwnd) {
  State& s = S();
  std::vector<HWND> children;
  bool release_capture, lose_focus;
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    Window* w = Find(s, hwnd);
    if (!w) return;
    w->destroying = true;
    children = ChildrenLocked(s, hwnd);
    release_capture = s.capture == hwnd;
    lose_focus = s.focus == hwnd;
  }
  if (release_capture) ReleaseCapture();
  if (lose_focus) SetFocus(nullptr);
  CallProc(hwnd, WM_DESTROY, 0, 0);
  for (HWND child : children) SendDestroy(child);
}

// Frees children first, each after its own WM_NCDESTROY; the window's own
// WM_NCDESTROY is the last message it receives.
void FreeWindow(HWND hwnd) {
  State& s = S();
  std::vector<HWND> children;
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    if (!Find(s, hwnd)) return;
    children = ChildrenLocked(s, hwnd);
  }
  for (HWND child : children) FreeWindow(child);
  CallProc(hwnd, WM_NCDESTROY, 0, 0);
  std::vector<std::shared_ptr<Sent>> unanswered;
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    auto it = s.windows.find(Value(hwnd));
    if (it == s.windows.end()) return;
    Unpublish(it->second);
    s.windows.erase(it);
    ForgetWindowLocked(s, hwnd);
    for (auto m = s.queue.begin(); m != s.queue.end();)
      m = m->hwnd == hwnd ? s.queue.erase(m) : m + 1;
    for (auto m = s.sent.begin(); m != s.sent.end();) {
      if ((*m)->hwnd == hwnd) {
        unanswered.push_back(*m);
        m = s.sent.erase(m);
      } else {
        ++m;
      }
    }
  }
  SimDpiWindowDestroyed(hwnd);
  simdisplay::WindowGone(hwnd);
  // A sender waiting on the destroyed window gets its answer: nothing.
  for (auto& sent : unanswered) sent->reply(0);
}

bool ExtraIndexValid(const Window& w, int index, size_t size) {
  return index >= 0 && static_cast<size_t>(index) + size <= w.extra.size();
}

}  // namespace

ATOM RegisterClassExW(const WNDCLASSEXW* window_class) {
  if (!window_class || window_class->cbSize != sizeof(WNDCLASSEXW) ||
      !window_class->lpszClassName ||
      reinterpret_cast<uintptr_t>(window_class->lpszClassName) < 0x10000 ||
      !*window_class->lpszClassName || window_class->cbWndExtra < 0 ||
      window_class->cbClsExtra < 0)
    return SimFailWith<ATOM>(ERROR_INVALID_PARAMETER, 0);
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  std::u16string key = SimUpper(window_class->lpszClassName);
  if (s.classes.count(key)) return SimFailWith<ATOM>(ERROR_CLASS_ALREADY_EXISTS, 0);
  WindowClass c;
  c.name = window_class->lpszClassName;
  c.proc = window_class->lpfnWndProc;
  c.atom = s.next_atom++;
  c.style = window_class->style;
  c.window_extra = window_class->cbWndExtra;
  c.cursor = window_class->hCursor;
  c.background = window_class->hbrBackground;
  c.icon = window_class->hIcon;
  c.small_icon = window_class->hIconSm;
  s.classes.emplace(key, c);
  return c.atom;
}

BOOL UnregisterClassW(LPCWSTR class_name, HINSTANCE) {
  std::u16string name;
  if (!class_name || !ClassNameOf(class_name, &name)) return SimFail(ERROR_CLASS_DOES_NOT_EXIST);
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  auto it = s.classes.find(SimUpper(name));
  if (it == s.classes.end()) return SimFail(ERROR_CLASS_DOES_NOT_EXIST);
  for (const auto& [value, window] : s.windows)
    if (SimEqualNoCase(window.class_name, name)) return SimFail(kErrorClassHasWindows);
  s.classes.erase(it);
  return TRUE;
}

HWND CreateWindowExW(DWORD ex_style, LPCWSTR class_name, LPCWSTR window_name, DWORD style, int x,
                     int y, int width, int height, HWND parent, void* menu, HINSTANCE instance,
                     LPVOID param) {
  std::u16string name;
  if (!class_name || !ClassNameOf(class_name, &name))
    return SimFailWith<HWND>(kErrorCannotFindWndClass, nullptr);
  const bool message_only = parent == HWND_MESSAGE;
  if (message_only) parent = nullptr;
  if ((style & WS_CHILD) && !parent && !message_only)
    return SimFailWith<HWND>(ERROR_TLW_WITH_WSCHILD, nullptr);
  // Overlapped windows always have a caption, as on Windows.
  if (!(style & (WS_CHILD | WS_POPUP))) style |= WS_CAPTION | WS_CLIPSIBLINGS;
  State& s = S();
  HWND hwnd;
  bool overlapped_or_sizable;
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    auto c = s.classes.find(SimUpper(name));
    if (c == s.classes.end()) return SimFailWith<HWND>(kErrorCannotFindWndClass, nullptr);
    if (parent && !Find(s, parent)) return SimFailWith<HWND>(ERROR_INVALID_WINDOW_HANDLE, nullptr);
    if (EnsureQueue(s) < 0) return SimFailWith<HWND>(ERROR_NOT_ENOUGH_MEMORY, nullptr);
    hwnd = NewHandle(s);
    if (!hwnd) return SimFailWith<HWND>(ERROR_NOT_ENOUGH_MEMORY, nullptr);
    Window window;
    window.class_name = c->second.name;
    window.title = window_name ? window_name : u"";
    window.proc = c->second.proc;
    window.class_style = c->second.style;
    window.class_cursor = c->second.cursor;
    window.class_background = c->second.background;
    window.big_icon = nullptr;
    window.tid = GetCurrentThreadId();
    window.style = style & ~WS_VISIBLE;  // ShowWindow below makes it visible
    window.ex_style = ex_style;
    window.instance = instance;
    window.extra.assign(static_cast<size_t>(c->second.window_extra), 0);
    window.z = s.next_z++;
    if (style & WS_CHILD) {
      window.parent = parent;
      window.id = reinterpret_cast<LONG_PTR>(menu);
    } else if (parent) {
      window.owner = RootLocked(s, parent);
    }
    if (x == CW_USEDEFAULT) x = y = (style & WS_CHILD) ? 0 : 100;
    if (width == CW_USEDEFAULT) {
      width = (style & WS_CHILD) ? 0 : 640;
      height = (style & WS_CHILD) ? 0 : 480;
    }
    window.rect = RECT{x, y, x + width, y + height};
    window.client = window.rect;
    // Message-only and child windows are never found by FindWindowW, but
    // other processes may still post to them; an owned popup is top-level.
    window.record_flags = ((style & WS_CHILD) || message_only) ? kFlagHidden : 0;
    window.fd = Publish(hwnd, window, window.record_flags, &window.path);
    overlapped_or_sizable = (style & WS_THICKFRAME) || !(style & (WS_POPUP | WS_CHILD));
    s.windows.emplace(Value(hwnd), std::move(window));
  }
  CREATESTRUCTW create = {};
  create.lpCreateParams = param;
  create.hInstance = instance;
  create.hMenu = static_cast<HMENU>(menu);
  create.hwndParent = parent;
  create.cx = width;
  create.cy = height;
  create.x = x;
  create.y = y;
  create.style = static_cast<LONG>(style);
  create.lpszName = window_name;
  create.lpszClass = class_name;
  create.dwExStyle = ex_style;
  if (overlapped_or_sizable) {
    MINMAXINFO info = {};
    RECT work = WorkArea();
    info.ptMaxSize = POINT{work.right - work.left, work.bottom - work.top};
    info.ptMaxTrackSize = POINT{GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
    info.ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
    CallProc(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  }
  // The window keeps the DPI awareness its thread had when it was made.
  SimDpiWindowCreated(hwnd);
  if (!CallProc(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create))) {
    FreeWindow(hwnd);
    return SimFailWith<HWND>(ERROR_INVALID_PARAMETER, nullptr);
  }
  RECT client;
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    Window* w = Find(s, hwnd);
    if (!w) return SimFailWith<HWND>(ERROR_INVALID_PARAMETER, nullptr);
    client = w->rect;
  }
  CallProc(hwnd, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&client));
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    if (Window* w = Find(s, hwnd)) w->client = client;
  }
  if (CallProc(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
    DestroyWindow(hwnd);
    return SimFailWith<HWND>(ERROR_INVALID_PARAMETER, nullptr);
  }
  if (!IsWindow(hwnd)) return SimFailWith<HWND>(ERROR_INVALID_PARAMETER, nullptr);
  if (style & WS_VISIBLE) ShowWindow(hwnd, SW_SHOW);
  SetLastError(ERROR_SUCCESS);
  return hwnd;
}

BOOL DestroyWindow(HWND window) {
  State& s = S();
  bool visible, child;
  std::vector<HWND> owned;
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    Window* w = Find(s, window);
    if (!w) {
      bool remote_live = window && !IsLocal(window) && RemoteAlive(window);
      return SimFail(remote_live ? ERROR_ACCESS_DENIED : ERROR_INVALID_WINDOW_HANDLE);
    }
    // Only the thread that made a window may destroy it.
    if (w->tid != GetCurrentThreadId()) return SimFail(ERROR_ACCESS_DENIED);
    if (w->destroying) return TRUE;  // destroyed again from its WM_DESTROY
    w->destroying = true;
    visible = (w->style & WS_VISIBLE) != 0;
    child = (w->style & WS_CHILD) != 0;
    for (const auto& [value, other] : s.windows)
      if (other.owner == window && !other.destroying) owned.push_back(FromValue(value));
  }
  if (visible)
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER |
                     (child ? SWP_NOACTIVATE : 0));
  else if (GetActiveWindow() == window)
    SetActiveWindow(nullptr);
  for (HWND h : owned) DestroyWindow(h);
  SendDestroy(window);
  FreeWindow(window);
  return TRUE;
}

BOOL IsWindow(HWND window) {
  if (!window) return FALSE;
  if (IsDesktop(window)) return TRUE;
  if (IsLocal(window)) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.mutex);
    return Find(s, window) ? TRUE : FALSE;
  }
  return RemoteAlive(window) ? TRUE : FALSE;
}

HWND FindWindowW(LPCWSTR class_name, LPCWSTR window_name) {
  std::u16string wanted_class;
  if (class_name && !ClassNameOf(class_name, &wanted_class)) return nullptr;
  HWND best = nullptr;
  uint64_t best_created = 0;
  std::string dir = WindowsDir();
  if (dir.empty()) {
    // Without a machine only this process's windows exist.
    State& s = S();
    std::lock_guard<std::mutex> guard(s.mutex);
    for (const auto& [value, window] : s.windows)
      if (!window.parent && (!class_name || SimEqualNoCase(window.class_name, wanted_class)) &&
          (!window_name || window.title == window_name))
        best = FromValue(value);
    return best;
  }
  DIR* d = opendir(dir.c_str());
  if (!d) return nullptr;
  std::vector<std::string> dead;
  while (dirent* e = readdir(d)) {
    char* end = nullptr;
    unsigned long long value = strtoull(e->d_name, &end, 10);
    if (value == 0 || !end || *end) continue;  // "." and records being written
    std::string path = dir + "/" + e->d_name;
    Record record;
    bool is_dead = false;
    if (!ReadLiveRecord(path, &record, &is_dead)) {
      if (is_dead) dead.push_back(path);
      continue;
    }
    if (record.header.flags & kFlagHidden) continue;
    if (class_name && !SimEqualNoCase(record.class_name, wanted_class)) continue;
    if (window_name && record.title != window_name) continue;
    // The newest match stands in for the top of the Z order.
    if (!best || record.header.created > best_created) {
      best = FromValue(static_cast<uintptr_t>(value));
      best_created = record.header.created;
    }
  }
  closedir(d);
  for (const auto& path : dead) RemoveIfDead(path);
  return best;
}

DWORD GetWindowThreadProcessId(HWND window, LPDWORD process_id) {
  if (window && IsLocal(window)) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.mutex);
    if (Window* w = Find(s, window)) {
      if (process_id) *process_id = GetCurrentProcessId();
      return w->tid;
    }
  } else if (window) {
    Record record;
    if (ReadLiveRecord(RecordPath(window), &record) && record.header.pid == PidOf(window)) {
      if (process_id) *process_id = record.header.pid;
      return record.header.tid;
    }
  }
  return SimFailWith<DWORD>(ERROR_INVALID_WINDOW_HANDLE, 0);
}

LONG_PTR GetWindowLongPtrW(HWND window, int index) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  Window* w = Find(s, window);
  if (!w) return SimFailWith<LONG_PTR>(ERROR_INVALID_WINDOW_HANDLE, 0);
  switch (index) {
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT: return reinterpret_cast<LONG_PTR>(w->parent ? w->parent : w->owner);
    case GWLP_ID: return w->id;
    case GWL_STYLE: return static_cast<LONG>(w->style);
    case GWL_EXSTYLE: return static_cast<LONG>(w->ex_style);
    case GWLP_USERDATA: return w->user_data;
  }
  if (!ExtraIndexValid(*w, index, sizeof(LONG_PTR)))
    return SimFailWith<LONG_PTR>(ERROR_INVALID_INDEX, 0);
  LONG_PTR value;
  std::memcpy(&value, w->extra.data() + index, sizeof(value));
  return value;
}

LONG GetWindowLongW(HWND window, int index) {
  if (index >= 0) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.mutex);
    Window* w = Find(s, window);
    if (!w) return SimFailWith<LONG>(ERROR_INVALID_WINDOW_HANDLE, 0);
    if (!ExtraIndexValid(*w, index, sizeof(LONG))) return SimFailWith<LONG>(ERROR_INVALID_INDEX, 0);
    LONG value;
    std::memcpy(&value, w->extra.data() + index, sizeof(value));
    return value;
  }
  return static_cast<LONG>(GetWindowLongPtrW(window, index));
}

LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value) {
  State& s = S();
  std::unique_lock<std::mutex> lock(s.mutex);
  Window* w = Find(s, window);
  if (!w) return SimFailWith<LONG_PTR>(ERROR_INVALID_WINDOW_HANDLE, 0);
  if (!IsLocal(window)) return SimFailWith<LONG_PTR>(ERROR_ACCESS_DENIED, 0);
  LONG_PTR old = 0;
  switch (index) {
    case GWLP_WNDPROC:
      old = reinterpret_cast<LONG_PTR>(w->proc);
      w->proc = reinterpret_cast<WNDPROC>(value);
      return old;
    case GWLP_HINSTANCE:
      old = reinterpret_cast<LONG_PTR>(w->instance);
      w->instance = reinterpret_cast<HINSTANCE>(value);
      return old;
    case GWLP_HWNDPARENT:
      // Sets the owner of a top-level window.
      if (w->style & WS_CHILD) return SimFailWith<LONG_PTR>(ERROR_INVALID_PARAMETER, 0);
      old = reinterpret_cast<LONG_PTR>(w->owner);
      w->owner = reinterpret_cast<HWND>(value);
      return old;
    case GWLP_ID:
      old = w->id;
      w->id = value;
      return old;
    case GWLP_USERDATA:
      old = w->user_data;
      w->user_data = value;
      return old;
    case GWL_STYLE:
    case GWL_EXSTYLE: {
      STYLESTRUCT change = {index == GWL_STYLE ? w->style : w->ex_style,
                            static_cast<DWORD>(value)};
      lock.unlock();
      CallProc(window, WM_STYLECHANGING, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(&change));
      lock.lock();
      w = Find(s, window);
      if (!w) return SimFailWith<LONG_PTR>(ERROR_INVALID_WINDOW_HANDLE, 0);
      DWORD& field = index == GWL_STYLE ? w->style : w->ex_style;
      old = static_cast<LONG>(field);
      field = change.styleNew;
      lock.unlock();
      CallProc(window, WM_STYLECHANGED, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(&change));
      return old;
    }
  }
  if (!ExtraIndexValid(*w, index, sizeof(LONG_PTR)))
    return SimFailWith<LONG_PTR>(ERROR_INVALID_INDEX, 0);
  std::memcpy(&old, w->extra.data() + index, sizeof(old));
  std::memcpy(w->extra.data() + index, &value, sizeof(value));
  return old;
}

LONG SetWindowLongW(HWND window, int index, LONG value) {
  if (index >= 0) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.mutex);
    Window* w = Find(s, window);
    if (!w) return SimFailWith<LONG>(ERROR_INVALID_WINDOW_HANDLE, 0);
    if (!ExtraIndexValid(*w, index, sizeof(LONG))) return SimFailWith<LONG>(ERROR_INVALID_INDEX, 0);
    LONG old;
    std::memcpy(&old, w->extra.data() + index, sizeof(old));
    std::memcpy(w->extra.data() + index, &value, sizeof(value));
    return old;
  }
  // Style values are 32-bit: keep them unsigned on the way through.
  LONG_PTR wide = (index == GWL_STYLE || index == GWL_EXSTYLE)
                      ? static_cast<LONG_PTR>(static_cast<DWORD>(value))
                      : static_cast<LONG_PTR>(value);
  return static_cast<LONG>(SetWindowLongPtrW(window, index, wide));
}

HWND GetParent(HWND window) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  Window* w = Find(s, window);
  if (!w) return SimFailWith<HWND>(ERROR_INVALID_WINDOW_HANDLE, nullptr);
  if (w->style & WS_CHILD) return w->parent;
  return (w->style & WS_POPUP) ? w->owner : nullptr;
}

HWND GetWindow(HWND window, UINT relation) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  Window* w = Find(s, window);
  if (!w) return SimFailWith<HWND>(ERROR_INVALID_WINDOW_HANDLE, nullptr);
  if (relation == GW_OWNER) return IsTopLevel(*w) ? w->owner : nullptr;
  if (relation == GW_CHILD) {
    auto children = ChildrenLocked(s, window);
    return children.empty() ? nullptr : children.front();
  }
  auto siblings = ChildrenLocked(s, w->parent);
  if (siblings.empty()) return nullptr;
  size_t at = 0;
  while (at < siblings.size() && siblings[at] != window) ++at;
  switch (relation) {
    case GW_HWNDFIRST: return siblings.front();
    case GW_HWNDLAST: return siblings.back();
    case GW_HWNDNEXT: return at + 1 < siblings.size() ? siblings[at + 1] : nullptr;
    case GW_HWNDPREV: return at > 0 && at < siblings.size() ? siblings[at - 1] : nullptr;
  }
  return SimFailWith<HWND>(ERROR_INVALID_PARAMETER, nullptr);
}

HWND GetAncestor(HWND window, UINT flags) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  Window* w = Find(s, window);
  if (!w) return SimFailWith<HWND>(ERROR_INVALID_WINDOW_HANDLE, nullptr);
  if (flags == GA_PARENT) return w->parent;  // a top-level window's parent is the desktop
  HWND root = RootLocked(s, window);
  if (flags == GA_ROOT) return root;
  if (flags != GA_ROOTOWNER) return nullptr;
  for (Window* r = Find(s, root); r && (r->style & WS_POPUP) && r->owner && Find(s, r->owner);
       r = Find(s, root))
    root = r->owner;
  return root;
}

BOOL IsChild(HWND parent, HWND window) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  for (Window* w = Find(s, window); w && (w->style & WS_CHILD); w = Find(s, w->parent))
    if (w->parent == parent) return TRUE;
  return FALSE;
}

BOOL SetWindowTextW(HWND window, LPCWSTR text) {
  if (!IsWindow(window)) return SimFail(ERROR_INVALID_WINDOW_HANDLE);
  return SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int GetWindowTextW(HWND window, LPWSTR buffer, int size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = 0;
  if (!IsLocal(window)) {
    // Another process's title is read from its record, without a message.
    Record record;
    if (!window || !ReadLiveRecord(RecordPath(window), &record) ||
        record.header.pid != PidOf(window))
      return SimFailWith<int>(ERROR_INVALID_WINDOW_HANDLE, 0);
    size_t count = std::min<size_t>(record.title.size(), static_cast<size_t>(size) - 1);
    std::copy(record.title.begin(), record.title.begin() + static_cast<ptrdiff_t>(count), buffer);
    buffer[count] = 0;
    return static_cast<int>(count);
  }
  if (!IsWindow(window)) return SimFailWith<int>(ERROR_INVALID_WINDOW_HANDLE, 0);
  return static_cast<int>(
      SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthW(HWND window) {
  if (!IsLocal(window)) {
    Record record;
    if (!window || !ReadLiveRecord(RecordPath(window), &record) ||
        record.header.pid != PidOf(window))
      return SimFailWith<int>(ERROR_INVALID_WINDOW_HANDLE, 0);
    return static_cast<int>(record.title.size());
  }
  if (!IsWindow(window)) return SimFailWith<int>(ERROR_INVALID_WINDOW_HANDLE, 0);
  return static_cast<int>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
}
