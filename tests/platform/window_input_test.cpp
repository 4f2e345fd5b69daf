// Mouse input: the message sequence of a click, capture, double clicks,
// leaving a tracked window, cursors and dragging a window by its caption.
#include "platform/sim/windows/SimWindows.h"
#include "tests/platform/WindowTestSupport.h"

namespace {

using WindowInputTest = WindowTest;

void Inject(HWND hwnd, SimInputKind kind, int x, int y, DWORD time = 0) {
  SimInput input;
  input.kind = kind;
  input.x = x;
  input.y = y;
  input.time = time;
  ASSERT_TRUE(SimInjectInput(hwnd, input));
}

int X(LPARAM lparam) { return static_cast<short>(LOWORD(lparam)); }
int Y(LPARAM lparam) { return static_cast<short>(HIWORD(lparam)); }

TEST_F(WindowInputTest, AClickIsHitTestedThenSetsTheCursorThenActivatesThenArrives) {
  HWND other = Make(WS_POPUP | WS_VISIBLE, RECT{0, 0, 10, 10});
  HWND hwnd = Make(WS_POPUP | WS_VISIBLE, RECT{100, 200, 300, 400});
  HWND child = Make(WS_CHILD | WS_VISIBLE, RECT{50, 50, 100, 100}, hwnd);
  SetActiveWindow(other);
  Pump();
  SeenMessages().clear();
  Inject(hwnd, SimInputKind::kLeftDown, 60, 70);
  Pump();
  EXPECT_EQ(Messages(child, {WM_NCHITTEST, WM_SETCURSOR, WM_MOUSEACTIVATE, WM_LBUTTONDOWN}),
            (std::vector<UINT>{WM_NCHITTEST, WM_SETCURSOR, WM_MOUSEACTIVATE, WM_LBUTTONDOWN}));
  const Seen* down = Last(WM_LBUTTONDOWN);
  ASSERT_NE(down, nullptr);
  EXPECT_EQ(X(down->lparam), 10);  // client coordinates of the child
  EXPECT_EQ(Y(down->lparam), 20);
  EXPECT_EQ(down->wparam, static_cast<WPARAM>(MK_LBUTTON));
  const Seen* hit = Last(WM_NCHITTEST);
  EXPECT_EQ(X(hit->lparam), 160);  // screen coordinates
  EXPECT_EQ(Y(hit->lparam), 270);
  const Seen* cursor = Last(WM_SETCURSOR);
  EXPECT_EQ(LOWORD(cursor->lparam), HTCLIENT);
  EXPECT_EQ(HIWORD(cursor->lparam), WM_LBUTTONDOWN);
  EXPECT_EQ(GetActiveWindow(), hwnd);
  POINT pt;
  GetCursorPos(&pt);
  EXPECT_EQ(pt.x, 160);
  Inject(hwnd, SimInputKind::kLeftUp, 60, 70);
  Pump();
}

TEST_F(WindowInputTest, CaptureTakesTheMouseEverywhereWithoutHitTests) {
  HWND hwnd = Make(WS_POPUP | WS_VISIBLE, RECT{100, 100, 200, 200});
  HWND other = Make(WS_POPUP | WS_VISIBLE, RECT{300, 300, 400, 400});
  Pump();
  EXPECT_EQ(SetCapture(hwnd), nullptr);
  EXPECT_EQ(GetCapture(), hwnd);
  SeenMessages().clear();
  Inject(other, SimInputKind::kMouseMove, 10, 10);  // over the other window
  Pump();
  EXPECT_TRUE(Messages(other).empty());
  EXPECT_EQ(Messages(hwnd), (std::vector<UINT>{WM_MOUSEMOVE}));
  const Seen* move = Last(WM_MOUSEMOVE);
  EXPECT_EQ(X(move->lparam), 210);  // relative to the capturing window's client area
  EXPECT_EQ(Y(move->lparam), 210);

  // Taking the capture away tells the loser who took it.
  SeenMessages().clear();
  EXPECT_EQ(SetCapture(other), hwnd);
  ASSERT_NE(Last(WM_CAPTURECHANGED), nullptr);
  EXPECT_EQ(Last(WM_CAPTURECHANGED)->hwnd, hwnd);
  EXPECT_EQ(Last(WM_CAPTURECHANGED)->lparam, reinterpret_cast<LPARAM>(other));
  SeenMessages().clear();
  EXPECT_TRUE(ReleaseCapture());
  EXPECT_EQ(Messages(other), (std::vector<UINT>{WM_CAPTURECHANGED}));
  EXPECT_EQ(GetCapture(), nullptr);
  // A window that is destroyed loses the capture too.
  SetCapture(hwnd);
  DestroyWindow(hwnd);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(WindowInputTest, DoubleClicksNeedTheClassStyleTimeAndPlace) {
  HWND plain = Make(WS_POPUP | WS_VISIBLE, RECT{0, 0, 100, 100});
  HWND dbl = Make(WS_POPUP | WS_VISIBLE, RECT{200, 0, 300, 100}, nullptr, CS_DBLCLKS);
  Pump();
  auto click = [&](HWND h, int x, DWORD time) {
    Inject(h, SimInputKind::kLeftDown, x, 10, time);
    Inject(h, SimInputKind::kLeftUp, x, 10, time + 1);
  };
  SeenMessages().clear();
  click(plain, 10, 1000);
  click(plain, 10, 1100);
  Pump();
  EXPECT_EQ(Messages(plain, {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}),
            (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONDOWN}));
  SeenMessages().clear();
  click(dbl, 10, 2000);
  click(dbl, 10, 2100);               // in time: a double click
  click(dbl, 10, 2200);               // a third press starts over
  click(dbl, 10, 2200 + 600);         // too late
  click(dbl, 20, 2200 + 700);         // too far
  Pump();
  EXPECT_EQ(Messages(dbl, {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}),
            (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_LBUTTONDOWN, WM_LBUTTONDOWN,
                               WM_LBUTTONDOWN}));
}

