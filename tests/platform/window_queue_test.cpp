// The queue: message order, sent messages within the process, and modal
// loops.
#include <atomic>
#include <thread>

#include "platform/sim/windows/SimWindows.h"
#include "platform/window_geometry.h"
#include "tests/platform/WindowTestSupport.h"

namespace {

using WindowQueueTest = WindowTest;

TEST_F(WindowQueueTest, PostedThenInputThenPaintThenTimer) {
  HWND hwnd = Make(WS_POPUP | WS_VISIBLE, RECT{0, 0, 100, 100});
  Pump();
  SetTimer(hwnd, 1, USER_TIMER_MINIMUM, nullptr);
  Sleep(20);
  InvalidateRect(hwnd, nullptr, FALSE);
  SimInput move;
  move.kind = SimInputKind::kMouseMove;
  move.x = 5;
  move.y = 5;
  SimInjectInput(hwnd, move);
  PostMessageW(hwnd, WM_USER, 0, 0);
  PostQuitMessage(3);
  std::vector<UINT> order;
  MSG msg;
  while (order.size() < 5 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    order.push_back(msg.message);
    if (msg.message == WM_PAINT) ValidateRect(hwnd, nullptr);
  }
  EXPECT_EQ(order, (std::vector<UINT>{WM_USER, WM_MOUSEMOVE, WM_QUIT, WM_PAINT, WM_TIMER}));
  KillTimer(hwnd, 1);
}

TEST_F(WindowQueueTest, SendMessageIsADirectReentrantCall) {
  HWND hwnd = Make(WS_POPUP, RECT{0, 0, 10, 10});
  int depth = 0, deepest = 0;
  Handler() = [&](HWND h, UINT message, WPARAM wparam, LPARAM) -> std::optional<LRESULT> {
    if (message != WM_USER) return std::nullopt;
    ++depth;
    deepest = std::max(deepest, depth);
    LRESULT inner = wparam ? SendMessageW(h, WM_USER, wparam - 1, 0) : 0;
    --depth;
    return inner + 1;
  };
  PostMessageW(hwnd, WM_USER + 50, 0, 0);
  EXPECT_EQ(SendMessageW(hwnd, WM_USER, 3, 0), 4);
  EXPECT_EQ(deepest, 4);
  // Sending skips the queue: the posted message is still there.
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, hwnd, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 50));
  EXPECT_EQ(SendMessageW(nullptr, WM_USER, 0, 0), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(WindowQueueTest, AnotherThreadsSendRunsOnTheOwnersThreadWhileItReadsItsQueue) {
  HWND hwnd = Make(WS_POPUP, RECT{0, 0, 10, 10});
  DWORD owner = GetCurrentThreadId();
  DWORD ran_on = 0;
  Handler() = [&](HWND, UINT message, WPARAM wparam, LPARAM) -> std::optional<LRESULT> {
    if (message != WM_USER + 1) return std::nullopt;
    ran_on = GetCurrentThreadId();
    return static_cast<LRESULT>(wparam * 2);
  };
  std::atomic<LRESULT> answer{0};
  std::thread sender([&] {
    answer = SendMessageW(hwnd, WM_USER + 1, 21, 0);
    PostMessageW(hwnd, WM_NULL, 0, 0);  // wakes the loop below
  });
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0 && msg.message != WM_NULL) DispatchMessageW(&msg);
  sender.join();
  EXPECT_EQ(answer.load(), 42);
  EXPECT_EQ(ran_on, owner);
  EXPECT_FALSE(InSendMessage());
}

TEST_F(WindowQueueTest, AWindowsMessagesAndTimersAreReadByItsOwnThreadOnly) {
  std::atomic<HWND> theirs{nullptr};
  std::atomic<bool> posted{false};
  std::atomic<UINT> got{0};
  std::thread owner([&] {
    HWND hwnd = Make(WS_POPUP, RECT{0, 0, 10, 10});
    SetTimer(hwnd, 1, USER_TIMER_MINIMUM, nullptr);
    theirs = hwnd;
    while (!posted) Sleep(1);
    MSG msg;
    if (GetMessageW(&msg, hwnd, WM_USER, WM_USER) > 0) got = msg.message;
    KillTimer(hwnd, 1);
    DestroyWindow(hwnd);
  });
  while (!theirs) Sleep(1);
  Sleep(20);  // the other thread's timer is due by now
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  PostMessageW(theirs, WM_USER, 0, 0);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
  // Nor may this thread set its timers or destroy it.
  EXPECT_EQ(SetTimer(theirs, 2, 10, nullptr), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(DestroyWindow(theirs));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  posted = true;
  owner.join();
  EXPECT_EQ(got.load(), static_cast<UINT>(WM_USER));
}

TEST_F(WindowQueueTest, ModalLoopEndsOnAPostedEmptyMessage) {
  HWND hwnd = Make(WS_POPUP, RECT{0, 0, 10, 10});
  std::atomic<bool> done{false};
  std::thread worker([&] {
    Sleep(20);
    done = true;
    // Nothing else would wake the loop: an empty message does.
    PostMessageW(hwnd, WM_NULL, 0, 0);
  });
  MSG msg;
  int rounds = 0;
  while (!done && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    ++rounds;
  }
  worker.join();
  EXPECT_TRUE(done);
  EXPECT_EQ(rounds, 1);
  EXPECT_EQ(Messages(hwnd, {WM_NULL}).size(), 1u);
}

TEST_F(WindowQueueTest, MsgWaitWakesForMessagesAndForObjects) {
  HWND hwnd = Make(WS_POPUP, RECT{0, 0, 10, 10});
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(event, nullptr);
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, 0, QS_ALLINPUT), WAIT_TIMEOUT);
  PostMessageW(hwnd, WM_USER, 0, 0);
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT), WAIT_OBJECT_0 + 1);
  // Only the kinds asked for wake it.
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, 0, QS_TIMER), WAIT_TIMEOUT);
  Pump();
  std::thread setter([&] {
    Sleep(10);
    SetEvent(event);
  });
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT), WAIT_OBJECT_0);
  setter.join();
  CloseHandle(event);
}

TEST_F(WindowQueueTest, KeysBecomeCharactersThroughTranslateMessage) {
  HWND hwnd = Make(WS_POPUP | WS_VISIBLE, RECT{0, 0, 100, 100});
  SetFocus(hwnd);
  SimInput key;
  key.kind = SimInputKind::kKeyDown;
  key.key = 'A';
  SimInjectInput(hwnd, key);
  key.kind = SimInputKind::kKeyUp;
  SimInjectInput(hwnd, key);
  SeenMessages().clear();
  Pump();
  EXPECT_EQ(Messages(hwnd, {WM_KEYDOWN, WM_CHAR, WM_KEYUP}),
            (std::vector<UINT>{WM_KEYDOWN, WM_CHAR, WM_KEYUP}));
  const Seen* ch = Last(WM_CHAR);
  ASSERT_NE(ch, nullptr);
  EXPECT_EQ(ch->wparam, static_cast<WPARAM>(u'a'));
  const Seen* up = Last(WM_KEYUP);
  EXPECT_NE(up->lparam & (1u << 31), 0);  // the transition bit of a release
}

}  // namespace
