// Known answers for CreateRoundRectRgn(0, 0, 31, 31, n, n), as GDI gives
// them (taken under Wine): the region covers 0..29 both ways, and the
// first rows lose this many pixels at each end (the bottom rows mirror
// them). Shared by the simulated host's tests and the Windows adapter check.
#pragma once

struct RoundRectAnswer {
  int ellipse;
  int insets[5];
};

inline constexpr int kRoundRectBox = 31;
inline constexpr int kRoundRectCovered = 30;
inline constexpr RoundRectAnswer kRoundRectAnswers[] = {
    {2, {0, 0, 0, 0, 0}},  {3, {1, 0, 0, 0, 0}},  {4, {1, 0, 0, 0, 0}},  {5, {1, 0, 0, 0, 0}},
    {6, {2, 1, 0, 0, 0}},  {7, {2, 1, 0, 0, 0}},  {8, {2, 1, 0, 0, 0}},  {9, {3, 1, 1, 0, 0}},
    {10, {3, 2, 1, 0, 0}}, {11, {3, 2, 1, 0, 0}}, {12, {4, 2, 1, 1, 0}}, {13, {4, 3, 2, 1, 0}},
};

// The first column of row y inside the region (kRoundRectCovered when the
// row is empty), through the given point test.
template <typename Inside>
int RoundRectRowStart(Inside inside, int y) {
  int x = 0;
  while (x < kRoundRectCovered && !inside(x, y)) ++x;
  return x;
}
