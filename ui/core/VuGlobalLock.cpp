#include "ui/core/VuGlobalLock.h"

std::recursive_mutex& VuGlobalLock() {
  // Never destroyed: elements may be torn down during process exit.
  static std::recursive_mutex* lock = new std::recursive_mutex;
  return *lock;
}
