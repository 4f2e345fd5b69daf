// skinview's dialog in its window mode with --notify: every notification the
// view sends, each keyboard focus move and each finished window move are
// printed as one line to standard output, for tests that drive the window
// with real input.
//   ready LEFT TOP               the first frame is on the screen
//   notify CODE ID TAG STATE     TAG "-" when the record has none; STATE the
//                                element's state bits (hex) after the event
//   focus ID                     the keyboard focus mark moved to element ID
//   moved LEFT TOP               a move or resize of the window ended
#pragma once

#include <cstdio>

#include "ui/dialog/CVuDialogImpl.h"

class NotifyDialog : public CVuDialogImpl {
 public:
  NotifyDialog(int layout_id, std::FILE* out) : CVuDialogImpl(layout_id), out_(out) {}

  bool ProcessWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                            LRESULT* result) override;

 private:
  std::FILE* out_;
  bool ready_ = false;
};
