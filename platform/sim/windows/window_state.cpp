#include <time.h>

#include "platform/kernel.h"
#include "platform/sim/display/SimPresent.h"
#include "platform/sim/windows/SimWindowState.h"

namespace simwin {

State& S() {
  static State* state = new State;  // the reader thread may outlive static destructors
  return *state;
}

DWORD PidOf(HWND hwnd) { return static_cast<DWORD>(Value(hwnd) >> 16); }

bool IsLocal(HWND hwnd) { return hwnd && PidOf(hwnd) == GetCurrentProcessId(); }

uint64_t NowMs() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000ull + static_cast<uint64_t>(ts.tv_nsec) / 1000000ull;
}

Window* Find(State& s, HWND hwnd) {
  auto it = s.windows.find(Value(hwnd));
  return it == s.windows.end() ? nullptr : &it->second;
}

LRESULT CallProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  WNDPROC proc = nullptr;
  {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.mutex);
    Window* w = Find(s, hwnd);
    if (!w) return 0;
    proc = w->proc;
  }
  return proc ? proc(hwnd, message, wparam, lparam) : DefWindowProcW(hwnd, message, wparam, lparam);
}

void ContentChanged(HWND hwnd) {
  simdisplay::WindowChanged(hwnd);
  SimContentHook hook;
  void* context;
  {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.mutex);
    hook = s.content_hook;
    context = s.content_context;
  }
  if (hook) hook(hwnd, context);
}

}  // namespace simwin

void SimSetContentHook(SimContentHook hook, void* context) {
  simwin::State& s = simwin::S();
  std::lock_guard<std::mutex> guard(s.mutex);
  s.content_hook = hook;
  s.content_context = context;
}
