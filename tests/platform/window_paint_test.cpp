// Update regions, WM_PAINT, regions and layered windows.
#include "platform/sim/windows/SimWindows.h"
#include "tests/platform/WindowTestSupport.h"
#include "tests/support/RoundRectAnswers.h"

namespace {

using WindowPaintTest = WindowTest;

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Reads the queue until it is empty, painting as a window would; returns the
// rcPaint of each WM_PAINT.
std::vector<RECT> PaintAll(HWND hwnd) {
  std::vector<RECT> painted;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_PAINT && msg.hwnd == hwnd) {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      painted.push_back(ps.rcPaint);
      EndPaint(hwnd, &ps);
    } else {
      DispatchMessageW(&msg);
    }
    if (painted.size() > 5) break;
  }
  return painted;
}

TEST_F(WindowPaintTest, TwoInvalidationsMakeOnePaintOfTheirUnion) {
  HWND hwnd = Make(WS_POPUP | WS_VISIBLE, RECT{0, 0, 200, 100});
  PaintAll(hwnd);
  RECT first = {10, 10, 20, 20};
  InvalidateRect(hwnd, &first, FALSE);
  RECT second = {50, 30, 60, 90};
  InvalidateRect(hwnd, &second, FALSE);
  RECT update;
  EXPECT_TRUE(GetUpdateRect(hwnd, &update, FALSE));
  EXPECT_TRUE(SameRect(update, RECT{10, 10, 60, 90}));
  auto painted = PaintAll(hwnd);
  ASSERT_EQ(painted.size(), 1u);
  EXPECT_TRUE(SameRect(painted[0], RECT{10, 10, 60, 90}));
  EXPECT_FALSE(GetUpdateRect(hwnd, &update, FALSE));
}

