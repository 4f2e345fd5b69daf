// The window surface and the frames the presenter keeps: what is painted is
// what another process finds, for as long as the window can be seen.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/canvas.h"
#include "platform/sim/display/SimPresent.h"
#include "platform/window_surface.h"
#include "tests/platform/WindowTestSupport.h"

namespace {

class PresentFramesTest : public WindowTest {
 protected:
  static void Fill(ZCanvas* canvas, int width, int height, ZColor color) {
    ASSERT_TRUE(canvas->Create(width, height));
    canvas->Clear(color);
  }
  static bool Frame(SimFrame* out, const std::u16string& title = u"test") {
    return SimFindFrame(&title, nullptr, out);
  }
};

TEST_F(PresentFramesTest, PaintedCanvasIsTheFrameOfTheClientArea) {
  HWND hwnd = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{10, 10, 110, 90});
  ASSERT_NE(hwnd, nullptr);
  RECT client;
  GetClientRect(hwnd, &client);
  SimFrame frame;
  EXPECT_FALSE(Frame(&frame)) << "nothing presented yet";

  ZCanvas red, half_blue;
  Fill(&red, client.right, client.bottom, ZColor{255, 0, 0, 255});
  Fill(&half_blue, 4, 4, ZColor{0, 0, 255, 128});
  ASSERT_TRUE(PresentCanvas(hwnd, red, 0, 0));
  // Blended over what is there, and cut at the client area's edge.
  ASSERT_TRUE(PresentCanvas(hwnd, half_blue, client.right - 2, 1));
  ASSERT_TRUE(Frame(&frame));
  EXPECT_EQ(frame.window, hwnd);
  EXPECT_EQ(frame.class_name, u"TestWindowA");
  EXPECT_EQ(frame.width, client.right);
  EXPECT_EQ(frame.height, client.bottom);
  // The frame sits where the client area lies in the window (below its caption).
  POINT origin = {0, 0};
  ClientToScreen(hwnd, &origin);
  RECT outer;
  GetWindowRect(hwnd, &outer);
  EXPECT_EQ(frame.origin_x, origin.x - outer.left);
  EXPECT_EQ(frame.origin_y, origin.y - outer.top);
  EXPECT_GT(frame.origin_y, 0);
  auto at = [&](int x, int y) { return frame.pixels[static_cast<size_t>(y) * frame.width + x]; };
  EXPECT_EQ(at(0, 0), 0xFFFF0000u);
  EXPECT_EQ(at(client.right - 1, 0), 0xFFFF0000u);
  EXPECT_EQ(at(client.right - 1, 1), 0xFF7F0080u);  // 128 blue over red
  EXPECT_EQ(at(client.right - 3, 1), 0xFFFF0000u);
}

TEST_F(PresentFramesTest, FrameGoesWithVisibilityAndWithTheWindow) {
  HWND hwnd = Make(WS_POPUP | WS_VISIBLE, RECT{0, 0, 20, 10});
  ZCanvas canvas;
  Fill(&canvas, 20, 10, ZColor{0, 128, 0, 255});
  ASSERT_TRUE(PresentCanvas(hwnd, canvas, 0, 0));
  SimFrame frame;
  ASSERT_TRUE(Frame(&frame));
  ShowWindow(hwnd, SW_HIDE);
  EXPECT_FALSE(Frame(&frame)) << "a hidden window shows nothing";
  ShowWindow(hwnd, SW_SHOW);
  EXPECT_TRUE(Frame(&frame));
  // Found by its current title only.
  SetWindowTextW(hwnd, u"renamed");
  EXPECT_FALSE(Frame(&frame));
  EXPECT_TRUE(Frame(&frame, u"renamed"));
  DestroyWindow(hwnd);
  EXPECT_FALSE(SimFindFrame(nullptr, nullptr, &frame));
  EXPECT_FALSE(PresentCanvas(hwnd, canvas, 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(PresentFramesTest, LayeredWindowShowsItsPixelsTimesItsAlpha) {
  HWND hwnd = Make(WS_POPUP | WS_VISIBLE, RECT{0, 0, 2, 2}, nullptr, 0, WS_EX_LAYERED);
  ZCanvas canvas;
  Fill(&canvas, 6, 3, ZColor{255, 255, 255, 255});
  ASSERT_TRUE(PresentLayeredCanvas(hwnd, canvas, 51));
  RECT rect;
  GetWindowRect(hwnd, &rect);
  EXPECT_EQ(rect.right - rect.left, 6) << "the window takes the canvas's size";
  SimFrame frame;
  ASSERT_TRUE(Frame(&frame));
  EXPECT_EQ(frame.width, 6);
  EXPECT_EQ(frame.origin_x, 0);
  EXPECT_EQ(frame.pixels.front(), 0x33333333u);
  EXPECT_FALSE(PresentLayeredCanvas(Make(WS_POPUP | WS_VISIBLE, RECT{0, 0, 2, 2}), canvas, 255))
      << "only a layered window takes whole content";
}

TEST_F(PresentFramesTest, ChildrenAndEmptyCanvasesMakeNoFrames) {
  HWND top = Make(WS_POPUP | WS_VISIBLE, RECT{0, 0, 20, 20});
  HWND child = Make(WS_CHILD | WS_VISIBLE, RECT{0, 0, 10, 10}, top);
  ZCanvas canvas, empty;
  Fill(&canvas, 10, 10, ZColor{1, 2, 3, 255});
  EXPECT_TRUE(PresentCanvas(child, canvas, 0, 0));
  SimFrame frame;
  EXPECT_FALSE(SimFindFrame(nullptr, nullptr, &frame));
  EXPECT_FALSE(PresentCanvas(top, empty, 0, 0));
}

// Frames are rewritten in place: a reader must get one whole frame or the
// next, never the top of one and the bottom of another.
TEST_F(PresentFramesTest, ReaderNeverSeesHalfAFrame) {
  HWND hwnd = Make(WS_POPUP | WS_VISIBLE, RECT{0, 0, 200, 150});
  ZCanvas red, blue;
  Fill(&red, 200, 150, ZColor{255, 0, 0, 255});
  Fill(&blue, 200, 150, ZColor{0, 0, 255, 255});
  ASSERT_TRUE(PresentCanvas(hwnd, red, 0, 0));
  std::atomic<bool> done{false};
  std::thread painter([&] {
    for (int i = 0; i < 400; ++i) PresentCanvas(hwnd, i % 2 ? red : blue, 0, 0);
    done = true;
  });
  int reads = 0, mixed = 0;
  while (!done || reads < 50) {
    SimFrame frame;
    if (!Frame(&frame)) continue;
    ++reads;
    uint32_t first = frame.pixels.front();
    for (uint32_t pixel : frame.pixels)
      if (pixel != first) {
        ++mixed;
        break;
      }
  }
  painter.join();
  EXPECT_EQ(mixed, 0) << "of " << reads << " reads";
}

}  // namespace
