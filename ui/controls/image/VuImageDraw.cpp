#include "ui/controls/image/VuImageDraw.h"

#include <algorithm>
#include <vector>

#include "ui/resource/VuResourceLocator.h"
#include "ui/skin/CVuSkinBase.h"
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
  dc->PushClip(&visible, 1);
  // Start at the first copy that reaches the visible part (64-bit: dst may
  // start far off the canvas).
  const int64_t w = src.Width(), h = src.Height();
  const int64_t first_x = dst.left + (visible.left - int64_t{dst.left}) / w * w;
  const int64_t first_y = dst.top + (visible.top - int64_t{dst.top}) / h * h;
  for (int64_t y = first_y; y < visible.bottom; y += h)
    for (int64_t x = first_x; x < visible.right; x += w)
      dc->DrawImage(image, src,
                    ZRect{static_cast<int>(x), static_cast<int>(y), static_cast<int>(x + w), static_cast<int>(y + h)},
                    alpha);
  dc->PopClip();
}
