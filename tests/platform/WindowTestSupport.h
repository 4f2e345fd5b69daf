// Shared by the window tests: windows whose procedure records every message
// and lets a test answer some of them.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/window_input.h"
#include "platform/window_messages.h"
#include "platform/window_paint.h"
#include "tests/support/SimTestSupport.h"

struct Seen {
  HWND hwnd;
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
};

using WindowHandler = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

inline std::vector<Seen>& SeenMessages() {
  static std::vector<Seen> seen;
  return seen;
}

inline WindowHandler& Handler() {
  static WindowHandler handler;
  return handler;
}

inline LRESULT CALLBACK RecordingWindowProc(HWND hwnd, UINT message, WPARAM wparam,
                                            LPARAM lparam) {
  SeenMessages().push_back({hwnd, message, wparam, lparam});
  if (Handler())
    if (auto answer = Handler()(hwnd, message, wparam, lparam)) return *answer;
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

class WindowTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    // The queue belongs to the process and outlives each test.
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    SeenMessages().clear();
    Handler() = nullptr;
  }
  void TearDown() override {
    Handler() = nullptr;
    for (HWND hwnd : windows_)
      if (IsWindow(hwnd)) DestroyWindow(hwnd);
    for (const auto& name : classes_) UnregisterClassW(name.c_str(), nullptr);
    ReleaseCapture();
    MachineTest::TearDown();
  }

  // A window of a class with the given class style; top-level unless WS_CHILD.
  HWND Make(DWORD style, const RECT& rect, HWND parent = nullptr, UINT class_style = 0,
            DWORD ex_style = 0, HCURSOR cursor = nullptr) {
    std::u16string name = u"TestWindow" + std::u16string(1, u'A' + static_cast<char16_t>(class_style % 26)) +
                          (cursor ? u"C" : u"");
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = class_style;
    wc.lpfnWndProc = RecordingWindowProc;
    wc.lpszClassName = name.c_str();
    wc.hCursor = cursor;
    if (RegisterClassExW(&wc)) classes_.push_back(name);
    HWND hwnd = CreateWindowExW(ex_style, name.c_str(), u"test", style, rect.left, rect.top,
                                rect.right - rect.left, rect.bottom - rect.top, parent, nullptr,
                                nullptr, nullptr);
    if (hwnd) windows_.push_back(hwnd);
    return hwnd;
  }

  // Dispatches everything the queue holds now (WM_PAINT and timers included).
  void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

  // The messages recorded for a window, in order; only those in `wanted` when given.
  std::vector<UINT> Messages(HWND hwnd, const std::vector<UINT>& wanted = {}) {
    std::vector<UINT> out;
    for (const Seen& seen : SeenMessages()) {
      if (hwnd && seen.hwnd != hwnd) continue;
      bool keep = wanted.empty();
      for (UINT w : wanted) keep = keep || w == seen.message;
      if (keep) out.push_back(seen.message);
    }
    return out;
  }

  const Seen* Last(UINT message) {
    const Seen* found = nullptr;
    for (const Seen& seen : SeenMessages())
      if (seen.message == message) found = &seen;
    return found;
  }

 private:
  std::vector<HWND> windows_;
  std::vector<std::u16string> classes_;
};
