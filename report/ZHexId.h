// Identifiers sent as 16 raw bytes: 32 upper-case hexadecimal digits.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

// The 16 bytes of text, two digits a byte in string order; all zero unless
// text is exactly 32 characters of 0-9 and A-F (lower case is not accepted).
std::array<uint8_t, 16> ParseHexId(std::u16string_view text);
