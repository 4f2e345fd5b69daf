#include "ui/skin/VuSkinValues.h"

#include <cstdint>

#include "ui/style/VuValueParsers.h"

int VuSkinInt(const char* text) { return VuParseInt(text); }

bool VuSkinPixels(const char* text, int* pixels) {
  const int value = VuSkinInt(text);
  if (value < 0) return false;
  *pixels = value > kVuSkinMaxPixels ? kVuSkinMaxPixels : value;
  return true;
}

bool VuSkinColor(const char* text, VuColor* color) {
  // A rejected value leaves the colour as it was.
  VuColor parsed = kVuNoColor;
  if (!VuParseColor(text, &parsed)) return false;
  *color = parsed;
  return true;
}

BYTE VuSkinAlpha(int value) {
  return static_cast<BYTE>(value < 0 ? 0 : value > 255 ? 255 : value);
}

