// The Windows folder of a fresh machine: the system's own files, every one of
// them an operating-system file.
#pragma once

#include <string>

#include "platform/types.h"

// Fills drives/c/Windows of the machine in dir with placeholder system files
// and folders (SysWOW64 on x64) and marks everything under it, whatever was
// there before included. Content added to a marked folder later is not marked.
bool SimCreateWindowsFolder(const std::string& dir, bool x64, std::string* error);

// Marks an existing entry of the machine in use (PATH is a Windows path) as an
// operating-system file. 0 or a Win32 error code.
DWORD SimProtectPath(const std::u16string& path);
