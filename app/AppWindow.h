// The main window of the application being removed, found by its class name.
#pragma once

#include <string>

namespace AppWindow {

// The message that asks the application to close (WM_USER + 114).
constexpr unsigned int kCloseRequestMessage = 0x0472;

bool IsRunning(const std::u16string& class_name);
// Posts the close request when the window exists; does not wait for the
// application to end.
bool RequestClose(const std::u16string& class_name);

}  // namespace AppWindow
