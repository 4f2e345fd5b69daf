// Attribute values of the skin document: decimal numbers read leniently,
// pixel sizes within a bound, and colours as six hexadecimal digits.
#pragma once

#include <string>

#include "ui/core/VuTypes.h"

// Pixel sizes above this are clamped: no image or canvas is larger.
constexpr int kVuSkinMaxPixels = 16384;

// Blanks, an optional sign, then decimal digits up to the first other
// character; no digits give 0. Clamped to the int range.
int VuSkinInt(const char* text);
// A pixel size: false for a negative value, else the value clamped to
// kVuSkinMaxPixels.
bool VuSkinPixels(const char* text, int* pixels);
// Six hexadecimal digits, red first: red | green << 8 | blue << 16. A pair
// with a non-hexadecimal character is 0; false for any other length.
bool VuSkinColor(const char* text, VuColor* color);
// An alpha value clamped to 0..255.
BYTE VuSkinAlpha(int value);
// UTF-8 text as UTF-16 (a malformed sequence gives U+FFFD).
std::u16string VuSkinWiden(const char* utf8);
