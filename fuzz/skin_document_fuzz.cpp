// A skin document over arbitrary text: loaded into the skin pool, then every
// skin it names drawn on a small canvas in every state, at full and half
// alpha, over rectangles inside, across, outside and far beyond the canvas.
// Bitmap, PNG and JPEG ids 1 and 2 are small in-memory images so that the
// image arithmetic runs; every other image (and every file) is missing and
// must fail cleanly. Nothing may crash, hang or grow without bound.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "platform/canvas.h"
#include "platform/xml.h"
#include "ui/resource/VuResourceLocator.h"
#include "ui/skin/kinds/CVuSkinBase.h"
#include "ui/skin/VuImagePools.h"
#include "ui/skin/VuSkinPool.h"

namespace {

std::string Png(int width, int height, uint32_t seed) {
  ZCanvas canvas;
  canvas.Create(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint32_t alpha = (x + y) % 3 == 0 ? 0x80u : 0xFFu;
      uint32_t grey = (seed * 37 + x * 29 + y * 53) % (alpha + 1);
      canvas.Pixels()[y * width + x] = alpha << 24 | grey << 16 | (x % 2 ? 0 : grey) << 8 | grey;
    }
  // Magenta pixels for the mask mode.
  canvas.Pixels()[0] = 0xFFFF00FF;
  std::vector<uint8_t> png;
  canvas.EncodePng(&png);
  return std::string(png.begin(), png.end());
}

void InstallImages() {
  VuResourceLocator& locator = VuResourceLocator::Instance();
  for (const char* type : {"bmp", "png", "jpg"}) {
    locator.SetOverride(1, type, Png(40, 10, 1));
    locator.SetOverride(2, type, Png(7, 9, 2));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool installed = (InstallImages(), true);
  (void)installed;
  const std::string text(reinterpret_cast<const char*>(data), size);
  ZXmlDocument doc;
  if (!doc.Parse(text.c_str())) return 0;

  VuSkinPool& pool = VuSkinPool::Instance();
  pool.Clear();
  VuBmpPool::Instance().Clear();
  VuImagePool::Png().Clear();
  VuImagePool::Jpg().Clear();
  const ZXmlElement root = doc.FirstChildElement();
  const int added = pool.LoadDocument(root);
  FUZZ_CHECK(added >= 0);

  ZCanvas canvas;
  FUZZ_CHECK(canvas.Create(48, 32));
  const ZRect rects[] = {{0, 0, 48, 32},           {3, 2, 20, 30},   {-10, -5, 70, 50},
                         {20, 20, 10, 10},          {60, 40, 90, 80}, {0, 0, 1, 1},
                         {-100000, -90000, 100000, 90000}};
  const int states[] = {-1, 0, 1, 2, 3, 0x10 | 0x03, 0x7FFFFFFF, -7};
  int drawn = 0;
  for (ZXmlElement element = root ? root.FirstChildElement() : ZXmlElement(); element;
       element = element.NextSiblingElement()) {
    const char* name = element.Attribute("name");
    if (!name) continue;
    CVuSkinBase* skin = pool.Get(name);
    if (!skin || ++drawn > 16) continue;
    skin->EnsureLoaded();
    const VuSize natural = skin->GetSkinSize();
    FUZZ_CHECK(natural.cx >= 0 && natural.cy >= 0);
    skin->IsStateless();
    for (const ZRect& rect : rects)
      for (int state : states)
        for (BYTE alpha : {BYTE{255}, BYTE{128}}) skin->Draw(&canvas, rect, state, alpha);
  }
  // Every pixel stays premultiplied.
  for (int y = 0; y < canvas.Height(); ++y)
    for (int x = 0; x < canvas.Width(); ++x) {
      const uint32_t p = canvas.PixelAt(x, y);
      const uint32_t a = p >> 24;
      FUZZ_CHECK(((p >> 16) & 0xFF) <= a && ((p >> 8) & 0xFF) <= a && (p & 0xFF) <= a);
    }
  return 0;
}
