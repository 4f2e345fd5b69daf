// Where skinview runs: a machine of the simulated host (a throw-away one
// unless SIMHOST_MACHINE names one), or the Windows computer itself.
#pragma once

#include <memory>
#include <string>

class SkinviewHost {
 public:
  SkinviewHost();
  ~SkinviewHost();
  SkinviewHost(const SkinviewHost&) = delete;
  SkinviewHost& operator=(const SkinviewHost&) = delete;

  // Ready to load skins; false (with a message) when it cannot be.
  bool Prepare();
  // A screen of dpi DPI, with the settings that let this program scale for
  // it (read beside the program, as the uninstaller's are); 0: the screen
  // as it is.
  void SetDpi(int dpi);
  // The resource folder as the program sees it: on the simulated host a
  // folder of this computer is copied into the machine, a Windows path is
  // the machine's; on Windows the path as given.
  bool ResourceDirectory(const std::string& dir, std::u16string* windows_dir);

 private:
  struct State;
  std::unique_ptr<State> state_;
};
