// The process's message queue: posting, reading, dispatching and waiting.
//
// Each process has one queue, fed by an abstract Unix datagram socket named
// after its pid (it vanishes with the process) and drained by a reader
// thread, so that senders never wait on a busy receiver. Messages come out in
// Windows' order: sent messages are handled first, then posted messages,
// then input, then the quit request, then WM_PAINT, then WM_TIMER.
#include <errno.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include "platform/kernel.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/sim/windows/SimWindowState.h"

using namespace simwin;

namespace {

sockaddr_un QueueAddress(DWORD pid, socklen_t* length) {
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  std::string name = "simhost-queue-" + std::to_string(pid);
  std::memcpy(address.sun_path + 1, name.data(), name.size());  // abstract: leading NUL
  *length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
  return address;
}

void Receive(State& s, const Wire& wire) {
  std::unique_lock<std::mutex> lock(s.mutex);
  HWND hwnd = FromValue(static_cast<uintptr_t>(wire.hwnd));
  switch (static_cast<WireKind>(wire.kind)) {
    case WireKind::kPosted: {
      // A message for a window destroyed meanwhile goes nowhere, as on Windows.
      if (!Find(s, hwnd)) return;
      MSG msg = {};
      msg.hwnd = hwnd;
      msg.message = wire.message;
      msg.wParam = static_cast<WPARAM>(wire.wparam);
      msg.lParam = static_cast<LPARAM>(wire.lparam);
      msg.time = wire.time;
      msg.pt = s.cursor_pos;
      s.queue.push_back(msg);
      break;
    }
    case WireKind::kSent: {
      Window* w = Find(s, hwnd);
      DWORD from = wire.from_pid;
      uint64_t id = wire.id;
      auto reply = [from, id](LRESULT result) {
        Wire answer = {};
        answer.kind = static_cast<uint32_t>(WireKind::kReply);
        answer.id = id;
        answer.lparam = static_cast<int64_t>(result);
        answer.from_pid = GetCurrentProcessId();
        SendWire(from, answer);
      };
      if (!w) {
        lock.unlock();
        reply(0);
        return;
      }
      auto sent = std::make_shared<Sent>();
      sent->hwnd = hwnd;
      sent->message = wire.message;
      sent->wparam = static_cast<WPARAM>(wire.wparam);
      sent->lparam = static_cast<LPARAM>(wire.lparam);
      sent->tid = w->tid;
      sent->reply = reply;
      s.sent.push_back(sent);
      break;
    }
    case WireKind::kReply: {
      auto it = s.replies.find(wire.id);
      if (it == s.replies.end()) return;  // the sender gave up waiting
      it->second.done = true;
      it->second.result = static_cast<LRESULT>(wire.lparam);
      break;
    }
    case WireKind::kInput: {
      if (!Find(s, hwnd)) return;
      RECT rect = WindowRectOnScreen(s, hwnd);
      RawInput input;
      input.top = RootLocked(s, hwnd);
      input.kind = static_cast<SimInputKind>(wire.message);
      input.pt = POINT{rect.left + wire.x, rect.top + wire.y};
      input.key = static_cast<UINT>(wire.wparam);
      input.time = wire.time;
      QueueRawInput(s, input);
      break;
    }
  }
  s.arrived.notify_all();
}

void ReadQueue(int fd) {
  State& s = S();
  while (true) {
    Wire wire;
    ssize_t n = recv(fd, &wire, sizeof(wire), 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return;
    if (n != sizeof(wire)) continue;
    Receive(s, wire);
  }
}

bool FilterIncludes(HWND filter, HWND hwnd, State& s) {
  if (!filter || filter == hwnd) return true;
  for (Window* w = Find(s, hwnd); w && (w->style & WS_CHILD); w = Find(s, w->parent))
    if (w->parent == filter) return true;
  return false;
}

bool Matches(State& s, const MSG& msg, HWND window, UINT filter_min, UINT filter_max) {
  if (msg.message == WM_QUIT) return true;  // never filtered out
  // A window's messages are read by its own thread. Messages without a
  // window belong to the whole process here, whichever thread posted them.
  if (msg.hwnd) {
    Window* owner = Find(s, msg.hwnd);
    if (owner && owner->tid != GetCurrentThreadId()) return false;
  }
  if (window == FromValue(static_cast<uintptr_t>(-1))) {
    if (msg.hwnd) return false;
  } else if (window && !FilterIncludes(window, msg.hwnd, s)) {
    return false;
  }
  if (filter_min == 0 && filter_max == 0) return true;
  return msg.message >= filter_min && msg.message <= filter_max;
}

bool RangeIncludes(UINT filter_min, UINT filter_max, UINT first, UINT last) {
  if (filter_min == 0 && filter_max == 0) return true;
  return filter_min <= last && filter_max >= first;
}

bool InputWanted(HWND window, UINT filter_min, UINT filter_max) {
  if (window == FromValue(static_cast<uintptr_t>(-1))) return false;
  return RangeIncludes(filter_min, filter_max, WM_NCMOUSEMOVE, WM_NCRBUTTONDBLCLK) ||
         RangeIncludes(filter_min, filter_max, WM_KEYFIRST, WM_KEYLAST) ||
         RangeIncludes(filter_min, filter_max, WM_MOUSEFIRST, WM_MOUSELAST) ||
         RangeIncludes(filter_min, filter_max, WM_SYSCOMMAND, WM_SYSCOMMAND);
}

// One pass (or, with wait, a blocking loop) over the queue in Windows' order.
bool Retrieve(std::unique_lock<std::mutex>& lock, LPMSG out, HWND window, UINT filter_min,
              UINT filter_max, bool remove, bool wait) {
  State& s = S();
  while (true) {
    if (RunSentMessages(lock)) continue;
    bool found = false;
    for (auto it = s.queue.begin(); it != s.queue.end(); ++it) {
      if (!Matches(s, *it, window, filter_min, filter_max)) continue;
      *out = *it;
      if (remove) s.queue.erase(it);
      found = true;
      break;
    }
    if (found) return true;
    if (!s.input.empty() && InputWanted(window, filter_min, filter_max)) {
      ConvertInput(lock);
      continue;
    }
    if (s.quit) {
      *out = MSG{};
      out->message = WM_QUIT;
      out->wParam = static_cast<WPARAM>(s.quit_code);
      out->time = GetTickCount();
      out->pt = s.cursor_pos;
      if (remove) s.quit = false;
      return true;
    }
    HWND filter = window == FromValue(static_cast<uintptr_t>(-1)) ? nullptr : window;
    if (RangeIncludes(filter_min, filter_max, WM_PAINT, WM_PAINT) &&
        window != FromValue(static_cast<uintptr_t>(-1)) && TakePaint(s, filter, out)) {
      out->pt = s.cursor_pos;
      return true;
    }
    if (RangeIncludes(filter_min, filter_max, WM_TIMER, WM_TIMER) &&
        TakeTimer(s, window, remove, out)) {
      out->pt = s.cursor_pos;
      return true;
    }
    if (!wait) return false;
    uint64_t due;
    if (NextTimerDue(s, &due)) {
      uint64_t now = NowMs();
      if (due > now) s.arrived.wait_for(lock, std::chrono::milliseconds(due - now));
    } else {
      s.arrived.wait(lock);
    }
  }
}

bool FilterWindowValid(State& s, HWND window) {
  return !window || window == FromValue(static_cast<uintptr_t>(-1)) || Find(s, window);
}

// What the queue holds now, as QS_* bits.
DWORD QueueBits(State& s) {
  DWORD bits = 0;
  DWORD me = GetCurrentThreadId();
  for (const auto& sent : s.sent)
    if (sent->tid == me) bits |= QS_SENDMESSAGE;
  for (const MSG& msg : s.queue)
    if (Matches(s, msg, nullptr, 0, 0)) bits |= QS_POSTMESSAGE | QS_ALLPOSTMESSAGE;
  if (s.quit) bits |= QS_POSTMESSAGE | QS_ALLPOSTMESSAGE;
  for (const auto& input : s.input)
    bits |= (input.kind == SimInputKind::kKeyDown || input.kind == SimInputKind::kKeyUp) ? QS_KEY
            : input.kind == SimInputKind::kMouseMove                                   ? QS_MOUSEMOVE
            : input.kind == SimInputKind::kClose ? QS_POSTMESSAGE | QS_ALLPOSTMESSAGE
                                                 : QS_MOUSEBUTTON;
  MSG ignored;
  if (TakePaint(s, nullptr, &ignored)) bits |= QS_PAINT;
  if (TakeTimer(s, nullptr, false, &ignored)) bits |= QS_TIMER;
  return bits;
}

char16_t CharOfKey(const State& s, UINT key) {
  bool shift = (s.keys[VK_SHIFT] & 0x80) != 0;
  if (key >= 'A' && key <= 'Z') return static_cast<char16_t>(shift ? key : key + ('a' - 'A'));
  if (key >= '0' && key <= '9' && !shift) return static_cast<char16_t>(key);
  switch (key) {
    case VK_BACK: return 0x08;
    case VK_TAB: return u'\t';
    case VK_RETURN: return u'\r';
    case VK_ESCAPE: return 0x1B;
    case VK_SPACE: return u' ';
  }
  return 0;
}

}  // namespace

namespace simwin {

int EnsureQueue(State& s) {
  if (s.socket >= 0) return s.socket;
  int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  socklen_t length;
  sockaddr_un address = QueueAddress(GetCurrentProcessId(), &length);
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
    close(fd);
    return -1;
  }
  s.socket = fd;
  std::thread(ReadQueue, fd).detach();
  return fd;
}

BOOL SendWire(DWORD pid, const Wire& wire) {
  State& s = S();
  int fd;
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    fd = EnsureQueue(s);
  }
  if (fd < 0) return SimFail(ERROR_NOT_ENOUGH_MEMORY);
  socklen_t length;
  sockaddr_un address = QueueAddress(pid, &length);
  // The receiver's reader drains its socket continuously; a full socket only
  // means a short wait, a lasting one a receiver that stopped reading.
  for (int attempt = 0; attempt < 2000; ++attempt) {
    if (sendto(fd, &wire, sizeof(wire), MSG_DONTWAIT, reinterpret_cast<const sockaddr*>(&address),
               length) == static_cast<ssize_t>(sizeof(wire)))
      return TRUE;
    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
      return SimFail(ERROR_INVALID_WINDOW_HANDLE);
    Sleep(1);
  }
  return SimFail(kErrorNotEnoughQuota);
}

