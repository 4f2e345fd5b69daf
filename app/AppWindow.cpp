#include "app/AppWindow.h"

#include "app/ZLiteMsgbox.h"
#include "packet_public/ZInstallConfigLoader.h"
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

bool ShowTips(const std::u16string& text, ZInstallConfigLoader* config) {
  if (!config) config = ZInstallConfigLoader::GetInstance();
  const std::u16string caption = config ? config->GetValue(u"title") : std::u16string();
  const INT_PTR answer =
      ZLiteMsgbox::Show(nullptr, text.c_str(), caption.c_str(), nullptr, nullptr,
                        ZLiteMsgbox::kFirstButton | ZLiteMsgbox::kSecondButton, nullptr, false);
  // Only the first button goes on; a box that could not be shown (0) stops,
  // so nothing is removed while the application may still run.
  return (answer & ZLiteMsgbox::kResultFirst) != 0;
}

}  // namespace AppWindow
