// Running programs of the product: ending every process that runs from a
// given file, and the debug privilege that lets the program open them.
#pragma once

#include <cstdint>

#include "platform/types.h"

// Terminates every process whose image is file_path (compared without regard
// to letter case) and does not wait for them to end. count receives how many
// could be opened for termination. S_OK when that is at least one, E_FAIL when
// none (or the processes cannot be listed), E_INVALIDARG without a path.
HRESULT TerminateProcessesByImage(const char16_t* file_path, uint32_t* count = nullptr);

// Enables SeDebugPrivilege in the program's access token; 1 on success, else 0.
BOOL EnableDebugPrivilege();