bool RunSentMessages(std::unique_lock<std::mutex>& lock) {
  State& s = S();
  DWORD me = GetCurrentThreadId();
  for (auto it = s.sent.begin(); it != s.sent.end(); ++it) {
    if ((*it)->tid != me) continue;
    std::shared_ptr<Sent> sent = *it;
    s.sent.erase(it);
    ++s.send_depth;
    lock.unlock();
    LRESULT result = CallProc(sent->hwnd, sent->message, sent->wparam, sent->lparam);
    sent->reply(result);
    lock.lock();
    --s.send_depth;
    return true;
  }
  return false;
}

}  // namespace simwin

BOOL PostMessageW(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  State& s = S();
  if (!window || IsLocal(window)) {
    std::lock_guard<std::mutex> guard(s.mutex);
    // A null window posts to the queue itself, like a thread message.
    if (window && !Find(s, window)) return SimFail(ERROR_INVALID_WINDOW_HANDLE);
    MSG msg = {};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wparam;
    msg.lParam = lparam;
    msg.time = GetTickCount();
    msg.pt = s.cursor_pos;
    s.queue.push_back(msg);
    s.arrived.notify_all();
    return TRUE;
  }
  if (!RemoteAlive(window)) return SimFail(ERROR_INVALID_WINDOW_HANDLE);
  Wire wire = {};
  wire.kind = static_cast<uint32_t>(WireKind::kPosted);
  wire.hwnd = Value(window);
  wire.message = message;
  wire.time = GetTickCount();
  wire.wparam = static_cast<uint64_t>(wparam);
  wire.lparam = static_cast<int64_t>(lparam);
  wire.from_pid = GetCurrentProcessId();
  return SendWire(PidOf(window), wire);
}

