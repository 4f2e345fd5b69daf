#include "ui/style/VuValueParsers.h"

#include <climits>
#include <cstddef>
#include <cstdint>

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// A whole-text hexadecimal number: optional blanks around it, an optional
// "0x", then only hex digits. Leading zeros do not count towards max_digits.
// Fails on anything else or when more significant digits than max_digits
// follow; *digits receives how many digits were written (zeros included).
bool ParseHex(const char* text, int max_digits, uint32_t* value, int* digits) {
  *value = 0;
  *digits = 0;
  if (!text) return false;
  const char* p = text;
  while (IsSpace(*p)) ++p;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && HexDigit(p[2]) >= 0) p += 2;
  int significant = 0;
  uint32_t result = 0;
  for (; HexDigit(*p) >= 0; ++p) {
    ++*digits;
    if (result == 0 && *p == '0') continue;
    if (++significant > max_digits) return false;
    result = (result << 4) | static_cast<uint32_t>(HexDigit(*p));
  }
  while (IsSpace(*p)) ++p;
  if (*p != '\0' || *digits == 0) return false;
  *value = result;
  return true;
}

}  // namespace

bool VuParseColor(const char* text, VuColor* color) {
  *color = kVuNoColor;
  if (!text) return false;
  size_t length = 0;
  while (length < 7 && text[length]) ++length;
  if (length != 6) return false;
  VuColor value = 0;
  for (int pair = 0; pair < 3; ++pair) {
    const int high = HexDigit(text[pair * 2]);
    const int low = HexDigit(text[pair * 2 + 1]);
    const int channel = (high < 0 || low < 0) ? 0 : high * 16 + low;
    value |= channel << (pair * 8);
  }
  *color = value;
  return true;
}

bool VuParseTextMode(const char* text, uint32_t* flags) {
  uint32_t value = 0;
  int digits = 0;
  if (!ParseHex(text, 8, &value, &digits)) {
    *flags = 0;
    return false;
  }
  *flags = value & ~uint32_t{0x10000};  // DT_MODIFYSTRING would write into our text
  return true;
}

bool VuParseFontId(const char* text, uint16_t* font_id) {
  uint32_t value = 0;
  int digits = 0;
  // Four digits in all, leading zeros included: "00104" is refused, not read as 0x0104.
  if (!ParseHex(text, 4, &value, &digits) || digits > 4) {
    *font_id = 0;
    return false;
  }
  *font_id = static_cast<uint16_t>(value);
  return true;
}

int VuParseInt(const char* text) {
  if (!text) return 0;
  const char* p = text;
  while (IsSpace(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  constexpr int64_t kCap = int64_t{INT_MAX} + 1;
  int64_t magnitude = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    magnitude = magnitude * 10 + (*p - '0');
    if (magnitude > kCap) magnitude = kCap;
  }
  const int64_t value = negative ? -magnitude : magnitude;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}