TEST_F(WindowPaintTest, ValidatedAreasAreNotPaintedAndUnpaintedOnesRepeat) {
  HWND hwnd = Make(WS_POPUP | WS_VISIBLE, RECT{0, 0, 200, 100});
  PaintAll(hwnd);
  InvalidateRect(hwnd, nullptr, FALSE);
  ValidateRect(hwnd, nullptr);
  EXPECT_TRUE(PaintAll(hwnd).empty());

  // Validating part of the area leaves the rest.
  RECT left = {0, 0, 100, 100};
  InvalidateRect(hwnd, nullptr, FALSE);
  ValidateRect(hwnd, &left);
  auto painted = PaintAll(hwnd);
  ASSERT_EQ(painted.size(), 1u);
  EXPECT_TRUE(SameRect(painted[0], RECT{100, 0, 200, 100}));

  // A window that ignores WM_PAINT is asked again, as on Windows.
  Handler() = [](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (message == WM_PAINT) return 0;
    return std::nullopt;
  };
  InvalidateRect(hwnd, nullptr, FALSE);
  MSG msg;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(PeekMessageW(&msg, hwnd, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
    DispatchMessageW(&msg);
  }
  Handler() = nullptr;
  Pump();  // DefWindowProcW validates
  EXPECT_FALSE(PeekMessageW(&msg, hwnd, WM_PAINT, WM_PAINT, PM_NOREMOVE));
}

TEST_F(WindowPaintTest, EraseIsAskedOnceAndHiddenWindowsAreNotPainted) {
  HWND hwnd = Make(WS_POPUP | WS_VISIBLE, RECT{0, 0, 50, 50});
  PaintAll(hwnd);
  SeenMessages().clear();
  InvalidateRect(hwnd, nullptr, TRUE);
  PAINTSTRUCT ps;
  BeginPaint(hwnd, &ps);
  EndPaint(hwnd, &ps);
  EXPECT_TRUE(ps.fErase);  // nobody erased: DefWindowProcW has no brush
  EXPECT_EQ(Messages(hwnd, {WM_ERASEBKGND}).size(), 1u);

  ShowWindow(hwnd, SW_HIDE);
  InvalidateRect(hwnd, nullptr, FALSE);
  EXPECT_TRUE(PaintAll(hwnd).empty());
  // Showing it paints all of it.
  ShowWindow(hwnd, SW_SHOWNA);
  auto painted = PaintAll(hwnd);
  ASSERT_EQ(painted.size(), 1u);
  EXPECT_TRUE(SameRect(painted[0], RECT{0, 0, 50, 50}));
}

TEST_F(WindowPaintTest, UpdateWindowPaintsAtOncePastTheQueue) {
  HWND hwnd = Make(WS_POPUP | WS_VISIBLE, RECT{0, 0, 50, 50});
  PaintAll(hwnd);
  PostMessageW(hwnd, WM_USER, 0, 0);
  InvalidateRect(hwnd, nullptr, FALSE);
  SeenMessages().clear();
  UpdateWindow(hwnd);
  EXPECT_EQ(Messages(hwnd, {WM_PAINT, WM_USER}), (std::vector<UINT>{WM_PAINT}));
  UpdateWindow(hwnd);  // nothing left to paint
  EXPECT_EQ(Messages(hwnd, {WM_PAINT}).size(), 1u);
}

TEST_F(WindowPaintTest, RegionsCombineAsRectangleSets) {
  HRGN a = CreateRectRgn(0, 0, 10, 10);
  HRGN b = CreateRectRgn(5, 5, 15, 15);
  HRGN out = CreateRectRgn(0, 0, 0, 0);
  RECT box;
  EXPECT_EQ(CombineRgn(out, a, b, RGN_OR), COMPLEXREGION);
  EXPECT_EQ(GetRgnBox(out, &box), COMPLEXREGION);
  EXPECT_TRUE(SameRect(box, RECT{0, 0, 15, 15}));
  EXPECT_FALSE(PtInRegion(out, 12, 2));
  EXPECT_EQ(CombineRgn(out, a, b, RGN_AND), SIMPLEREGION);
  GetRgnBox(out, &box);
  EXPECT_TRUE(SameRect(box, RECT{5, 5, 10, 10}));
  EXPECT_EQ(CombineRgn(out, a, a, RGN_DIFF), NULLREGION);
  EXPECT_EQ(CombineRgn(out, a, b, RGN_XOR), COMPLEXREGION);
  EXPECT_FALSE(PtInRegion(out, 7, 7));
  EXPECT_TRUE(PtInRegion(out, 12, 12));
  EXPECT_TRUE(DeleteObject(a));
  EXPECT_FALSE(DeleteObject(a));
  EXPECT_EQ(CombineRgn(out, a, b, RGN_OR), RGN_ERROR);
  DeleteObject(b);
  DeleteObject(out);
}

TEST_F(WindowPaintTest, RoundRectRegionsCutTheirCornersAsGdiDoes) {
  for (const RoundRectAnswer& answer : kRoundRectAnswers) {
    SCOPED_TRACE(answer.ellipse);
    HRGN region = CreateRoundRectRgn(0, 0, kRoundRectBox, kRoundRectBox, answer.ellipse,
                                     answer.ellipse);
    auto inside = [&](int x, int y) { return PtInRegion(region, x, y) != FALSE; };
    RECT box;
    GetRgnBox(region, &box);
    EXPECT_EQ(box.right, kRoundRectCovered);
    EXPECT_EQ(box.bottom, kRoundRectCovered);
    for (int row = 0; row < 5; ++row) {
      EXPECT_EQ(RoundRectRowStart(inside, row), answer.insets[row]) << "row " << row;
      EXPECT_EQ(RoundRectRowStart(inside, kRoundRectCovered - 1 - row), answer.insets[row]);
      // Symmetric: the last pixel kept is as far from the right edge.
      EXPECT_TRUE(inside(kRoundRectCovered - 1 - answer.insets[row], row));
      EXPECT_FALSE(inside(kRoundRectCovered - answer.insets[row], row));
    }
    DeleteObject(region);
  }
  // Hostile sizes: reversed corners, huge and negative ellipses stay inside the box.
  HRGN region = CreateRoundRectRgn(20, 20, 0, 0, -0x7fffffff, 0x7fffffff);
  RECT box;
  EXPECT_NE(GetRgnBox(region, &box), RGN_ERROR);
  EXPECT_GE(box.left, 0);
  EXPECT_LE(box.right, 19);
  DeleteObject(region);
}

TEST_F(WindowPaintTest, TheDesktopWindowIsTheScreen) {
  HWND desktop = GetDesktopWindow();
  ASSERT_NE(desktop, nullptr);
  EXPECT_TRUE(IsWindow(desktop));
  EXPECT_TRUE(IsWindowEnabled(desktop));
  RECT rect;
  ASSERT_TRUE(GetWindowRect(desktop, &rect));
  EXPECT_EQ(rect.left, 0);
  EXPECT_GT(rect.right, 0);
  HWND window = Make(WS_POPUP, RECT{0, 0, 10, 10});
  ASSERT_NE(window, nullptr);
  EXPECT_NE(window, desktop);
  EXPECT_EQ(GetParent(window), nullptr);
}

TEST_F(WindowPaintTest, InvalidateRgnAddsOnlyTheRegion) {
  HWND hwnd = Make(WS_POPUP | WS_VISIBLE, RECT{0, 0, 100, 100});
  PaintAll(hwnd);
  HRGN region = CreateRectRgn(-10, 90, 30, 200);  // clipped to the client area
  InvalidateRgn(hwnd, region, FALSE);
  DeleteObject(region);
  auto painted = PaintAll(hwnd);
  ASSERT_EQ(painted.size(), 1u);
  EXPECT_TRUE(SameRect(painted[0], RECT{0, 90, 30, 100}));
}

struct HookLog {
  std::vector<HWND> changed;
};

TEST_F(WindowPaintTest, LayeredWindowsKeepTheirPixelsAndTellThePresenter) {
  HWND hwnd = Make(WS_POPUP | WS_VISIBLE, RECT{0, 0, 2, 2}, nullptr, 0, WS_EX_LAYERED);
  ASSERT_NE(hwnd, nullptr);
  HookLog log;
  SimSetContentHook([](HWND h, void* context) { static_cast<HookLog*>(context)->changed.push_back(h); },
                    &log);
  HDC memory = CreateCompatibleDC(nullptr);
  const uint32_t pixels[] = {1, 2, 3, 4, 5, 6};  // 3 x 2
  ASSERT_TRUE(SimSetDcPixels(memory, 3, 2, pixels));
  POINT at = {40, 50};
  SIZE size = {2, 2};
  POINT from = {1, 0};
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 200, AC_SRC_ALPHA};
  EXPECT_TRUE(UpdateLayeredWindow(hwnd, nullptr, &at, &size, memory, &from, 0, &blend, ULW_ALPHA));
  SimWindowPixels content;
  ASSERT_TRUE(SimGetLayeredPixels(hwnd, &content));
  EXPECT_EQ(content.width, 2);
  EXPECT_EQ(content.pixels, (std::vector<uint32_t>{2, 3, 5, 6}));
  EXPECT_EQ(content.alpha, 200);
  RECT rect;
  GetWindowRect(hwnd, &rect);
  EXPECT_TRUE(SameRect(rect, RECT{40, 50, 42, 52}));
  EXPECT_FALSE(log.changed.empty());
  EXPECT_EQ(log.changed.back(), hwnd);
  // A source smaller than the window is refused.
  SIZE too_big = {3, 3};
  EXPECT_FALSE(UpdateLayeredWindow(hwnd, nullptr, nullptr, &too_big, memory, nullptr, 0, &blend,
                                   ULW_ALPHA));
  SimSetContentHook(nullptr, nullptr);
  DeleteDC(memory);
  // Only layered windows take pixels.
  HWND plain = Make(WS_POPUP, RECT{0, 0, 2, 2});
  EXPECT_FALSE(UpdateLayeredWindow(plain, nullptr, nullptr, &size, nullptr, nullptr, 0, &blend,
                                   ULW_ALPHA));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
