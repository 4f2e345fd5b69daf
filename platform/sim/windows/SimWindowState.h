// The process-wide state behind the simulated window functions, shared by
// the files of this folder. One mutex guards it; window procedures are always
// called with it released, so that they may re-enter every function.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/sim/windows/SimRegion.h"
#include "platform/sim/windows/SimWindows.h"
#include "platform/window_input.h"
#include "platform/window_messages.h"
#include "platform/window_paint.h"

namespace simwin {

constexpr DWORD kErrorCannotFindWndClass = 1407;
constexpr DWORD kErrorClassHasWindows = 1412;
constexpr DWORD kErrorNotEnoughQuota = 1816;
constexpr DWORD kErrorInvalidIndex = 1413;
constexpr DWORD kErrorNotChild = 1442;  // ERROR_WINDOW_OF_OTHER_THREAD is 1408
// Internal SetWindowPos flags Windows keeps out of its headers.
constexpr UINT kSwpNoClientSize = 0x0800;
constexpr UINT kSwpNoClientMove = 0x1000;
constexpr UINT kSwpStateChanged = 0x8000;

struct WindowClass {
  std::u16string name;
  WNDPROC proc = nullptr;
  ATOM atom = 0;
  UINT style = 0;
  int window_extra = 0;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  HICON icon = nullptr;
  HICON small_icon = nullptr;
};

struct Window {
  std::u16string class_name;
  std::u16string title;
  WNDPROC proc = nullptr;
  UINT class_style = 0;
  HCURSOR class_cursor = nullptr;
  HBRUSH class_background = nullptr;
  DWORD tid = 0;
  int fd = -1;  // the published record, locked while the window lives
  std::string path;
  uint32_t record_flags = 0;
  uint32_t published_state = 0;  // the show-state flags in the published record
  DWORD style = 0;
  DWORD ex_style = 0;
  LONG_PTR user_data = 0;
  LONG_PTR id = 0;
  HINSTANCE instance = nullptr;
  std::vector<unsigned char> extra;
  HWND parent = nullptr;
  HWND owner = nullptr;
  uint64_t z = 0;  // larger is nearer the top among siblings
  RECT rect = {};    // window rectangle, in the parent's client coordinates
  RECT client = {};  // client rectangle, in the same coordinates
  RECT restore = {};
  bool size_sent = false;
  bool destroying = false;
  Region update;  // client coordinates
  bool erase = false;
  bool has_shape = false;
  Region shape;  // window coordinates
  HICON big_icon = nullptr;
  HICON small_icon = nullptr;
  SimWindowPixels layered;
  SimWindowPixels surface;  // client-area pixels given by PresentCanvas
};

// A message sent to a window of this process, waiting for its thread.
struct Sent {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wparam = 0;
  LPARAM lparam = 0;
  DWORD tid = 0;
  std::function<void(LRESULT)> reply;  // called once, with the state unlocked
  bool done = false;
  LRESULT result = 0;
};

struct Timer {
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  UINT period = 0;
  uint64_t due = 0;  // monotonic milliseconds
  TIMERPROC proc = nullptr;
  DWORD tid = 0;  // the thread that reads it
};

// Raw input not yet turned into messages.
struct RawInput {
  HWND top = nullptr;
  SimInputKind kind = SimInputKind::kMouseMove;
  POINT pt = {};  // screen
  UINT key = 0;
  DWORD time = 0;
};

struct Click {
  HWND hwnd = nullptr;
  UINT message = 0;
  DWORD time = 0;
  POINT pt = {};
};

struct Reply {
  bool done = false;
  LRESULT result = 0;
};

struct State {
  std::mutex mutex;
  std::condition_variable arrived;
  std::map<std::u16string, WindowClass> classes;  // by upper-cased name
  std::map<uintptr_t, Window> windows;
  std::deque<MSG> queue;  // posted, and input already turned into messages
  std::deque<RawInput> input;
  std::deque<std::shared_ptr<Sent>> sent;
  std::map<uint64_t, Reply> replies;  // our sends to other processes
  uint64_t next_send = 1;
  std::vector<Timer> timers;
  UINT_PTR next_thread_timer = 1;
  bool quit = false;
  int quit_code = 0;
  uint16_t next_index = 1;
  ATOM next_atom = 0xC000;
  uint64_t next_z = 1;
  int socket = -1;
  int send_depth = 0;  // >0 while a sent message from elsewhere is handled
  HWND active = nullptr;
  HWND focus = nullptr;
  HWND capture = nullptr;
  HWND mouse_over = nullptr;
  HWND tracking = nullptr;
  POINT cursor_pos = {};
  HCURSOR cursor = nullptr;
  Click last_click;
  BYTE keys[256] = {};
  std::map<uintptr_t, Region> regions;
  std::map<uintptr_t, SimWindowPixels> dc_pixels;  // memory device contexts
  std::map<uintptr_t, HWND> window_dcs;
  uintptr_t next_gdi = 0x1000;
  SimContentHook content_hook = nullptr;
  void* content_context = nullptr;
};

State& S();

inline uintptr_t Value(HWND hwnd) { return reinterpret_cast<uintptr_t>(hwnd); }
inline HWND FromValue(uintptr_t value) { return reinterpret_cast<HWND>(value); }
DWORD PidOf(HWND hwnd);
bool IsLocal(HWND hwnd);
uint64_t NowMs();

// Window lookup; caller holds the lock.
Window* Find(State& s, HWND hwnd);
// The window's procedure called directly, with the lock released.
LRESULT CallProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
// Fires the content hook for a window.
void ContentChanged(HWND hwnd);

// Geometry helpers; caller holds the lock.
POINT ClientOriginOnScreen(State& s, HWND hwnd);
RECT WindowRectOnScreen(State& s, HWND hwnd);
bool VisibleLocked(State& s, HWND hwnd);
std::vector<HWND> ChildrenLocked(State& s, HWND parent);  // top of the Z order first
HWND RootLocked(State& s, HWND hwnd);
RECT ScreenRect();
RECT WorkArea();

// The desktop window: process 1's index 0, which no window is ever given.
constexpr uintptr_t kDesktopWindowValue = 0x10000;
inline bool IsDesktop(HWND hwnd) { return Value(hwnd) == kDesktopWindowValue; }

// The queue: runs the calling thread's pending sent messages; returns
// whether it ran any. Takes and gives back the lock.
bool RunSentMessages(std::unique_lock<std::mutex>& lock);
// Binds this process's queue socket and starts its reader; caller holds the lock.
int EnsureQueue(State& s);
// Sends a wire record to another process's queue.
enum class WireKind : uint32_t { kPosted = 0, kSent = 1, kReply = 2, kInput = 3 };
struct Wire {
  uint32_t kind;
  uint32_t message;
  uint64_t hwnd;
  uint64_t wparam;
  int64_t lparam;
  uint32_t time;
  uint32_t from_pid;
  uint64_t id;  // of a sent message and its reply
  int32_t x;
  int32_t y;
};
BOOL SendWire(DWORD pid, const Wire& wire);
bool RemoteAlive(HWND hwnd);
void QueueRawInput(State& s, const RawInput& input);  // caller holds the lock

// Timers and paint, for the message loop; caller holds the lock.
bool TakeTimer(State& s, HWND filter, bool remove, MSG* out);
bool NextTimerDue(State& s, uint64_t* due);
bool TakePaint(State& s, HWND filter, MSG* out);
bool TimerProcRegistered(State& s, TIMERPROC proc);
// Turns the first raw input into a message; takes and gives back the lock.
bool ConvertInput(std::unique_lock<std::mutex>& lock);
void ForgetWindowLocked(State& s, HWND hwnd);  // timers, capture, focus...

// Invalidation of a window's whole client area (caller holds the lock).
void InvalidateAllLocked(State& s, HWND hwnd, bool erase);

}  // namespace simwin

namespace simwin {
// Activates another top-level window of the process when `leaving` stops
// being active (hidden, minimised or destroyed); none when there is none.
void ActivateOther(HWND leaving);
// The non-client frame Windows draws for a style: the client rectangle
// inside a window rectangle.
RECT ClientFromWindowRect(DWORD style, DWORD ex_style, const RECT& window);
}  // namespace simwin
