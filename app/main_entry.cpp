// Program entry of the uninstaller. The exit code is always 0.
#include <memory>
#include <string>

#include "app/FirewallException.h"
#include "app/ZUnInstallMainDlg.h"
#include "packet_public/ZText.h"
#include "platform/common/system_library.h"
#include "platform/kernel.h"
#include "platform/user_interface.h"
#include "platform/window_messages.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  // Before anything loads a library: never from the program's folder, which
  // may be a download folder, nor from the current one.
  RestrictLibrarySearch();
  ImmDisableIME(static_cast<DWORD>(-1));
  ZAppModule module;
  module.Init(instance);
  DefWindowProcW(nullptr, WM_NULL, 0, 0);
  INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);

  const std::u16string own_path = ProgramFilePath();
  AddFirewallException(own_path.c_str(), u"ZInstallTool");

  auto dialog = std::make_unique<ZUnInstallMainDlg>();
  if (dialog->Init()) dialog->Run();

  RemoveFirewallException(own_path.c_str());
  module.Term();
  dialog.reset();
  return 0;
}
