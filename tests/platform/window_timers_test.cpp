// Timers: when WM_TIMER comes, how many, and to whom.
#include <chrono>

#include "tests/platform/WindowTestSupport.h"

namespace {

using WindowTimersTest = WindowTest;

uint64_t Ms() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

// Waits for the next message (GetMessageW) and returns it.
MSG Next() {
  MSG msg = {};
  GetMessageW(&msg, nullptr, 0, 0);
  return msg;
}

TEST_F(WindowTimersTest, ATimerFiresNoEarlierThanItsPeriodAndKeepsFiring) {
  HWND hwnd = Make(WS_POPUP, RECT{0, 0, 10, 10});
  uint64_t start = Ms();
  ASSERT_EQ(SetTimer(hwnd, 7, 40, nullptr), 7u);
  MSG first = Next();
  uint64_t first_at = Ms();
  EXPECT_EQ(first.message, static_cast<UINT>(WM_TIMER));
  EXPECT_EQ(first.hwnd, hwnd);
  EXPECT_EQ(first.wParam, 7u);
  EXPECT_GE(first_at - start, 40u);
  MSG second = Next();
  EXPECT_EQ(second.message, static_cast<UINT>(WM_TIMER));
  EXPECT_GE(Ms() - first_at, 40u);
  EXPECT_TRUE(KillTimer(hwnd, 7));
  EXPECT_FALSE(KillTimer(hwnd, 7));
}

TEST_F(WindowTimersTest, AnElapsedTimerHasOneMessagePendingAndComesAfterPostedOnes) {
  HWND hwnd = Make(WS_POPUP, RECT{0, 0, 10, 10});
  SetTimer(hwnd, 1, USER_TIMER_MINIMUM, nullptr);
  SetTimer(hwnd, 2, USER_TIMER_MINIMUM, nullptr);
  Sleep(100);  // many periods pass with nobody reading the queue
  PostMessageW(hwnd, WM_USER, 0, 0);
  std::vector<std::pair<UINT, WPARAM>> got;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    got.push_back({msg.message, msg.wParam});
    if (got.size() > 10) break;
  }
  // The posted message first, then one WM_TIMER per timer, and nothing more
  // until a period has passed again.
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].first, static_cast<UINT>(WM_USER));
  EXPECT_EQ(got[1].first, static_cast<UINT>(WM_TIMER));
  EXPECT_EQ(got[2].first, static_cast<UINT>(WM_TIMER));
  EXPECT_NE(got[1].second, got[2].second);
  KillTimer(hwnd, 1);
  KillTimer(hwnd, 2);
}

TEST_F(WindowTimersTest, NoRemovePeekLeavesTheTimerDueAndKillTimerTakesItAway) {
  HWND hwnd = Make(WS_POPUP, RECT{0, 0, 10, 10});
  SetTimer(hwnd, 3, 1, nullptr);  // clamped to USER_TIMER_MINIMUM
  Sleep(30);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, hwnd, WM_TIMER, WM_TIMER, PM_NOREMOVE));
  ASSERT_TRUE(PeekMessageW(&msg, hwnd, WM_TIMER, WM_TIMER, PM_NOREMOVE));
  EXPECT_TRUE(KillTimer(hwnd, 3));
  EXPECT_FALSE(PeekMessageW(&msg, hwnd, WM_TIMER, WM_TIMER, PM_REMOVE));
}

TEST_F(WindowTimersTest, ShortestTimerComesFirstAndProcsAreCalledByDispatch) {
  static std::vector<UINT_PTR> fired;
  fired.clear();
  TIMERPROC proc = [](HWND, UINT message, UINT_PTR id, DWORD) {
    if (message == WM_TIMER) fired.push_back(id);
  };
  // A thread timer: the id is chosen by the system.
  UINT_PTR slow = SetTimer(nullptr, 0, 60, proc);
  UINT_PTR fast = SetTimer(nullptr, 0, 20, proc);
  ASSERT_NE(slow, 0u);
  ASSERT_NE(fast, 0u);
  EXPECT_NE(slow, fast);
  while (fired.size() < 2) {
    MSG msg = Next();
    EXPECT_EQ(msg.hwnd, nullptr);
    DispatchMessageW(&msg);
  }
  EXPECT_EQ(fired[0], fast);
  KillTimer(nullptr, slow);
  KillTimer(nullptr, fast);
  // A WM_TIMER that names a procedure nobody gave SetTimer is not called.
  MSG forged = {};
  forged.message = WM_TIMER;
  forged.lParam = reinterpret_cast<LPARAM>(+[](HWND, UINT, UINT_PTR, DWORD) { std::abort(); });
  DispatchMessageW(&forged);
}

TEST_F(WindowTimersTest, TimersDieWithTheirWindowAndNeedAValidOne) {
  HWND hwnd = Make(WS_POPUP, RECT{0, 0, 10, 10});
  SetTimer(hwnd, 1, 10, nullptr);
  DestroyWindow(hwnd);
  Sleep(30);
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  EXPECT_EQ(SetTimer(hwnd, 1, 10, nullptr), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

}  // namespace
