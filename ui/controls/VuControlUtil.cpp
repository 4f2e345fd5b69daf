#include "ui/controls/VuControlUtil.h"

#include <algorithm>
#include <cctype>

#include "ui/element/CVuWindow.h"
#include "ui/style/VuValueParsers.h"

ZPoint VuPointFromLParam(LPARAM lparam) {
  const auto bits = static_cast<uint32_t>(static_cast<uintptr_t>(lparam));
  return {static_cast<int16_t>(bits & 0xFFFF), static_cast<int16_t>((bits >> 16) & 0xFFFF)};
}

bool VuPointIn(const ZRect& rect, ZPoint point) {
  return point.x >= rect.left && point.x < rect.right && point.y >= rect.top && point.y < rect.bottom;
}

uint32_t VuParseUInt(const char* text) {
  if (!text) return 0;
  while (*text == ' ' || *text == '\t' || *text == '\r' || *text == '\n') ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  uint64_t value = 0;
  for (; std::isdigit(static_cast<unsigned char>(*text)); ++text) {
    value = value * 10 + static_cast<uint64_t>(*text - '0');
    if (value > 0xFFFFFFFFull) value = 0x100000000ull;  // saturated; stays above the range
  }
  if (negative) return 0;
  return static_cast<uint32_t>(std::min<uint64_t>(value, 0xFFFFFFFFull));
}

bool VuParseIntIn(const char* text, int low, int high, int* value) {
  if (!text) return false;
  const char* at = text;
  while (*at == ' ' || *at == '\t') ++at;
  if (*at == '+' || *at == '-') ++at;
  if (!std::isdigit(static_cast<unsigned char>(*at))) return false;
  *value = std::clamp(VuParseInt(text), low, high);
  return true;
}

ZColor VuContrastColor(ZColor background) {
  const int luma = (background.r * 299 + background.g * 587 + background.b * 114) / 1000;
  return luma < 140 ? ZColor{255, 255, 255, 255} : ZColor{0, 0, 0, 255};
}
