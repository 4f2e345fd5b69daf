// Shared by the presenter's files: one window's content as it is shown.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/types.h"

namespace simdisplay {

struct Snapshot {
  int width = 0;
  int height = 0;
  int origin_x = 0;  // the frame's top-left in window coordinates
  int origin_y = 0;
  int screen_x = 0;  // the frame's top-left on the screen
  int screen_y = 0;
  std::u16string title;
  std::u16string class_name;
  std::shared_ptr<const std::vector<uint32_t>> pixels;
};

// run/frames/ (present_frames.cpp).
bool WriteFrame(HWND window, const Snapshot& frame);
void RemoveFrame(HWND window);

// The X display (present_x11.cpp); nothing happens without DISPLAY.
void ShowOnDisplay(HWND window, const Snapshot& frame);
void RemoveFromDisplay(HWND window);

}  // namespace simdisplay