BOOL GetMessageW(LPMSG message, HWND window, UINT filter_min, UINT filter_max) {
  if (!message) return SimFailWith<BOOL>(ERROR_INVALID_PARAMETER, -1);
  State& s = S();
  std::unique_lock<std::mutex> lock(s.mutex);
  if (!FilterWindowValid(s, window)) return SimFailWith<BOOL>(ERROR_INVALID_WINDOW_HANDLE, -1);
  EnsureQueue(s);
  Retrieve(lock, message, window, filter_min, filter_max, true, true);
  return message->message == WM_QUIT ? FALSE : TRUE;
}

BOOL PeekMessageW(LPMSG message, HWND window, UINT filter_min, UINT filter_max, UINT remove) {
  if (!message) return SimFail(ERROR_INVALID_PARAMETER);
  State& s = S();
  std::unique_lock<std::mutex> lock(s.mutex);
  if (!FilterWindowValid(s, window)) return SimFail(ERROR_INVALID_WINDOW_HANDLE);
  EnsureQueue(s);
  return Retrieve(lock, message, window, filter_min, filter_max, (remove & PM_REMOVE) != 0, false)
             ? TRUE
             : FALSE;
}

BOOL WaitMessage() {
  State& s = S();
  std::unique_lock<std::mutex> lock(s.mutex);
  EnsureQueue(s);
  while (!QueueBits(s)) {
    uint64_t due;
    if (NextTimerDue(s, &due)) {
      uint64_t now = NowMs();
      if (due > now) s.arrived.wait_for(lock, std::chrono::milliseconds(due - now));
    } else {
      s.arrived.wait(lock);
    }
  }
  return TRUE;
}

