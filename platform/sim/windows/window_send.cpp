// Sent messages: a direct call on the window's own thread; otherwise the
// sender waits for the owner's reply, and while it waits it handles the
// messages sent to its own windows, as Windows does (so two windows that send
// to each other do not deadlock). A receiver that dies or destroys the
// window ends the wait with a failure.
#include "platform/kernel.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/sim/windows/SimWindowState.h"

using namespace simwin;

namespace {

constexpr uint64_t kLivenessCheckMs = 50;

bool Send(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT flags, DWORD timeout,
          LRESULT* result) {
  *result = 0;
  if (!window || window == HWND_BROADCAST) return SimFail(ERROR_INVALID_WINDOW_HANDLE);
  State& s = S();
  const uint64_t deadline = timeout == INFINITE ? UINT64_MAX : NowMs() + timeout;
  const bool process_incoming = !(flags & SMTO_BLOCK);
  if (IsLocal(window)) {
    std::unique_lock<std::mutex> lock(s.mutex);
    Window* w = Find(s, window);
    if (!w) return SimFail(ERROR_INVALID_WINDOW_HANDLE);
    if (w->tid == GetCurrentThreadId()) {
      lock.unlock();
      *result = CallProc(window, message, wparam, lparam);
      return true;
    }
    // Another thread of this process owns it: it handles the message.
    auto sent = std::make_shared<Sent>();
    sent->hwnd = window;
    sent->message = message;
    sent->wparam = wparam;
    sent->lparam = lparam;
    sent->tid = w->tid;
    std::weak_ptr<Sent> weak = sent;
    sent->reply = [weak](LRESULT r) {
      State& state = S();
      std::lock_guard<std::mutex> guard(state.mutex);
      if (auto target = weak.lock()) {
        target->done = true;
        target->result = r;
      }
      state.arrived.notify_all();
    };
    s.sent.push_back(sent);
    s.arrived.notify_all();
    while (!sent->done) {
      if (process_incoming && RunSentMessages(lock)) continue;
      uint64_t now = NowMs();
      if (now >= deadline) {
        for (auto it = s.sent.begin(); it != s.sent.end(); ++it)
          if (*it == sent) {
            s.sent.erase(it);
            break;
          }
        return SimFail(ERROR_TIMEOUT);
      }
      s.arrived.wait_for(lock, std::chrono::milliseconds(std::min<uint64_t>(deadline - now, 50)));
    }
    *result = sent->result;
    return true;
  }
  if (!RemoteAlive(window)) return SimFail(ERROR_INVALID_WINDOW_HANDLE);
  uint64_t id;
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    EnsureQueue(s);
    id = s.next_send++;
    s.replies[id] = Reply{};
  }
  Wire wire = {};
  wire.kind = static_cast<uint32_t>(WireKind::kSent);
  wire.hwnd = Value(window);
  wire.message = message;
  wire.time = GetTickCount();
  wire.wparam = static_cast<uint64_t>(wparam);
  wire.lparam = static_cast<int64_t>(lparam);
  wire.from_pid = GetCurrentProcessId();
  wire.id = id;
  if (!SendWire(PidOf(window), wire)) {
    DWORD error = GetLastError();
    std::lock_guard<std::mutex> guard(s.mutex);
    s.replies.erase(id);
    return SimFail(error);
  }
  std::unique_lock<std::mutex> lock(s.mutex);
  uint64_t next_check = NowMs() + kLivenessCheckMs;
  while (true) {
    auto it = s.replies.find(id);
    if (it->second.done) {
      *result = it->second.result;
      s.replies.erase(it);
      return true;
    }
    if (process_incoming && RunSentMessages(lock)) continue;
    uint64_t now = NowMs();
    if (now >= deadline) {
      s.replies.erase(id);
      return SimFail(ERROR_TIMEOUT);
    }
    if (now >= next_check) {
      lock.unlock();
      bool alive = RemoteAlive(window);
      lock.lock();
      if (!alive && !s.replies[id].done) {
        s.replies.erase(id);
        return SimFail(ERROR_INVALID_WINDOW_HANDLE);
      }
      next_check = NowMs() + kLivenessCheckMs;
      continue;
    }
    uint64_t wake = std::min(deadline, next_check);
    s.arrived.wait_for(lock, std::chrono::milliseconds(wake - now));
  }
}

}  // namespace

LRESULT SendMessageW(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT result;
  Send(window, message, wparam, lparam, SMTO_NORMAL, INFINITE, &result);
  return result;
}

LRESULT SendMessageTimeoutW(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT flags,
                            UINT timeout, PDWORD_PTR result) {
  LRESULT value;
  if (!Send(window, message, wparam, lparam, flags, timeout, &value)) return 0;
  if (result) *result = static_cast<DWORD_PTR>(value);
  return 1;
}
