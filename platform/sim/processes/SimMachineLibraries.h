// Libraries that are files of the machine (not one of the built-in system
// libraries): loading one keeps the file in use like a running program's image
// until the last FreeLibrary or the end of the process.
#pragma once

#include "platform/types.h"

// Loads the file a full Windows path names; null with the last error set
// (ERROR_MOD_NOT_FOUND, ERROR_BAD_EXE_FORMAT, ERROR_SHARING_VIOLATION ...).
// Loading the same file again counts up and gives the same module.
HMODULE SimLoadMachineLibrary(const char16_t* path);
// True when module is such a library (then one load is undone).
bool SimFreeMachineLibrary(HMODULE module);
bool SimIsMachineLibrary(HMODULE module);
