// Initialisation files ("[section]" / "key=value" text files) read the way
// Windows reads them for any program: the private profile functions.
#pragma once

#include "platform/types.h"

#if !defined(_WIN32)

// Copies the value of key in section (both compared without case) to buffer,
// without surrounding blanks and one pair of enclosing quotes; default_value
// (trailing blanks cut) when the file, the section or the key is missing, and
// then the last error is ERROR_FILE_NOT_FOUND if the file is. A null section
// lists the sections, a null key the keys of section, each ending in a null,
// the list in two. Returns the characters copied without the final null:
// size - 1 when a value was cut to fit, size - 2 when a list was. A file name
// without a folder is looked for in the Windows folder.
DWORD GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR default_value,
                               LPWSTR buffer, DWORD size, LPCWSTR file_name);
// The value read as an integer: blanks, a sign, then decimal digits (or 0x
// hexadecimal) up to the first other character. default_value when the key
// is missing or empty.
UINT GetPrivateProfileIntW(LPCWSTR section, LPCWSTR key, INT default_value, LPCWSTR file_name);

#endif  // !_WIN32
