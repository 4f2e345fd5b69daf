// The Win32 checks a path without the "\\?\" prefix passes before it reaches
// the file system: the MAX_PATH limit and the reserved DOS device names.
#pragma once

#include <string>
#include <string_view>

#include "platform/sim/files/SimPath.h"
#include "platform/types.h"

// True for a name Win32 reads as a DOS device: CON, PRN, AUX, NUL, COM1-COM9
// or LPT1-LPT9, in any case, also followed by blanks, an extension or ":".
bool SimIsDosDeviceName(std::u16string_view name);

// The device a path names, as written ("nul" for "C:\x\nul.txt"), or empty:
// only the last name counts, never in a "\\?\" path or one ending with "\".
std::u16string SimDosDeviceOf(std::u16string_view path);

// Length of the full path that split stands for, as GetFullPathNameW gives it.
size_t SimFullPathLength(const SimFullPathParts& split);

// 0, or the error of a path that Win32 refuses before the file system sees it:
// ERROR_FILE_NOT_FOUND for a device (nothing on disk may answer for it),
// ERROR_PATH_NOT_FOUND for a full path of MAX_PATH characters or more.
DWORD SimCheckWin32Path(std::u16string_view path);

// CreateDirectoryW's own limit: ERROR_FILENAME_EXCED_RANGE for a full path
// that leaves no room for an 8.3 name below MAX_PATH.
DWORD SimCheckNewDirectoryPath(std::u16string_view path);

// SetCurrentDirectoryW's limit, "\\?\" or not: the full path with its final
// "\" must leave room for the terminator in MAX_PATH.
DWORD SimCheckCurrentDirectoryPath(std::u16string_view full);

// CreateFileW on a device name: NUL opens the null device (reads end at once,
// writes vanish); the machine has no console, printer or serial ports.
HANDLE SimOpenDosDevice(const std::u16string& device, DWORD access);

// GetFileAttributesW on a device name: what Windows reports for NUL, or
// INVALID_FILE_ATTRIBUTES with ERROR_FILE_NOT_FOUND.
DWORD SimDosDeviceAttributes(const std::u16string& device);
