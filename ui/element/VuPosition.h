// The "pos" grammar and the resolution of one coordinate against a span.
#pragma once

#include <cstdint>

struct VuPosItem {
  bool centre = false;    // leading "|"
  bool far_edge = false;  // leading "-"
  int value = 0;
};

struct VuPosition {
  int count = 0;  // 0, 2 or 4
  VuPosItem items[4];
};

// Splits text at commas, reads at most four items ("|", "-", then "w" on
// the third and "h" on the fourth, then leading decimal digits; none gives
// 0), adds item 1 to item 3 after a "w" and item 2 to item 4 after an "h".
// A count other than 2 or 4 gives count 0. Values saturate at the int range.
VuPosition VuParsePosition(const char* text);
// Every value times scale, truncated (DPI-aware dialogs).
void VuScalePosition(VuPosition* position, float scale);
// centre: start + length / 2 + value (- value with far_edge); far edge
// only: start + length - value; neither: start + value. Truncating division.
int VuResolve(const VuPosItem& item, int start, int length);
// value clamped to the int range (layout arithmetic is done in 64 bits).
int VuSaturate(int64_t value);
