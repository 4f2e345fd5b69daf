// UTF-8 / UTF-16 conversion and the upper-casing used for name comparisons.
#pragma once

#include <string>
#include <string_view>

std::string SimToUtf8(std::u16string_view text);
std::u16string SimToUtf16(std::string_view text);

// Upper-cases one UTF-16 unit the way the file system and registry compare
// names: the simple upper-case mapping of the whole BMP (surrogates as is).
char16_t SimUpcase(char16_t c);
std::u16string SimUpper(std::u16string_view text);
bool SimEqualNoCase(std::u16string_view a, std::u16string_view b);
