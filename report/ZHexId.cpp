#include "report/ZHexId.h"

namespace {

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

}  // namespace

std::array<uint8_t, 16> ParseHexId(std::u16string_view text) {
  std::array<uint8_t, 16> bytes{};
  if (text.size() != 32) return bytes;
  std::array<uint8_t, 16> parsed{};
  for (size_t i = 0; i < 16; ++i) {
    const int high = HexDigit(text[2 * i]);
    const int low = HexDigit(text[2 * i + 1]);
    if (high < 0 || low < 0) return bytes;
    parsed[i] = static_cast<uint8_t>(high << 4 | low);
  }
  return parsed;
}
