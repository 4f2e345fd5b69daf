// Compares a picture made elsewhere (another back end's canvas, or a
// window's screenshot) with the one this build paints, pixel by pixel
// outside the rectangles where text is drawn: each system draws its own
// glyphs.
#pragma once

#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/image.h"

struct ZPictureDifference {
  bool same_size = false;
  int compared = 0;      // pixels looked at
  int max_channel = 0;   // the largest difference of one channel
  int over_close = 0;    // pixels with a channel off by more than kPictureCloseDifference
  int over_loose = 0;    // pixels with a channel off by more than kPictureLooseDifference
  int worst_x = -1, worst_y = -1;
  // The most pixels off by more than kPictureTileDifference in one
  // kPictureTile square.
  int tile_over_close = 0;
};

// The stated tolerance. Renderers differ in how they anti-alias an edge
// (Wine's GDI+ draws pens without it), trace a rounded corner or stretch a
// picture; a missing, misplaced or wrongly coloured primitive does not stay
// within these. A pixel is close when the picture's pixel there or one of
// its eight neighbours is within kPictureCloseDifference of the reference's in
// every channel. Accepted: at most kPictureCloseShareMille per mille of the
// compared pixels not close; at most kPictureTileAllowance pixels off by
// more than kPictureTileDifference in any kPictureTile square (a whole
// 2-pixel line left out puts about 45 there; two filters stretching a small
// glyph apart differ by up to about 36, by more than 24 in about 20 of its
// pixels); and at most kPictureLooseAllowance off by more than
// kPictureLooseDifference.
constexpr int kPictureCloseDifference = 8;
constexpr int kPictureTileDifference = 24;
constexpr int kPictureLooseDifference = 96;
constexpr int kPictureTile = 16;
constexpr int kPictureCloseShareMille = 15;
constexpr int kPictureTileAllowance = 32;
constexpr int kPictureLooseAllowance = 200;

// left_out: the text rectangles (2 pixels around each are left out too).
// opaque: the picture is a screenshot of a window, which has no alpha; the
// reference's see-through pixels (rounded corners) show whatever lay under
// it, so only its opaque pixels are compared, colour for colour.
ZPictureDifference ComparePictures(const ZImage& reference, const ZImage& picture,
                                   const std::vector<ZRect>& left_out, bool opaque);

bool PictureDifferenceAcceptable(const ZPictureDifference& difference);
std::string DescribePictureDifference(const ZPictureDifference& difference);
