// Program entry of the uninstaller.
#include "platform/kernel.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  // The uninstall flow is connected here as its parts land; the exit code is
  // always 0.
  return 0;
}
