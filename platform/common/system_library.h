// Libraries loaded at run time come from the system folder only. Searched for
// by bare name, Windows would look in the program's own folder first, where
// an uninstaller's download or temporary folder may hold a planted copy.
#pragma once

#include "platform/types.h"

// name (a file name such as u"wtsapi32.dll", no path) loaded from the system
// folder by its full path; null, with the last error set, when that fails.
HMODULE LoadSystemLibrary(const char16_t* name);

// The first step of the program: takes the program's and the current folder
// out of the search for libraries loaded later, where the system allows it.
// True when SetDefaultDllDirectories was there to call.
bool RestrictLibrarySearch();
