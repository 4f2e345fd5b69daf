// Drawing pooled images for skins: sizes in skin units (written for scale
// 1.0) turned into image and canvas pixels, the state frames of an image
// strip, the variants of an image by draw mode, mask colour and mirroring,
// and the stretchable nine-part cut.
#pragma once

#include "platform/canvas.h"
#include "platform/image.h"
#include "ui/core/VuTypes.h"
#include "ui/skin/VuImagePools.h"

// Draw modes of the image skins.
constexpr int kVuDrawNone = 0;   // copied, opaque
constexpr int kVuDrawMask = 1;   // copied except the mask colour's pixels
constexpr int kVuDrawAlpha = 2;  // blended by its per-pixel alpha
constexpr VuColor kVuDefaultMaskColor = 0xFF00FF;

// Mirroring of each state frame.
constexpr int kVuFlipHorizontal = 1;
constexpr int kVuFlipVertical = 2;

// A length in skin units as pixels of the image, and as canvas pixels.
int VuImagePixels(const VuPooledImage& image, int units);
int VuCanvasPixels(const VuPooledImage& image, int units);
// A length in image pixels as canvas pixels.
int VuImageToCanvas(const VuPooledImage& image, int image_pixels);

// The part of the image that state draws: frame number state of subwidth
// units (0: the whole image is one frame), the full height. kVuSkinWhole
// (-1) takes the whole image; a state past the last frame takes frame 0.
ZRect VuStateFrame(const VuPooledImage& image, int subwidth, int state);
// Frames in the image (1 when subwidth is 0).
int VuFrameCount(const VuPooledImage& image, int subwidth);

// The pixels to draw in mode (with mask colour for kVuDrawMask), each frame
// of subwidth units mirrored as flip says. The image itself when nothing
// changes; otherwise a variant kept with the pooled image.
const ZImage& VuImageVariant(const VuPooledImage& image, int mode, VuColor mask, int flip,
                             int subwidth);

// Edge widths of a nine-part cut.
struct VuEdges {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// Which parts of a nine-part cut are drawn: rows and side columns; the
// centre column always is. A row or column left out takes no room.
constexpr unsigned kVuPartTopRow = 0x01;
constexpr unsigned kVuPartMiddleRow = 0x02;
constexpr unsigned kVuPartBottomRow = 0x04;
constexpr unsigned kVuPartLeftColumn = 0x08;
constexpr unsigned kVuPartRightColumn = 0x20;
constexpr unsigned kVuPartAll = 0x2F;

struct VuNinePatch {
  VuEdges src;             // image pixels
  VuEdges dst;             // canvas pixels
  unsigned parts = kVuPartAll;
  bool tile_centre = false;  // the centre repeats at its own size instead of stretching
  bool skip_centre = false;  // the centre is left to the caller (a fill colour)
  float zoom = 1.0f;         // canvas pixels per image pixel, for tiles
};

// Draws src of image over dst cut in nine: corners at their own size, top
// and bottom edges stretched across, side edges stretched down, the centre
// stretched (or tiled) both ways. Edges wider than dst shrink in proportion.
// Returns the centre's canvas rectangle.
ZRect VuDrawNinePatch(ZCanvas* dc, const ZImage& image, const ZRect& src, const ZRect& dst,
                      const VuNinePatch& patch, BYTE alpha);
