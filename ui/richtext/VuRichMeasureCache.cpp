#include "ui/richtext/VuRichMeasureCache.h"

#include "ui/richtext/CRichTextGdiGraphics.h"
#include "ui/richtext/CRichTextGdiPlusGraphics.h"
#include "ui/style/VuFontPool.h"

VuRichMeasurer* VuRichMeasureCache::Get(bool gdiplus, bool dpi_scaled) {
  VuFontPool& pool = VuFontPool::Instance();
  const std::u16string& face = pool.DefaultFace();
  const int height = pool.DefaultHeight();
  if (measurer_ && gdiplus == gdiplus_ && dpi_scaled == dpi_scaled_ && face == face_ && height == height_)
    return measurer_.get();
  gdiplus_ = gdiplus;
  dpi_scaled_ = dpi_scaled;
  face_ = face;
  height_ = height;
  // Measuring only: no canvas of its own.
  if (gdiplus)
    graphics_ = std::make_unique<CRichTextGdiPlusGraphics>(nullptr);
  else
    graphics_ = std::make_unique<CRichTextGdiGraphics>(nullptr);
  measurer_ = std::make_unique<VuRichMeasurer>(
      graphics_.get(), [dpi_scaled](uint16_t id) { return VuFontPool::Instance().GetFont(id, dpi_scaled); });
  return measurer_.get();
}
