// Text helpers shared by the readers of configuration, packet and command line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Decimal text read leniently: leading white space, an optional sign, then
// digits up to the first other character; no digits give 0. Values beyond the
// 32-bit range stop at its limits.
int32_t ParseLenientInt(std::u16string_view text);
int32_t ParseLenientInt(std::string_view text);

std::u16string Utf8ToUtf16(std::string_view text);
// Compares with only the ASCII letters folded, as the C runtime's wide
// comparison does by default.
bool EqualNoCase(std::u16string_view a, std::u16string_view b);
// The running program's full path (GetModuleFileNameW, MAX_PATH characters);
// empty when it does not fit.
std::u16string ProgramFilePath();
std::string Utf16ToUtf8(std::u16string_view text);
// Upper case for the Latin letters (ASCII and Latin-1), as the system's
// upper-casing does in a Western locale.
std::u16string UpperCase(std::u16string text);