TEST_F(WindowInputTest, ATrackedWindowIsToldOnceWhenTheMouseLeaves) {
  HWND a = Make(WS_POPUP | WS_VISIBLE, RECT{0, 0, 100, 100});
  HWND b = Make(WS_POPUP | WS_VISIBLE, RECT{200, 0, 300, 100});
  Inject(a, SimInputKind::kMouseMove, 5, 5);
  Pump();
  TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, a, HOVER_DEFAULT};
  EXPECT_TRUE(TrackMouseEvent(&track));
  SeenMessages().clear();
  Inject(a, SimInputKind::kMouseMove, 6, 6);
  Inject(b, SimInputKind::kMouseMove, 5, 5);
  Inject(b, SimInputKind::kMouseMove, 6, 6);
  Pump();
  EXPECT_EQ(Messages(a, {WM_MOUSEMOVE, WM_MOUSELEAVE}),
            (std::vector<UINT>{WM_MOUSEMOVE, WM_MOUSELEAVE}));
  // Asked to track a window the mouse is not over: it has left already.
  SeenMessages().clear();
  track.hwndTrack = a;
  TrackMouseEvent(&track);
  Pump();
  EXPECT_EQ(Messages(a), (std::vector<UINT>{WM_MOUSELEAVE}));
}

TEST_F(WindowInputTest, TheClassCursorIsSetForTheClientArea) {
  HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
  ASSERT_NE(hand, nullptr);
  EXPECT_EQ(LoadCursorW(nullptr, IDC_HAND), hand);
  EXPECT_NE(LoadCursorW(nullptr, IDC_ARROW), hand);
  EXPECT_EQ(LoadCursorW(nullptr, MAKEINTRESOURCEW(1)), nullptr);
  HWND hwnd = Make(WS_POPUP | WS_VISIBLE, RECT{0, 0, 100, 100}, nullptr, 0, 0, hand);
  SetCursor(nullptr);
  Inject(hwnd, SimInputKind::kMouseMove, 50, 50);
  Pump();
  EXPECT_EQ(GetCursor(), hand);
}

