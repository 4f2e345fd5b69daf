// Operating-system files: the files and folders that belong to the system's
// installer service and that no caller may change or delete.
#pragma once

#include "platform/types.h"

#if !defined(_WIN32)

// TRUE for an operating-system file; FALSE otherwise, with the last error
// ERROR_FILE_NOT_FOUND (also for a missing file). rpc_handle must be null.
BOOL SfcIsFileProtected(HANDLE rpc_handle, LPCWSTR path);

#endif  // !_WIN32
