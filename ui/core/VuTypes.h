// Small types shared by the whole skinned UI framework.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/canvas.h"
#include "platform/types.h"

// A process-unique element handle (0 = none), never reused; elements refer
// to one another by handle only (VuHandleTable).
using VUHANDLE = uint32_t;

// A width and a height in pixels.
struct VuSize {
  int cx = 0;
  int cy = 0;
};

// A colour as the documents give it: red | green << 8 | blue << 16, or
// kVuNoColor (-1) for "none".
using VuColor = int32_t;
constexpr VuColor kVuNoColor = -1;

// A clip region: the union of its rectangles (client pixels). An empty
// region passed as a pointer means "nothing to paint"; a null pointer means
// "everything".
using VuRegion = std::vector<ZRect>;

// Element state bits.
constexpr uint32_t kVuStateHover = 0x01;
constexpr uint32_t kVuStatePushed = 0x02;
constexpr uint32_t kVuStateChecked = 0x04;
constexpr uint32_t kVuStateHidden = 0x08;
constexpr uint32_t kVuStateDisabled = 0x10;

// A document colour as the canvas takes it, with alpha.
inline ZColor VuToZColor(VuColor color, uint8_t alpha = 255) {
  return ZColor{static_cast<uint8_t>(color & 0xFF), static_cast<uint8_t>((color >> 8) & 0xFF),
                static_cast<uint8_t>((color >> 16) & 0xFF), alpha};
}

// True when rect and the region share a pixel (a null region covers everything).
bool VuRegionTouches(const VuRegion* region, const ZRect& rect);

// A rectangle's width and height, never negative and never overflowing
// (a hostile layout may place edges at both ends of the int range).
inline int VuRectWidth(const ZRect& rect) {
  const int64_t width = int64_t{rect.right} - rect.left;
  return width <= 0 ? 0 : width > INT32_MAX ? INT32_MAX : static_cast<int>(width);
}
inline int VuRectHeight(const ZRect& rect) {
  const int64_t height = int64_t{rect.bottom} - rect.top;
  return height <= 0 ? 0 : height > INT32_MAX ? INT32_MAX : static_cast<int>(height);
}
// True when the rectangle is non-empty and its width and height fit an int:
// the only rectangles handed to the canvas.
inline bool VuDrawableRect(const ZRect& rect) {
  const int64_t width = int64_t{rect.right} - rect.left, height = int64_t{rect.bottom} - rect.top;
  return width > 0 && height > 0 && width <= INT32_MAX && height <= INT32_MAX;
}