TEST_F(WindowInputTest, DraggingTheCaptionMovesTheWindow) {
  HWND hwnd = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{100, 100, 500, 400});
  Pump();
  SeenMessages().clear();
  Inject(hwnd, SimInputKind::kLeftDown, 100, 15);  // on the caption
  Inject(hwnd, SimInputKind::kMouseMove, 130, 25);
  Inject(hwnd, SimInputKind::kMouseMove, 150, 35);
  Inject(hwnd, SimInputKind::kLeftUp, 150, 35);
  Pump();
  ASSERT_NE(Last(WM_NCLBUTTONDOWN), nullptr);
  EXPECT_EQ(Last(WM_NCLBUTTONDOWN)->wparam, static_cast<WPARAM>(HTCAPTION));
  ASSERT_NE(Last(WM_SYSCOMMAND), nullptr);
  EXPECT_EQ(Last(WM_SYSCOMMAND)->wparam & 0xFFF0, static_cast<WPARAM>(SC_MOVE));
  EXPECT_EQ(Messages(hwnd, {WM_ENTERSIZEMOVE, WM_EXITSIZEMOVE}),
            (std::vector<UINT>{WM_ENTERSIZEMOVE, WM_EXITSIZEMOVE}));
  RECT rect;
  GetWindowRect(hwnd, &rect);
  EXPECT_EQ(rect.left, 150);
  EXPECT_EQ(rect.top, 120);
  EXPECT_EQ(rect.right - rect.left, 400);
  EXPECT_EQ(Messages(hwnd, {WM_MOVE}).size(), 2u);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(WindowInputTest, ASkinnedWindowStartsTheSystemMoveAndResizeItself) {
  // A popup without a frame, as a skinned dialog is: it asks for the move
  // from its own button handler, and for the resize as a press on a border.
  HWND hwnd = Make(WS_POPUP | WS_VISIBLE, RECT{100, 100, 400, 300});
  Pump();
  bool resize = false;
  Handler() = [&](HWND h, UINT message, WPARAM, LPARAM lparam) -> std::optional<LRESULT> {
    if (message != WM_LBUTTONDOWN) return std::nullopt;
    POINT pt = {X(lparam), Y(lparam)};
    ClientToScreen(h, &pt);
    if (resize)
      SendMessageW(h, WM_NCLBUTTONDOWN, HTBOTTOMRIGHT, MAKELPARAM(pt.x, pt.y));
    else
      SendMessageW(h, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
    return 0;
  };
  Inject(hwnd, SimInputKind::kLeftDown, 10, 10);
  Inject(hwnd, SimInputKind::kMouseMove, 30, 40);
  Inject(hwnd, SimInputKind::kLeftUp, 30, 40);
  Pump();
  RECT rect;
  GetWindowRect(hwnd, &rect);
  EXPECT_EQ(rect.left, 120);
  EXPECT_EQ(rect.top, 130);
  EXPECT_EQ(rect.right - rect.left, 300);

  resize = true;
  SeenMessages().clear();
  Inject(hwnd, SimInputKind::kLeftDown, 290, 190);
  Inject(hwnd, SimInputKind::kMouseMove, 340, 240);
  Inject(hwnd, SimInputKind::kLeftUp, 340, 240);
  Pump();
  GetWindowRect(hwnd, &rect);
  EXPECT_EQ(rect.left, 120);
  EXPECT_EQ(rect.right - rect.left, 350);
  EXPECT_EQ(rect.bottom - rect.top, 250);
  ASSERT_NE(Last(WM_SIZING), nullptr);
  EXPECT_EQ(Last(WM_SIZING)->wparam, static_cast<WPARAM>(WMSZ_BOTTOMRIGHT));
  ASSERT_NE(Last(WM_SIZE), nullptr);
  EXPECT_EQ(LOWORD(Last(WM_SIZE)->lparam), 350);
}

TEST_F(WindowInputTest, AShapedWindowIsOnlyWhereItsRegionIs) {
  HWND hwnd = Make(WS_POPUP | WS_VISIBLE, RECT{100, 100, 200, 200});
  Pump();
  EXPECT_EQ(WindowFromPoint(POINT{195, 195}), hwnd);
  // The region is in window coordinates; the system owns it afterwards.
  HRGN shape = CreateRectRgn(0, 0, 50, 50);
  EXPECT_NE(SetWindowRgn(hwnd, shape, TRUE), 0);
  EXPECT_FALSE(DeleteObject(shape));
  EXPECT_EQ(WindowFromPoint(POINT{195, 195}), nullptr);
  EXPECT_EQ(WindowFromPoint(POINT{110, 110}), hwnd);
  SeenMessages().clear();
  Inject(hwnd, SimInputKind::kLeftDown, 90, 90);  // outside the shape
  Inject(hwnd, SimInputKind::kLeftUp, 90, 90);
  Pump();
  EXPECT_TRUE(Messages(hwnd, {WM_NCHITTEST, WM_LBUTTONDOWN, WM_LBUTTONUP}).empty());
  HRGN copy = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(hwnd, copy), SIMPLEREGION);
  RECT box;
  GetRgnBox(copy, &box);
  EXPECT_EQ(box.right, 50);
  DeleteObject(copy);
}

TEST_F(WindowInputTest, TheRightButtonOnTheCaptionIsNonClientInput) {
  HWND hwnd = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{0, 0, 300, 200});
  Pump();
  SeenMessages().clear();
  Inject(hwnd, SimInputKind::kRightDown, 150, 12);
  Inject(hwnd, SimInputKind::kRightUp, 150, 12);
  Inject(hwnd, SimInputKind::kRightDown, 150, 100);
  Inject(hwnd, SimInputKind::kRightUp, 150, 100);
  Pump();
  EXPECT_EQ(Messages(hwnd, {WM_NCRBUTTONDOWN, WM_NCRBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP}),
            (std::vector<UINT>{WM_NCRBUTTONDOWN, WM_NCRBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP}));
  const Seen* nc = nullptr;
  for (const Seen& seen : SeenMessages())
    if (seen.message == WM_NCRBUTTONDOWN) nc = &seen;
  ASSERT_NE(nc, nullptr);
  EXPECT_EQ(nc->wparam, static_cast<WPARAM>(HTCAPTION));
  EXPECT_EQ(X(nc->lparam), 150);  // screen coordinates
}

TEST_F(WindowInputTest, AltF4ClosesTheWindow) {
  HWND hwnd = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{0, 0, 300, 200});
  Pump();
  SimInput key;
  key.kind = SimInputKind::kKeyDown;
  key.key = VK_MENU;
  SimInjectInput(hwnd, key);
  key.key = VK_F4;
  SimInjectInput(hwnd, key);
  key.kind = SimInputKind::kKeyUp;
  SimInjectInput(hwnd, key);
  key.key = VK_MENU;
  SimInjectInput(hwnd, key);
  Pump();
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(Messages(hwnd, {WM_SYSKEYDOWN, WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}),
            (std::vector<UINT>{WM_SYSKEYDOWN, WM_SYSKEYDOWN, WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}));
  EXPECT_EQ(GetKeyState(VK_MENU) & 0x8000, 0);
}

}  // namespace
