// Timers. A WM_TIMER is made when the queue is read and holds nothing more
// urgent, so an elapsed timer never has more than one message pending and a
// busy program sees its timers late rather than piled up.
#include "platform/kernel.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/sim/windows/SimWindowState.h"

using namespace simwin;

namespace simwin {

bool TakeTimer(State& s, HWND filter, bool remove, MSG* out) {
  uint64_t now = NowMs();
  DWORD me = GetCurrentThreadId();
  Timer* best = nullptr;
  for (Timer& t : s.timers) {
    if (t.due > now || t.tid != me) continue;
    if (filter == FromValue(static_cast<uintptr_t>(-1)) ? t.hwnd != nullptr
                                                        : (filter && t.hwnd != filter))
      continue;
    if (!best || t.due < best->due) best = &t;
  }
  if (!best) return false;
  *out = MSG{};
  out->hwnd = best->hwnd;
  out->message = WM_TIMER;
  out->wParam = best->id;
  out->lParam = reinterpret_cast<LPARAM>(best->proc);
  out->time = GetTickCount();
  if (remove) best->due = now + best->period;
  return true;
}

bool NextTimerDue(State& s, uint64_t* due) {
  bool any = false;
  DWORD me = GetCurrentThreadId();
  for (const Timer& t : s.timers)
    if (t.tid == me && (!any || t.due < *due)) {
      *due = t.due;
      any = true;
    }
  return any;
}

bool TimerProcRegistered(State& s, TIMERPROC proc) {
  for (const Timer& t : s.timers)
    if (t.proc == proc) return true;
  return false;
}

}  // namespace simwin

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC procedure) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  Window* w = window ? Find(s, window) : nullptr;
  if (window && !w) return SimFailWith<UINT_PTR>(ERROR_INVALID_WINDOW_HANDLE, 0);
  // A window's timers are set by its own thread, as Windows requires.
  DWORD tid = GetCurrentThreadId();
  if (w && w->tid != tid) return SimFailWith<UINT_PTR>(ERROR_ACCESS_DENIED, 0);
  if (elapse < USER_TIMER_MINIMUM) elapse = USER_TIMER_MINIMUM;
  if (elapse > USER_TIMER_MAXIMUM) elapse = USER_TIMER_MAXIMUM;
  Timer* existing = nullptr;
  for (Timer& t : s.timers)
    if (t.hwnd == window && t.id == id && (window || (id && t.tid == tid))) existing = &t;
  if (!existing) {
    s.timers.push_back(Timer{});
    existing = &s.timers.back();
    existing->hwnd = window;
    // A thread timer gets a fresh id unless it names one of its own.
    if (!window) {
      bool taken;
      do {
        id = s.next_thread_timer++;
        taken = false;
        for (const Timer& t : s.timers)
          if (&t != existing && !t.hwnd && t.id == id) taken = true;
      } while (taken || id == 0);
    }
    existing->id = id;
  }
  // Setting an existing timer again restarts its period.
  existing->tid = tid;
  existing->period = elapse;
  existing->proc = procedure;
  existing->due = NowMs() + elapse;
  s.arrived.notify_all();
  return window ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  if (window && !Find(s, window)) return SimFail(ERROR_INVALID_WINDOW_HANDLE);
  for (auto it = s.timers.begin(); it != s.timers.end(); ++it)
    if (it->hwnd == window && it->id == id) {
      s.timers.erase(it);
      return TRUE;
    }
  return SimFail(ERROR_INVALID_PARAMETER);
}