DWORD GetQueueStatus(UINT flags) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  DWORD bits = QueueBits(s) & flags;
  return (bits << 16) | bits;
}

BOOL TranslateMessage(const MSG* message) {
  if (!message) return FALSE;
  UINT kind = message->message;
  if (kind != WM_KEYDOWN && kind != WM_KEYUP && kind != WM_SYSKEYDOWN && kind != WM_SYSKEYUP)
    return FALSE;
  if (kind == WM_KEYDOWN || kind == WM_SYSKEYDOWN) {
    char16_t ch;
    {
      State& s = S();
      std::lock_guard<std::mutex> guard(s.mutex);
      ch = CharOfKey(s, static_cast<UINT>(message->wParam));
    }
    if (ch)
      PostMessageW(message->hwnd, kind == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR, ch,
                   message->lParam);
  }
  return TRUE;
}

LRESULT DispatchMessageW(const MSG* message) {
  if (!message) return SimFailWith<LRESULT>(ERROR_INVALID_PARAMETER, 0);
  State& s = S();
  if (message->message == WM_TIMER && message->lParam) {
    TIMERPROC proc = reinterpret_cast<TIMERPROC>(message->lParam);
    {
      std::lock_guard<std::mutex> guard(s.mutex);
      // Only a procedure given to SetTimer is called, as Windows checks.
      if (!TimerProcRegistered(s, proc)) return 0;
    }
    proc(message->hwnd, WM_TIMER, message->wParam, message->time);
    return 0;
  }
  if (!message->hwnd) return 0;
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    if (!Find(s, message->hwnd)) return SimFailWith<LRESULT>(ERROR_INVALID_WINDOW_HANDLE, 0);
  }
  return CallProc(message->hwnd, message->message, message->wParam, message->lParam);
}

LRESULT CallWindowProcW(WNDPROC procedure, HWND window, UINT message, WPARAM wparam,
                        LPARAM lparam) {
  return procedure ? procedure(window, message, wparam, lparam) : 0;
}

void PostQuitMessage(int exit_code) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  s.quit = true;
  s.quit_code = exit_code;
  s.arrived.notify_all();
}

BOOL InSendMessage() {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  return s.send_depth > 0 ? TRUE : FALSE;
}

DWORD MsgWaitForMultipleObjectsEx(DWORD count, const HANDLE* handles, DWORD milliseconds,
                                  DWORD wake_mask, DWORD flags) {
  if (count > 63 || (count && !handles)) return SimFailWith<DWORD>(ERROR_INVALID_PARAMETER, WAIT_FAILED);
  const bool wait_all = (flags & MWMO_WAITALL) != 0;
  const uint64_t deadline = milliseconds == INFINITE ? UINT64_MAX : NowMs() + milliseconds;
  State& s = S();
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    EnsureQueue(s);
  }
  while (true) {
    // Kernel objects have no shared wake-up with the queue here: poll them.
    DWORD signalled = 0;
    for (DWORD i = 0; i < count; ++i) {
      DWORD r = WaitForSingleObject(handles[i], 0);
      if (r == WAIT_FAILED) return WAIT_FAILED;
      if (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED) {
        if (!wait_all) return (r == WAIT_ABANDONED ? WAIT_ABANDONED : WAIT_OBJECT_0) + i;
        ++signalled;
      }
    }
    if (wait_all && count && signalled == count) return WAIT_OBJECT_0;
    std::unique_lock<std::mutex> lock(s.mutex);
    if (QueueBits(s) & wake_mask) return WAIT_OBJECT_0 + count;
    uint64_t now = NowMs();
    if (now >= deadline) return WAIT_TIMEOUT;
    uint64_t wake = deadline;
    if (count) wake = std::min<uint64_t>(wake, now + 5);
    uint64_t due;
    if ((wake_mask & QS_TIMER) && NextTimerDue(s, &due)) wake = std::min(wake, std::max(due, now));
    if (wake == UINT64_MAX)
      s.arrived.wait(lock);
    else if (wake > now)
      s.arrived.wait_for(lock, std::chrono::milliseconds(wake - now));
  }
}

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL wait_all,
                                DWORD milliseconds, DWORD wake_mask) {
  return MsgWaitForMultipleObjectsEx(count, handles, milliseconds, wake_mask,
                                     wait_all ? MWMO_WAITALL : 0);
}
