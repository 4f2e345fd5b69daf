// The simulated machine's ANSI code page (CP_ACP): Windows-1252, as on a
// Western-European Windows.
#pragma once

#include <string>
#include <string_view>

// Every byte has a character: 0x80-0x9F per Windows-1252, and its five
// unassigned bytes (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 controls of
// the same value, as Windows maps them.
std::u16string SimAnsiToUtf16(std::string_view text);
// Characters without a byte become default_char; *used_default tells whether
// that happened.
std::string SimUtf16ToAnsi(std::u16string_view text, char default_char = '?',
                           bool* used_default = nullptr);
