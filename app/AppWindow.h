// The main window of the application being removed, found by its class name.
#pragma once

#include <string>

class ZInstallConfigLoader;

namespace AppWindow {

// The message that asks the application to close (WM_USER + 114).
constexpr unsigned int kCloseRequestMessage = 0x0472;

bool IsRunning(const std::u16string& class_name);
// Posts the close request when the window exists; does not wait for the
// application to end.
bool RequestClose(const std::u16string& class_name);
// Asks the user, in the message box with both buttons, whether to go on
// while the application runs; the caption is the configuration's "title"
// (config: the process-wide configuration when null). True to proceed
// (the first button), false to stop (the second button, the close button,
// or a box that could not be shown).
bool ShowTips(const std::u16string& text, ZInstallConfigLoader* config = nullptr);

}  // namespace AppWindow
