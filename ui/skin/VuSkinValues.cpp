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

std::u16string VuSkinWiden(const char* utf8) {
  std::u16string out;
  if (!utf8) return out;
  const auto* p = reinterpret_cast<const unsigned char*>(utf8);
  while (*p) {
    uint32_t c = *p;
    int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (extra < 0) {
      out += u'\uFFFD';
      ++p;
      continue;
    }
    c = extra == 0 ? c : c & (0x3F >> extra);
    int i = 1;
    for (; i <= extra && (p[i] & 0xC0) == 0x80; ++i) c = (c << 6) | (p[i] & 0x3F);
    if (i <= extra || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      out += u'\uFFFD';
      p += i;
      continue;
    }
    p += i;
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}
