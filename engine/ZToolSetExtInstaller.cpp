#include "engine/ZToolSetExtInstaller.h"

#include "engine/ZSessionLauncher.h"
#include "packet_public/ZInstallConfigLoader.h"
#include "platform/kernel.h"
#include "report/ZEnvironmentFacts.h"

ZToolSetExtInstaller::ZToolSetExtInstaller(ZInstallConfigLoader* config)
    : config_(config ? config : ZInstallConfigLoader::GetInstance()) {}

int ZToolSetExtInstaller::SignalExitEvent() {
  const std::u16string name = config_->GetValue(u"tool_set_ext_exit_event");
  HANDLE event = OpenEventW(EVENT_ALL_ACCESS, FALSE, name.c_str());
  if (event) {
    SetEvent(event);
    CloseHandle(event);
  }
  return 1;
}

std::u16string ZToolSetExtInstaller::ProgramPath(std::u16string directory) const {
  if (!directory.empty() && directory.back() == u'\\') directory.pop_back();
  const std::u16string name = config_->GetValue(u"tool_set_ext_process_name");
  return directory + u"\\" + name + (IsNative64Bit() == 2 ? u"64.exe" : u".exe");
}

int ZToolSetExtInstaller::RunUninstallCommand(const std::u16string& directory) {
  const std::u16string arguments = config_->GetValue(u"tool_set_uninstall_cmd");
  const std::u16string program = ProgramPath(directory);
  // Preset once: a launch whose wait runs out leaves it as the last launch set it.
  DWORD exit_code = kNoExitCode;
  if (LaunchAsSessionAdmin(program, arguments, false, kWaitMs, &exit_code) && exit_code == 0)
    return 1;
  if (LaunchAsSessionUser(program, arguments, false, kWaitMs, &exit_code) && exit_code == 0)
    return 1;
  return LaunchDirect(program, arguments, false, kWaitMs, &exit_code) && exit_code == 0 ? 1 : 0;
}
