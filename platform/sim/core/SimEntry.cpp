// Program entry of programs that run inside a machine: marks the running file
// as an image in use (it cannot be deleted while the process lives, as on
// Windows) and calls the Windows-style entry point.
#include <fcntl.h>
#include <stdlib.h>

#include "platform/kernel.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/core/SimLocks.h"
#include "platform/sim/files/SimCurrentDirectory.h"

int wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR command_line, int show);

int main() {
  // Taken before anything can rename the running file.
  SimHost::ExecutablePath();
  // The descriptor stays open for the life of the process; the kernel drops
  // the lock when the process ends, however it ends.
  int image = open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
  if (image >= 0) SimLockShared(image, kSimImage);
  SimHoldStartDirectory();

  // wWinMain receives the command line without the program name.
  LPWSTR line = GetCommandLineW();
  // The command line a parent gave is this program's alone; programs it
  // starts get their own.
  unsetenv("SIMHOST_CMDLINE");
  int show = 10;  // SW_SHOWDEFAULT
  if (const char* given = getenv("SIMHOST_SHOW"); given && *given) show = atoi(given);
  bool quoted = false;
  while (*line && (quoted || (*line != u' ' && *line != u'\t'))) {
    if (*line == u'"') quoted = !quoted;
    ++line;
  }
  while (*line == u' ' || *line == u'\t') ++line;
  return wWinMain(GetModuleHandleW(nullptr), nullptr, line, show);
}
