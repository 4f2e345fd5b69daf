// Attribute values of the skin document, on top of the shared value
// parsers: pixel sizes within a bound, colours that stay put when rejected,
// alpha values and UTF-8 text.
#pragma once

#include <string>

#include "ui/core/VuTypes.h"

// Pixel sizes above this are clamped: no image or canvas is larger.
constexpr int kVuSkinMaxPixels = 16384;

// The lenient decimal integer of VuParseInt.
int VuSkinInt(const char* text);
// A pixel size: false for a negative value, else the value clamped to
// kVuSkinMaxPixels.
bool VuSkinPixels(const char* text, int* pixels);
// VuParseColor's colour; false (and *color unchanged) for a rejected value.
bool VuSkinColor(const char* text, VuColor* color);
// An alpha value clamped to 0..255.
BYTE VuSkinAlpha(int value);
