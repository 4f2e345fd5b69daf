// The comparison that decides whether another back end painted the demo's
// scene: it passes renderers' edge differences and fails real faults.
#include <gtest/gtest.h>

#include <functional>

#include "tools/canvasdemo/CanvasScene.h"
#include "tools/canvasdemo/SceneCompare.h"

namespace {

ZImage Paint(const std::function<void(ZCanvas*)>& after = nullptr) {
  const ZImage disk = SceneDisk();
  ZCanvas canvas;
  EXPECT_TRUE(canvas.Create(kSceneWidth, kSceneHeight));
  PaintScene(&canvas, disk, disk);
  if (after) after(&canvas);
  ZImage image;
  image.Assign(kSceneWidth, kSceneHeight,
               std::vector<uint32_t>(canvas.Pixels(), canvas.Pixels() + kSceneWidth * kSceneHeight));
  return image;
}

ZImage Shifted(const ZImage& image, int dx, int dy) {
  std::vector<uint32_t> pixels(static_cast<size_t>(image.Width()) * image.Height());
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x)
      pixels[static_cast<size_t>(y) * image.Width() + x] = image.PixelAt(x - dx, y - dy);
  ZImage out;
  out.Assign(image.Width(), image.Height(), std::move(pixels));
  return out;
}

const ZColor kPaper{246, 248, 252, 255};
const ZPoint kChart[] = {{440, 220}, {470, 180}, {500, 200}, {530, 170}, {580, 190}};

}  // namespace

TEST(SceneCompareTest, SameSceneAndRendererEdgesPass) {
  const ZImage scene = Paint();
  ZPictureDifference same = CompareWithScene(scene, Paint(), false);
  EXPECT_TRUE(PictureDifferenceAcceptable(same)) << DescribePictureDifference(same);
  EXPECT_EQ(same.max_channel, 0);

  // The chart drawn without anti-aliasing and half a pixel off, as Wine's
  // GDI+ draws it: 2-pixel squares along each segment, each pixel either
  // paper or the pen's colour over paper. The same picture.
  const ZImage plain = Paint([](ZCanvas* c) { c->DrawPolyline(kChart, 5, 2, kPaper); });
  const ZImage inked = Paint([](ZCanvas* c) {
    c->DrawPolyline(kChart, 5, 2, kPaper);
    c->FillRect({436, 164, 584, 244}, {138, 138, 138, 100});
  });
  ZCanvas pen;
  ASSERT_TRUE(pen.Create(kSceneWidth, kSceneHeight));
  pen.Clear({0, 0, 0, 0});
  for (int i = 0; i + 1 < 5; ++i)
    for (int step = 0; step <= 60; ++step) {
      const double t = step / 60.0;
      const int x = static_cast<int>(kChart[i].x + t * (kChart[i + 1].x - kChart[i].x));
      const int y = static_cast<int>(kChart[i].y + t * (kChart[i + 1].y - kChart[i].y));
      pen.FillRect({x, y, x + 2, y + 2}, {255, 255, 255, 255});
    }
  std::vector<uint32_t> pixels(kSceneWidth * kSceneHeight);
  for (size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = pen.Pixels()[i] ? inked.Pixels()[i] : plain.Pixels()[i];
  ZImage aliased;
  aliased.Assign(kSceneWidth, kSceneHeight, std::move(pixels));
  ZPictureDifference edges = CompareWithScene(scene, aliased, false);
  EXPECT_TRUE(PictureDifferenceAcceptable(edges)) << DescribePictureDifference(edges);
  EXPECT_GT(edges.over_close, 0);

  // Text is not compared: glyphs are the renderer's own.
  ZImage other_text = Paint([](ZCanvas* c) { c->FillRect(kSceneTitleRect, {255, 0, 0, 255}); });
  EXPECT_TRUE(PictureDifferenceAcceptable(CompareWithScene(scene, other_text, false)));
}

TEST(SceneCompareTest, MissingMisplacedOrWrongPrimitivesFail) {
  const ZImage scene = Paint();
  const std::pair<const char*, std::function<void(ZCanvas*)>> faults[] = {
      {"chart left out", [](ZCanvas* c) { c->DrawPolyline(kChart, 5, 2, kPaper); }},
      {"rounded outline left out",
       [](ZCanvas* c) { c->DrawRoundRect({20, 240, 200, 300}, 8, 2, kPaper); }},
      {"a fill with the wrong alpha", [](ZCanvas* c) { c->FillRect({20, 80, 120, 160}, {220, 40, 40, 60}); }},
      {"red and blue swapped in a fill",
       [](ZCanvas* c) { c->FillRect({100, 140, 200, 220}, {220, 80, 40, 255}); }},
      {"gradient reversed",
       [](ZCanvas* c) { c->GradientFillH({20, 378, 200, 394}, {40, 140, 220, 255}, {60, 170, 90, 255}); }},
      {"clip ignored",
       [](ZCanvas* c) { c->GradientFillH({200, 190, 290, 225}, {255, 255, 255, 200}, {0, 0, 0, 200}); }},
      {"picture not stretched", [](ZCanvas* c) { c->FillRect({280, 80, 424, 224}, kPaper); }},
  };
  for (const auto& [what, fault] : faults) {
    ZPictureDifference d = CompareWithScene(scene, Paint(fault), false);
    EXPECT_FALSE(PictureDifferenceAcceptable(d)) << what << ": " << DescribePictureDifference(d);
  }
  EXPECT_FALSE(PictureDifferenceAcceptable(CompareWithScene(scene, Shifted(scene, 2, 0), false)));
  EXPECT_FALSE(PictureDifferenceAcceptable(CompareWithScene(scene, Shifted(scene, 0, 3), false)));

  ZImage small;
  small.Assign(10, 10, std::vector<uint32_t>(100, 0xFFFFFFFFu));
  ZPictureDifference wrong_size = CompareWithScene(scene, small, false);
  EXPECT_FALSE(wrong_size.same_size);
  EXPECT_FALSE(PictureDifferenceAcceptable(wrong_size));
}

TEST(SceneCompareTest, AScreenshotIsComparedWhereTheSceneIsOpaque) {
  const ZImage scene = Paint();
  // A window shows the scene's see-through corners over whatever lies under
  // them, and has no alpha of its own.
  std::vector<uint32_t> pixels(scene.Pixels(), scene.Pixels() + kSceneWidth * kSceneHeight);
  for (uint32_t& p : pixels) {
    const uint32_t rest = 255 - (p >> 24);
    p = (p + rest * 0x00010101u) | 0xFF000000u;  // over white, made opaque
  }
  pixels[0] = 0xFF000000u;  // a corner pixel: whatever the desktop had
  ZImage shot;
  shot.Assign(kSceneWidth, kSceneHeight, std::move(pixels));
  ZPictureDifference window = CompareWithScene(scene, shot, true);
  EXPECT_TRUE(PictureDifferenceAcceptable(window)) << DescribePictureDifference(window);
  EXPECT_EQ(window.max_channel, 0);
  EXPECT_LT(window.compared, kSceneWidth * kSceneHeight);
  // Compared with alpha, the corners differ.
  EXPECT_GT(CompareWithScene(scene, shot, false).max_channel, 0);
}
