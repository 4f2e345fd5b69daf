#include "ui/element/VuPosition.h"

#include <climits>
#include <cmath>

namespace {

int Saturate(int64_t value) {
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

// Leading white space, an optional sign, then digits up to the first other
// character (none gives 0); saturates instead of overflowing.
int ReadLenientInt(const char* p, const char* end) {
  while (p < end && (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')) ++p;
  bool negative = false;
  if (p < end && (*p == '-' || *p == '+')) negative = *p++ == '-';
  int64_t value = 0;
  for (; p < end && *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value > static_cast<int64_t>(INT_MAX) + 1) value = static_cast<int64_t>(INT_MAX) + 1;
  }
  return Saturate(negative ? -value : value);
}

}  // namespace

int VuSaturate(int64_t value) { return Saturate(value); }

VuPosition VuParsePosition(const char* text) {
  VuPosition position;
  if (!text) return position;
  int count = 0;
  bool add_width = false, add_height = false;
  const char* p = text;
  while (true) {
    const char* end = p;
    while (*end && *end != ',') ++end;
    if (count < 4) {
      VuPosItem& item = position.items[count];
      const char* q = p;
      if (q < end && *q == '|') item.centre = true, ++q;
      if (q < end && *q == '-') item.far_edge = true, ++q;
      if (q < end && *q == 'w') {
        if (count == 2) add_width = true;
        ++q;
      }
      if (q < end && *q == 'h') {
        if (count == 3) add_height = true;
        ++q;
      }
      item.value = ReadLenientInt(q, end);
    }
    ++count;
    if (!*end) break;
    p = end + 1;
  }
  if (count > 4) count = 4;  // items past the fourth are ignored
  if (add_width) position.items[2].value = Saturate(int64_t{position.items[2].value} + position.items[0].value);
  if (add_height) position.items[3].value = Saturate(int64_t{position.items[3].value} + position.items[1].value);
  if (count != 2 && count != 4) return VuPosition{};
  position.count = count;
  return position;
}

void VuScalePosition(VuPosition* position, float scale) {
  if (!position || !(scale > 0) || !std::isfinite(scale)) return;
  for (VuPosItem& item : position->items) {
    const double scaled = static_cast<double>(item.value) * scale;
    item.value = scaled >= INT_MAX ? INT_MAX : scaled <= INT_MIN ? INT_MIN : static_cast<int>(scaled);
  }
}

int VuResolve(const VuPosItem& item, int start, int length) {
  const int64_t value = item.value;
  if (item.centre) {
    const int64_t middle = int64_t{start} + length / 2;
    return Saturate(item.far_edge ? middle - value : middle + value);
  }
  if (item.far_edge) return Saturate(int64_t{start} + length - value);
  return Saturate(int64_t{start} + value);
}
