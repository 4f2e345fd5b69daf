// The attributes and drawing shared by the PNG and JPEG skins ("png",
// "jpg", "skinpng", "skinjpg"): an image strip of state frames "subwidth"
// wide, stretched over the rectangle with stretchable margins. Corners keep
// their size, edges stretch along one axis, the centre stretches both ways
// or, with "middle_tile", repeats at its own size. Without margins the
// frame stretches over the whole rectangle. "left" sets both side margins.
// "flip" mirrors each frame, across by default; "fliptype" 1 mirrors it
// upside down instead and 2 both ways. "wantimgwidth" keeps the frame's own
// width (from the rectangle's left) and stretches only the height.
#pragma once

#include "platform/types.h"
#include "ui/core/VuTypes.h"
#include "ui/skin/VuImagePools.h"
#include "ui/skin/VuSkinImage.h"

class VuMarginImage {
 public:
  // Which attributes a kind takes besides "subwidth", "left",
  // "margin_left" and "margin_right".
  static constexpr unsigned kVerticalMargins = 0x01;
  static constexpr unsigned kFlip = 0x02;
  static constexpr unsigned kFlipType = 0x04;
  static constexpr unsigned kMiddleTile = 0x08;
  static constexpr unsigned kWantImageWidth = 0x10;

  explicit VuMarginImage(unsigned accepted) : accepted_(accepted) {}

  // S_OK for an accepted attribute with a valid value, else E_FAIL.
  HRESULT Set(const char* name, const char* value);
  void Draw(ZCanvas* dc, const VuPooledImage& image, const ZRect& rect, int state,
            BYTE alpha) const;
  // One state frame's size on the canvas.
  VuSize FrameSize(const VuPooledImage& image) const;
  // The same for an image that may be missing: nothing drawn, size 0 x 0.
  void DrawIfLoaded(ZCanvas* dc, const VuPooledImage* image, const ZRect& rect, int state,
                    BYTE alpha) const {
    if (image) Draw(dc, *image, rect, state, alpha);
  }
  VuSize FrameSizeIfLoaded(const VuPooledImage* image) const {
    return image ? FrameSize(*image) : VuSize{};
  }
  int SubWidth() const { return subwidth_; }

 private:
  unsigned accepted_;
  int subwidth_ = 0;
  VuEdges margins_;
  bool flip_ = false;
  int flip_type_ = 0;
  bool middle_tile_ = false;
  bool want_image_width_ = false;
};

// The image of a kind that names it by id ("src") in one of the pools.
class VuPoolImageById {
 public:
  explicit VuPoolImageById(VuImagePool& (*pool)()) : pool_(pool) {}
  // S_OK for a positive id, else E_FAIL (the old id stays).
  HRESULT Set(const char* value);
  // The loaded, non-empty image, or null.
  const VuPooledImage* Get() const;

 private:
  VuImagePool& (*pool_)();
  int src_ = 0;
};
