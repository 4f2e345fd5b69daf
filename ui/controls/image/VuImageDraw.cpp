#include "ui/controls/image/VuImageDraw.h"

#include <algorithm>
#include <vector>

#include "ui/resource/VuResourceLocator.h"
#include "ui/skin/kinds/CVuSkinBase.h"
#include "ui/skin/VuSkinPool.h"

CVuSkinBase* VuLookupSkin(const std::string& name) {
  return name.empty() ? nullptr : VuSkinPool::Instance().Get(name);
}

void VuReportMissingSkin(int line, const std::string& name, const char* tag) {
  if (name.empty() || VuLookupSkin(name)) return;
  VuResourceLocator::Instance().Report(line, "skin \"" + name + "\" of <" + (tag ? tag : "") + "> not found");
}

bool VuSnapshotSkin(CVuSkinBase* skin, int width, int height, int state, ZImage* out) {
  out->Reset();
  if (!skin || width < 1 || height < 1 || width > kVuMaxSnapshotSide || height > kVuMaxSnapshotSide)
    return false;
  ZCanvas canvas;
  if (!canvas.Create(width, height)) return false;
  canvas.Clear();
  skin->Draw(&canvas, ZRect{0, 0, width, height}, state, 255);
  const uint32_t* pixels = canvas.Pixels();
  out->Assign(width, height, std::vector<uint32_t>(pixels, pixels + static_cast<size_t>(width) * height));
  return true;
}

ZRect VuVisiblePart(const ZCanvas& dc, const ZRect& rect) {
  ZRect part = rect.ClampedTo(dc.Width(), dc.Height());
  if (part.right < part.left) part.right = part.left;
  if (part.bottom < part.top) part.bottom = part.top;
  return part;
}

void VuTileImage(ZCanvas* dc, const ZImage& image, const ZRect& src, const ZRect& dst, BYTE alpha) {
  if (!dc || image.Empty() || src.Width() <= 0 || src.Height() <= 0) return;
  const ZRect visible = VuVisiblePart(*dc, dst);
  if (visible.Width() <= 0 || visible.Height() <= 0) return;
  // The visible part is filled in one image, however small the tile: one
  // draw per copy could mean millions of draws.
  const int64_t w = src.Width(), h = src.Height();
  std::vector<uint32_t> pixels(static_cast<size_t>(visible.Width()) * visible.Height());
  for (int y = visible.top; y < visible.bottom; ++y) {
    const int sy = src.top + static_cast<int>((int64_t{y} - dst.top) % h);
    uint32_t* row = &pixels[static_cast<size_t>(y - visible.top) * visible.Width()];
    for (int x = visible.left; x < visible.right; ++x)
      row[x - visible.left] = image.PixelAt(src.left + static_cast<int>((int64_t{x} - dst.left) % w), sy);
  }
  ZImage tiled;
  tiled.Assign(visible.Width(), visible.Height(), std::move(pixels));
  dc->DrawImage(tiled, ZRect{0, 0, visible.Width(), visible.Height()}, visible, alpha);
}
