// Compares a picture of the scene made elsewhere (another back end's canvas,
// or a window's screenshot) with the scene this build paints, pixel by
// pixel outside the text rectangles.
#pragma once

#include <string>

#include "platform/image.h"

struct ZSceneDifference {
  bool same_size = false;
  int compared = 0;      // pixels looked at
  int max_channel = 0;   // the largest difference of one channel
  int over_close = 0;    // pixels with a channel off by more than kSceneCloseDifference
  int over_loose = 0;    // pixels with a channel off by more than kSceneLooseDifference
  int worst_x = -1, worst_y = -1;
  int tile_over_close = 0;  // the most such pixels in one kSceneTile square
};

// The stated tolerance. Renderers differ in how they anti-alias an edge
// (Wine's GDI+ draws pens without it), trace a rounded corner or stretch a
// picture; a missing, misplaced or wrongly coloured primitive does not stay
// within these. A pixel is close when the picture's pixel there or one of
// its eight neighbours is within kSceneCloseDifference of the scene's in
// every channel. Accepted: at most kSceneCloseShareMille per mille of the
// compared pixels not close, at most kSceneTileAllowance of them in any
// kSceneTile square (a whole 2-pixel line left out puts about 45 there), and
// at most kSceneLooseAllowance off by more than kSceneLooseDifference.
constexpr int kSceneCloseDifference = 8;
constexpr int kSceneLooseDifference = 96;
constexpr int kSceneTile = 16;
constexpr int kSceneCloseShareMille = 15;
constexpr int kSceneTileAllowance = 32;
constexpr int kSceneLooseAllowance = 200;

// opaque: the picture is a screenshot of a window, which has no alpha; the
// scene's see-through pixels (its rounded corners) show whatever lay under
// it, so only its opaque pixels are compared, colour for colour.
ZSceneDifference CompareWithScene(const ZImage& scene, const ZImage& picture, bool opaque);

bool SceneDifferenceAcceptable(const ZSceneDifference& difference);
std::string DescribeSceneDifference(const ZSceneDifference& difference);
