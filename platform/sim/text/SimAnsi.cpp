#include "platform/sim/text/SimAnsi.h"

namespace {

// 0x80-0x9F; the unassigned bytes keep their own value.
const char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool ToByte(char16_t c, char* out) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
    *out = static_cast<char>(c);
    return true;
  }
  for (int i = 0; i < 32; ++i) {
    if (kHigh[i] == c) {
      *out = static_cast<char>(0x80 + i);
      return true;
    }
  }
  return false;
}

}  // namespace

std::u16string SimAnsiToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char byte : text) {
    auto b = static_cast<unsigned char>(byte);
    out.push_back(b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : static_cast<char16_t>(b));
  }
  return out;
}

std::string SimUtf16ToAnsi(std::u16string_view text, char default_char, bool* used_default) {
  std::string out;
  out.reserve(text.size());
  bool defaulted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char byte;
    if (ToByte(text[i], &byte)) {
      out.push_back(byte);
      continue;
    }
    // A surrogate pair is one character and gets one default character.
    if (text[i] >= 0xD800 && text[i] < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000)
      ++i;
    out.push_back(default_char);
    defaulted = true;
  }
  if (used_default) *used_default = defaulted;
  return out;
}
