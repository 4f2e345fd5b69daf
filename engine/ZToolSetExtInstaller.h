// The product's tool-set extension: asked to exit, then to unregister itself,
// before any file of the product is removed.
#pragma once

#include <string>

#include "platform/types.h"

class ZInstallConfigLoader;

class ZToolSetExtInstaller {
 public:
  static constexpr DWORD kWaitMs = 1000;
  static constexpr DWORD kNoExitCode = 0xFFFFFFFFu;

  // config: where the three keys are read (the process-wide loader by default).
  explicit ZToolSetExtInstaller(ZInstallConfigLoader* config = nullptr);

  // Sets the event named by "tool_set_ext_exit_event" when it exists, which
  // makes a running extension exit. Always 1.
  int SignalExitEvent();

  // Runs "<directory>\<tool_set_ext_process_name>[64].exe" with the arguments
  // "tool_set_uninstall_cmd", hidden, through each launcher in turn until one
  // ends with exit code 0 within kWaitMs. 1 when one did, else 0.
  int RunUninstallCommand(const std::u16string& directory);

  // The program the command runs for a directory (the "64" name on a 64-bit
  // processor).
  std::u16string ProgramPath(std::u16string directory) const;

 private:
  ZInstallConfigLoader* config_;
};
