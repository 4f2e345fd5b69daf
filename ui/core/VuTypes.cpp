#include "ui/core/VuTypes.h"

bool VuRegionTouches(const VuRegion* region, const ZRect& rect) {
  if (!region) return true;
  if (rect.Width() <= 0 || rect.Height() <= 0) return false;
  for (const ZRect& part : *region)
    if (part.left < rect.right && rect.left < part.right && part.top < rect.bottom &&
        rect.top < part.bottom)
      return true;
  return false;
}
