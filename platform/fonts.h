// Font files a program adds for itself (GDI's font table): a skin set may
// bring the faces it is designed in.
#pragma once

#include "platform/types.h"

#if !defined(_WIN32)

#define FR_PRIVATE 0x10
#define FR_NOT_ENUM 0x20

// Adds the fonts of a font file (.ttf, .ttc, .otf) for this process
// (FR_PRIVATE) so that text can use their faces. Returns how many fonts it
// added: 0 when the file is missing or holds no font, or reserved is set.
int AddFontResourceExW(LPCWSTR name, DWORD flags, PVOID reserved);
// Takes the file's fonts away again; FALSE when it was not added.
BOOL RemoveFontResourceExW(LPCWSTR name, DWORD flags, PVOID reserved);

#endif  // !_WIN32
