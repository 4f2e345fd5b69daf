// The value syntaxes of styles and skins. Each parser is total: any input
// gives a result, never a crash, and says whether it was valid.
#pragma once

#include <cstdint>

#include "ui/core/VuTypes.h"

// Six hexadecimal digits, red first, either case, no prefix: red | green << 8
// | blue << 16. A pair with a non-hexadecimal character is 0. False (and
// kVuNoColor) for a value that is not six characters long.
bool VuParseColor(const char* text, VuColor* color);
// A hexadecimal number ("0x" allowed, blanks around it ignored) used as DT_*
// flags; leading zeros of any length, at most eight significant digits (a
// wider value is refused, not cut). DT_MODIFYSTRING (0x10000) is always cleared.
bool VuParseTextMode(const char* text, uint32_t* flags);
// A hexadecimal font id of at most four digits, leading zeros counted ("0x"
// allowed and not counted, blanks around it ignored): "0x0010" is 0x10,
// "00104" is refused. Bit 0 italic, bit 1 underline, bit 2 bold, bits 8-15 a
// signed size step. Refused text gives false and 0.
bool VuParseFontId(const char* text, uint16_t* font_id);
// A decimal integer (leading "-" allowed, leading digits read, none gives 0,
// clamped to the int range).
int VuParseInt(const char* text);
