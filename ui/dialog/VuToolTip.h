// The tool tip of a dialog view: one "tooltips_class32" window whose single
// tool is the whole view window; its text follows the element under the
// mouse, and the view relays its mouse messages to it.
#pragma once

#include <string>

#include "platform/types.h"
#include "platform/window_messages.h"

class VuToolTip {
 public:
  VuToolTip() = default;
  ~VuToolTip();
  VuToolTip(const VuToolTip&) = delete;
  VuToolTip& operator=(const VuToolTip&) = delete;

  // The tip's text for the tool; empty hides the tip. The window is made on
  // the first non-empty text.
  void SetText(HWND owner, const std::u16string& text);
  // A mouse message of the owner, for the control's show and hide timing.
  void Relay(HWND owner, UINT message, WPARAM wparam, LPARAM lparam);
  void Destroy();

  HWND GetHwnd() const { return window_; }
  const std::u16string& Text() const { return text_; }

 private:
  bool Ensure(HWND owner);

  HWND window_ = nullptr;
  HWND owner_ = nullptr;
  std::u16string text_;
};
