// Position, size, showing, activation and focus, and the screen.
#include "platform/sim/core/SimHost.h"
#include "tests/platform/WindowTestSupport.h"

namespace {

using WindowGeometryTest = WindowTest;

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST_F(WindowGeometryTest, FramesShrinkTheClientAreaAsWindowsDrawsThem) {
  HWND popup = Make(WS_POPUP, RECT{10, 20, 110, 220});
  HWND framed = Make(WS_OVERLAPPEDWINDOW, RECT{0, 0, 400, 300});
  RECT client;
  GetClientRect(popup, &client);
  EXPECT_TRUE(SameRect(client, RECT{0, 0, 100, 200}));
  GetClientRect(framed, &client);
  EXPECT_TRUE(SameRect(client, RECT{0, 0, 400 - 2 * 8, 300 - 2 * 8 - GetSystemMetrics(SM_CYCAPTION)}));
  POINT pt = {0, 0};
  ClientToScreen(framed, &pt);
  EXPECT_EQ(pt.x, 8);
  EXPECT_EQ(pt.y, 8 + GetSystemMetrics(SM_CYCAPTION));
  ScreenToClient(framed, &pt);
  EXPECT_EQ(pt.x, 0);
  HWND child = Make(WS_CHILD, RECT{5, 6, 25, 26}, popup);
  RECT rect;
  GetWindowRect(child, &rect);
  EXPECT_TRUE(SameRect(rect, RECT{15, 26, 35, 46}));  // on the screen
}

TEST_F(WindowGeometryTest, SetWindowPosAnnouncesAndReportsTheChange) {
  HWND hwnd = Make(WS_POPUP, RECT{0, 0, 100, 100});
  SeenMessages().clear();
  EXPECT_TRUE(SetWindowPos(hwnd, nullptr, 30, 40, 200, 150, SWP_NOZORDER | SWP_NOACTIVATE));
  EXPECT_EQ(Messages(hwnd), (std::vector<UINT>{WM_WINDOWPOSCHANGING, WM_NCCALCSIZE,
                                               WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE}));
  const Seen* size = Last(WM_SIZE);
  EXPECT_EQ(LOWORD(size->lparam), 200);
  EXPECT_EQ(HIWORD(size->lparam), 150);
  EXPECT_EQ(size->wparam, static_cast<WPARAM>(SIZE_RESTORED));
  RECT rect;
  GetWindowRect(hwnd, &rect);
  EXPECT_TRUE(SameRect(rect, RECT{30, 40, 230, 190}));

  // Moving only: no size message and the size is kept.
  SeenMessages().clear();
  SetWindowPos(hwnd, nullptr, 1, 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(Messages(hwnd), (std::vector<UINT>{WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED,
                                               WM_MOVE}));
  // The window may change the position on its way.
  Handler() = [](HWND, UINT message, WPARAM, LPARAM lparam) -> std::optional<LRESULT> {
    if (message == WM_WINDOWPOSCHANGING) reinterpret_cast<WINDOWPOS*>(lparam)->x = 77;
    return std::nullopt;
  };
  MoveWindow(hwnd, 5, 5, 50, 50, TRUE);
  GetWindowRect(hwnd, &rect);
  EXPECT_TRUE(SameRect(rect, RECT{77, 5, 127, 55}));
}

TEST_F(WindowGeometryTest, FirstShowingActivatesAndSendsSizeAndMoveOnce) {
  HWND hwnd = Make(WS_POPUP, RECT{0, 0, 100, 100});
  SeenMessages().clear();
  EXPECT_FALSE(ShowWindow(hwnd, SW_SHOW));
  // Nothing of the process was active: the process is told first.
  EXPECT_EQ(Messages(hwnd, {WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_ACTIVATEAPP, WM_NCACTIVATE,
                            WM_ACTIVATE, WM_SETFOCUS, WM_WINDOWPOSCHANGED, WM_SIZE, WM_MOVE}),
            (std::vector<UINT>{WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_ACTIVATEAPP, WM_NCACTIVATE,
                               WM_ACTIVATE, WM_SETFOCUS, WM_WINDOWPOSCHANGED, WM_SIZE, WM_MOVE}));
  EXPECT_TRUE(IsWindowVisible(hwnd));
  EXPECT_EQ(GetActiveWindow(), hwnd);
  EXPECT_EQ(GetFocus(), hwnd);
  EXPECT_EQ(GetForegroundWindow(), hwnd);
  SeenMessages().clear();
  EXPECT_TRUE(ShowWindow(hwnd, SW_SHOW));
  EXPECT_TRUE(Messages(hwnd, {WM_SHOWWINDOW, WM_SIZE, WM_ACTIVATE}).empty());
  EXPECT_TRUE(ShowWindow(hwnd, SW_HIDE));
  EXPECT_FALSE(IsWindowVisible(hwnd));
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(Last(WM_SHOWWINDOW)->wparam, static_cast<WPARAM>(FALSE));
}

TEST_F(WindowGeometryTest, MinimisingAndRestoringKeepsTheNormalPlace) {
  HWND hwnd = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{100, 100, 500, 400});
  Pump();
  SeenMessages().clear();
  ShowWindow(hwnd, SW_MINIMIZE);
  EXPECT_TRUE(IsIconic(hwnd));
  ASSERT_NE(Last(WM_SIZE), nullptr);
  EXPECT_EQ(Last(WM_SIZE)->wparam, static_cast<WPARAM>(SIZE_MINIMIZED));
  EXPECT_NE(GetActiveWindow(), hwnd);
  ShowWindow(hwnd, SW_RESTORE);
  EXPECT_FALSE(IsIconic(hwnd));
  RECT rect;
  GetWindowRect(hwnd, &rect);
  EXPECT_TRUE(SameRect(rect, RECT{100, 100, 500, 400}));
  EXPECT_EQ(Last(WM_SIZE)->wparam, static_cast<WPARAM>(SIZE_RESTORED));
  ShowWindow(hwnd, SW_MAXIMIZE);
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  GetWindowRect(hwnd, &rect);
  EXPECT_TRUE(SameRect(rect, work));
}

TEST_F(WindowGeometryTest, ActivationAndFocusMoveWithTheirMessages) {
  HWND a = Make(WS_POPUP | WS_VISIBLE, RECT{0, 0, 10, 10});
  HWND b = Make(WS_POPUP | WS_VISIBLE, RECT{0, 0, 10, 10});
  HWND edit = Make(WS_CHILD | WS_VISIBLE, RECT{0, 0, 5, 5}, a);
  EXPECT_EQ(GetActiveWindow(), b);
  SeenMessages().clear();
  // Activating its top-level window first gives that window the focus, which
  // the child then takes: the top-level window is the one returned.
  EXPECT_EQ(SetFocus(edit), a);
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_EQ(GetFocus(), edit);
  const Seen* deactivate = nullptr;
  for (const Seen& seen : SeenMessages())
    if (seen.hwnd == b && seen.message == WM_ACTIVATE) deactivate = &seen;
  ASSERT_NE(deactivate, nullptr);
  EXPECT_EQ(deactivate->wparam, static_cast<WPARAM>(WA_INACTIVE));
  EXPECT_EQ(deactivate->lparam, reinterpret_cast<LPARAM>(a));
  EXPECT_EQ(Last(WM_SETFOCUS)->hwnd, edit);

  // A disabled window takes neither focus nor activation.
  SeenMessages().clear();
  EXPECT_FALSE(EnableWindow(edit, FALSE));
  EXPECT_FALSE(IsWindowEnabled(edit));
  EXPECT_EQ(GetFocus(), nullptr);  // it lost the focus it had
  EXPECT_EQ(SetFocus(edit), nullptr);
  EXPECT_EQ(Messages(edit, {WM_ENABLE, WM_KILLFOCUS}).size(), 2u);
  EXPECT_TRUE(EnableWindow(edit, TRUE));
  EXPECT_EQ(SetFocus(nullptr), nullptr);
}

TEST_F(WindowGeometryTest, TheScreenIsAMachineFact) {
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1080);
  RECT work;
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
  EXPECT_TRUE(SameRect(work, RECT{0, 0, 1920, 1040}));
  // The foreground lock time-out: its value travels in the pointer when set.
  DWORD timeout = 1;
  ASSERT_TRUE(SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, 0));
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &timeout, 0));
  EXPECT_EQ(timeout, 0u);
  ASSERT_TRUE(SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0,
                                    reinterpret_cast<PVOID>(uintptr_t{200000}), 0));
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &timeout, 0));
  EXPECT_EQ(timeout, 200000u);
  EXPECT_FALSE(SystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, nullptr, 0));
  HWND hwnd = Make(WS_POPUP, RECT{10, 10, 20, 20});
  HMONITOR monitor = MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST);
  ASSERT_NE(monitor, nullptr);
  MONITORINFO info = {};
  info.cbSize = sizeof(info);
  ASSERT_TRUE(GetMonitorInfoW(monitor, &info));
  EXPECT_TRUE(SameRect(info.rcMonitor, RECT{0, 0, 1920, 1080}));
  EXPECT_TRUE(SameRect(info.rcWork, work));
  EXPECT_EQ(info.dwFlags, static_cast<DWORD>(MONITORINFOF_PRIMARY));
  SetWindowPos(hwnd, nullptr, 5000, 5000, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONULL), nullptr);

  // Another machine with another screen.
  std::string dir = MachineDir();
  RecreateMachine(true);
  ASSERT_TRUE(SimHost::Machine()->SetFact("screen", "1280x720"));
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 720);
}

}  // namespace
