// The simulated display: what a person would see of a machine's windows.
// Each visible top-level window's last presented frame is kept in the
// machine's run/frames/ folder (screenshots read it from any process); with
// DISPLAY set it is also shown in a real X window whose input comes back as
// the window's own mouse, key and close input.
#pragma once

#include <cstdint>
#include <string>

#include "platform/sim/windows/SimWindows.h"

namespace simdisplay {

// Called by the window machinery (with its lock released) when a window's
// content, position or visibility changed, and when it is destroyed.
void WindowChanged(HWND window);
void WindowGone(HWND window);

}  // namespace simdisplay

// A live window's last presented frame, as another process reads it.
struct SimFrame {
  HWND window = nullptr;
  std::u16string title;       // the window's current title and class
  std::u16string class_name;
  int origin_x = 0;  // where the frame's top-left lies in the window
  int origin_y = 0;
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // premultiplied BGRA, rows top down
};

// The frame of a live window of this machine whose title (or class) is the
// given one (either may be null: any); false when there is none. Frames a
// dead process left behind are removed on the way.
bool SimFindFrame(const std::u16string* title, const std::u16string* class_name, SimFrame* out);

// Frames the X presenter of this process has put on the display so far.
uint64_t SimDisplayFramesShown();
