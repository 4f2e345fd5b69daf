#include "ui/skin/VuSkinValues.h"

#include <climits>
#include <cstdint>
#include <cstring>

int VuSkinInt(const char* text) {
  if (!text) return 0;
  while (*text == ' ' || *text == '\t' || *text == '\r' || *text == '\n') ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  long long value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = value * 10 + (*text - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) value = INT_MAX;
  return static_cast<int>(value);
}

bool VuSkinPixels(const char* text, int* pixels) {
  const int value = VuSkinInt(text);
  if (value < 0) return false;
  *pixels = value > kVuSkinMaxPixels ? kVuSkinMaxPixels : value;
  return true;
}

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool VuSkinColor(const char* text, VuColor* color) {
  if (!text || std::strlen(text) != 6) return false;
  VuColor result = 0;
  for (int pair = 0; pair < 3; ++pair) {
    const int high = HexDigit(text[pair * 2]);
    const int low = HexDigit(text[pair * 2 + 1]);
    const int channel = high < 0 || low < 0 ? 0 : high * 16 + low;
    result |= channel << (pair * 8);
  }
  *color = result;
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
