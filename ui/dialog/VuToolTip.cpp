#include "ui/dialog/VuToolTip.h"

#include "platform/tooltips.h"
#include "platform/user_interface.h"
#include "platform/window_input.h"

namespace {

constexpr char16_t kToolTipClass[] = u"tooltips_class32";
constexpr int kMaxTipWidth = 400;
// A tip is a line or two; a skin's megabyte of text is cut, not measured.
constexpr size_t kMaxTipLength = 1024;

TTTOOLINFOW ToolOf(HWND owner, std::u16string* text) {
  TTTOOLINFOW tool = {};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_IDISHWND;
  tool.hwnd = owner;
  tool.uId = reinterpret_cast<UINT_PTR>(owner);
  tool.lpszText = text ? reinterpret_cast<LPWSTR>(text->data()) : nullptr;
  return tool;
}

}  // namespace

VuToolTip::~VuToolTip() { Destroy(); }

void VuToolTip::Destroy() {
  if (window_ && IsWindow(window_)) DestroyWindow(window_);
  window_ = nullptr;
  owner_ = nullptr;
}

bool VuToolTip::Ensure(HWND owner) {
  if (window_ && owner_ == owner && IsWindow(window_)) return true;
  Destroy();
  if (!owner) return false;
  INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  window_ = CreateWindowExW(WS_EX_TOPMOST, kToolTipClass, nullptr,
                            WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, nullptr, nullptr);
  if (!window_) return false;
  owner_ = owner;
  std::u16string text = text_;
  TTTOOLINFOW tool = ToolOf(owner, &text);
  SendMessageW(window_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageW(window_, TTM_SETMAXTIPWIDTH, 0, kMaxTipWidth);
  return true;
}

void VuToolTip::SetText(HWND owner, const std::u16string& full_text) {
  const std::u16string text = full_text.substr(0, kMaxTipLength);
  if (text == text_ && (text.empty() || window_)) return;
  text_ = text;
  if (text.empty()) {
    if (window_) {
      SendMessageW(window_, TTM_POP, 0, 0);
      std::u16string none;
      TTTOOLINFOW tool = ToolOf(owner_, &none);
      SendMessageW(window_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    return;
  }
  if (!Ensure(owner)) return;
  std::u16string copy = text_;
  TTTOOLINFOW tool = ToolOf(owner_, &copy);
  SendMessageW(window_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void VuToolTip::Relay(HWND owner, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!window_ || owner != owner_) return;
  MSG msg = {};
  msg.hwnd = owner;
  msg.message = message;
  msg.wParam = wparam;
  msg.lParam = lparam;
  GetCursorPos(&msg.pt);
  SendMessageW(window_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
}
