// The file-system redirector of a 32-bit program on a 64-bit system: the
// Windows folder's System32 is its SysWOW64, Sysnative the real System32.
#pragma once

#include "platform/sim/files/SimPath.h"

// Rewrites a parsed path as the redirector would for this thread; nothing for
// a native program, on a 32-bit system, or while the thread has turned it off.
void SimRedirectWow64(SimWinPath* path);
// True when the redirector changes the last component of the path itself.
bool SimRedirectsLeaf(const char16_t* path);

// Turns redirection off for this thread for one scope: work a native part of
// the system does on the caller's behalf (the service manager starting a program).
class SimNativePathScope {
 public:
  SimNativePathScope();
  ~SimNativePathScope();
  SimNativePathScope(const SimNativePathScope&) = delete;
  SimNativePathScope& operator=(const SimNativePathScope&) = delete;

 private:
  bool was_disabled_;
};
