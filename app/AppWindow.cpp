#include "app/AppWindow.h"

#include "platform/window_messages.h"

namespace AppWindow {

bool IsRunning(const std::u16string& class_name) {
  return FindWindowW(class_name.c_str(), nullptr) != nullptr;
}

bool RequestClose(const std::u16string& class_name) {
  HWND window = FindWindowW(class_name.c_str(), nullptr);
  if (!window) return false;
  PostMessageW(window, kCloseRequestMessage, 0, 0);
  return true;
}

// Until the message box exists the answer is stop: nothing is removed.
bool ShowTips(const std::u16string&, ZInstallConfigLoader*) { return false; }

}  // namespace AppWindow
