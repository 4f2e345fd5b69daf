// The canvas's shapes, pictures and clipping, pixel for pixel where the
// result is exact (premultiplied 0xAARRGGBB; blends within 1 per channel).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <vector>

#include "platform/canvas.h"
#include "platform/image.h"

namespace {

constexpr ZColor kWhite{255, 255, 255, 255};
constexpr ZColor kTransparent{0, 0, 0, 0};

uint32_t Argb(int a, int r, int g, int b) {
  return (uint32_t(a) << 24) | (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
}

::testing::AssertionResult Near(uint32_t actual, uint32_t expected, int tolerance = 1) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int a = (actual >> shift) & 0xFF, e = (expected >> shift) & 0xFF;
    if (std::abs(a - e) > tolerance)
      return ::testing::AssertionFailure() << std::hex << "0x" << actual << " is not near 0x" << expected;
  }
  return ::testing::AssertionSuccess();
}

TEST(CanvasDrawTest, CreateKeepsToTheBoundsAndStartsTransparent) {
  ZCanvas canvas;
  EXPECT_FALSE(canvas.Create(0, 10));
  EXPECT_FALSE(canvas.Create(10, -1));
  EXPECT_FALSE(canvas.Create(kCanvasMaxSide + 1, 1));
  EXPECT_FALSE(canvas.Create(kCanvasMaxSide, kCanvasMaxSide));  // over the pixel count
  EXPECT_EQ(canvas.Pixels(), nullptr);
  canvas.FillRect({0, 0, 5, 5}, kWhite);  // an empty canvas ignores drawing
  ASSERT_TRUE(canvas.Create(7, 3));
  EXPECT_EQ(canvas.Width(), 7);
  EXPECT_EQ(canvas.Height(), 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x) EXPECT_EQ(canvas.PixelAt(x, y), 0u);
  EXPECT_EQ(canvas.PixelAt(7, 0), 0u);
  canvas.Clear({10, 20, 30, 255});
  EXPECT_EQ(canvas.PixelAt(6, 2), Argb(255, 10, 20, 30));
  // Writes through Pixels() are what later drawing blends over.
  canvas.Pixels()[0] = Argb(255, 0, 0, 0);
  canvas.FillRect({0, 0, 1, 1}, {255, 255, 255, 128});
  EXPECT_TRUE(Near(canvas.PixelAt(0, 0), Argb(255, 128, 128, 128)));
}

TEST(CanvasDrawTest, FillsCoverExactlyTheirRectangleAndBlendOver) {
  ZCanvas canvas;
  ASSERT_TRUE(canvas.Create(10, 10));
  canvas.FillRect({2, 3, 5, 7}, {200, 100, 50, 255});
  EXPECT_EQ(canvas.PixelAt(2, 3), Argb(255, 200, 100, 50));
  EXPECT_EQ(canvas.PixelAt(4, 6), Argb(255, 200, 100, 50));
  EXPECT_EQ(canvas.PixelAt(5, 6), 0u);  // right and bottom are exclusive
  EXPECT_EQ(canvas.PixelAt(4, 7), 0u);
  EXPECT_EQ(canvas.PixelAt(1, 3), 0u);
  // Over nothing: the colour premultiplied.
  canvas.FillRect({6, 0, 8, 2}, {255, 0, 0, 128});
  EXPECT_TRUE(Near(canvas.PixelAt(6, 0), Argb(128, 128, 0, 0)));
  // Over opaque white: src + dst * (1 - alpha).
  canvas.Clear(kWhite);
  canvas.FillRect({0, 0, 10, 10}, {0, 0, 255, 128});
  EXPECT_TRUE(Near(canvas.PixelAt(5, 5), Argb(255, 127, 127, 255)));
  canvas.FillRect({0, 0, 10, 10}, {0, 0, 0, 0});  // fully transparent: no change
  EXPECT_TRUE(Near(canvas.PixelAt(5, 5), Argb(255, 127, 127, 255)));
}

TEST(CanvasDrawTest, GradientsHaveExactEndsAndAreLinearBetween) {
  ZCanvas canvas;
  ASSERT_TRUE(canvas.Create(30, 30));
  canvas.GradientFillH({5, 2, 16, 6}, {0, 0, 0, 255}, {200, 100, 50, 255});
  for (int y = 2; y < 6; ++y) {
    EXPECT_EQ(canvas.PixelAt(5, y), Argb(255, 0, 0, 0));
    EXPECT_EQ(canvas.PixelAt(15, y), Argb(255, 200, 100, 50));
    EXPECT_TRUE(Near(canvas.PixelAt(10, y), Argb(255, 100, 50, 25)));
  }
  EXPECT_EQ(canvas.PixelAt(4, 3), 0u);
  EXPECT_EQ(canvas.PixelAt(16, 3), 0u);
  EXPECT_EQ(canvas.PixelAt(10, 6), 0u);
  // Monotonic along the way.
  for (int x = 6; x < 16; ++x)
    EXPECT_GE((canvas.PixelAt(x, 3) >> 16) & 0xFF, (canvas.PixelAt(x - 1, 3) >> 16) & 0xFF);

  canvas.Clear(kTransparent);
  canvas.GradientFillV({0, 10, 4, 15}, {255, 255, 255, 255}, {0, 0, 255, 0});
  EXPECT_EQ(canvas.PixelAt(0, 10), Argb(255, 255, 255, 255));
  EXPECT_EQ(canvas.PixelAt(3, 14), 0u);  // ends at alpha 0
  EXPECT_TRUE(Near(canvas.PixelAt(2, 12), Argb(128, 64, 64, 128)));
  EXPECT_EQ(canvas.PixelAt(0, 15), 0u);
  // A one-pixel gradient is its start colour.
  canvas.GradientFillH({20, 20, 21, 21}, {9, 8, 7, 255}, {255, 255, 255, 255});
  EXPECT_EQ(canvas.PixelAt(20, 20), Argb(255, 9, 8, 7));
}

ZImage Quad() {
  // red, green / blue at alpha 128, nothing
  ZImage image;
  image.Assign(2, 2, {Argb(255, 255, 0, 0), Argb(255, 0, 255, 0), Argb(128, 0, 0, 128), 0});
  return image;
}

TEST(CanvasDrawTest, ImagesCombineTheirAlphaWithAConstantAlpha) {
  const ZImage image = Quad();
  ZCanvas canvas;
  ASSERT_TRUE(canvas.Create(10, 10));
  canvas.DrawImage(image, {0, 0, 2, 2}, {3, 3, 5, 5});
  EXPECT_EQ(canvas.PixelAt(3, 3), Argb(255, 255, 0, 0));
  EXPECT_EQ(canvas.PixelAt(4, 3), Argb(255, 0, 255, 0));
  EXPECT_EQ(canvas.PixelAt(3, 4), Argb(128, 0, 0, 128));
  EXPECT_EQ(canvas.PixelAt(4, 4), 0u);
  EXPECT_EQ(canvas.PixelAt(5, 5), 0u);

  canvas.Clear(kTransparent);
  canvas.DrawImage(image, {0, 0, 2, 2}, {0, 0, 2, 2}, 128);
  EXPECT_TRUE(Near(canvas.PixelAt(0, 0), Argb(128, 128, 0, 0)));
  EXPECT_TRUE(Near(canvas.PixelAt(0, 1), Argb(64, 0, 0, 64)));  // 128 * 128 / 255

  canvas.Clear(kWhite);
  canvas.DrawImage(image, {0, 0, 2, 2}, {0, 0, 2, 2}, 128);
  EXPECT_TRUE(Near(canvas.PixelAt(0, 1), Argb(255, 191, 191, 255)));
  EXPECT_EQ(canvas.PixelAt(1, 1), Argb(255, 255, 255, 255));

  // A source rectangle picks a part; an alpha of 0 draws nothing.
  canvas.Clear(kTransparent);
  canvas.DrawImage(image, {1, 0, 2, 1}, {0, 0, 4, 4});
  EXPECT_EQ(canvas.PixelAt(0, 0), Argb(255, 0, 255, 0));
  EXPECT_EQ(canvas.PixelAt(3, 3), Argb(255, 0, 255, 0));
  EXPECT_EQ(canvas.PixelAt(4, 4), 0u);
  canvas.DrawImage(image, {0, 0, 2, 2}, {0, 0, 4, 4}, 0);
  EXPECT_EQ(canvas.PixelAt(0, 0), Argb(255, 0, 255, 0));
  canvas.DrawImage(ZImage(), {0, 0, 2, 2}, {0, 0, 4, 4});
  EXPECT_EQ(canvas.PixelAt(0, 0), Argb(255, 0, 255, 0));
}

TEST(CanvasDrawTest, StretchingFiltersBetweenPixels) {
  ZImage image;
  image.Assign(2, 1, {Argb(255, 0, 0, 0), Argb(255, 255, 255, 255)});
  ZCanvas canvas;
  ASSERT_TRUE(canvas.Create(40, 4));
  canvas.DrawImage(image, {0, 0, 2, 1}, {0, 0, 40, 4});
  EXPECT_TRUE(Near(canvas.PixelAt(0, 0), Argb(255, 0, 0, 0), 8));
  EXPECT_TRUE(Near(canvas.PixelAt(39, 3), Argb(255, 255, 255, 255), 8));
  // Nearest-neighbour would jump from black to white; a filter climbs.
  std::map<uint32_t, int> greys;
  for (int x = 0; x < 40; ++x) {
    const uint32_t grey = canvas.PixelAt(x, 1) & 0xFF;
    if (x) {
      EXPECT_GE(grey, canvas.PixelAt(x - 1, 1) & 0xFF);
    }
    greys[grey]++;
  }
  EXPECT_GE(greys.size(), 8u);
  EXPECT_TRUE(Near(canvas.PixelAt(20, 2), Argb(255, 128, 128, 128), 20));
}

TEST(CanvasDrawTest, ATranslucentPolylineIsBlendedOnceEverywhere) {
  ZCanvas canvas;
  ASSERT_TRUE(canvas.Create(40, 40));
  canvas.Clear(kWhite);
  const ZPoint points[] = {{10, 10}, {30, 10}, {30, 30}, {20, 30}};
  canvas.DrawPolyline(points, 4, 2, {138, 138, 138, 100});
  // 138 * 100/255 + 255 * 155/255
  const uint32_t line = Argb(255, 209, 209, 209);
  for (int x = 10; x < 28; ++x) {  // the vertical part covers columns 29 and 30
    EXPECT_TRUE(Near(canvas.PixelAt(x, 9), line)) << x;
    EXPECT_TRUE(Near(canvas.PixelAt(x, 10), line)) << x;
    EXPECT_EQ(canvas.PixelAt(x, 8), 0xFFFFFFFFu) << x;
    EXPECT_EQ(canvas.PixelAt(x, 11), 0xFFFFFFFFu) << x;
  }
  for (int y = 12; y < 28; ++y) {  // the last part covers rows 29 and 30
    EXPECT_TRUE(Near(canvas.PixelAt(29, y), line)) << y;
    EXPECT_TRUE(Near(canvas.PixelAt(30, y), line)) << y;
    EXPECT_EQ(canvas.PixelAt(28, y), 0xFFFFFFFFu) << y;
    EXPECT_EQ(canvas.PixelAt(31, y), 0xFFFFFFFFu) << y;
  }
  EXPECT_EQ(canvas.PixelAt(9, 10), 0xFFFFFFFFu);   // starts at its first point
  EXPECT_EQ(canvas.PixelAt(19, 30), 0xFFFFFFFFu);  // the last point is not drawn
  // Where segments meet the colour is the same: one blend, never two.
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) {
      const uint32_t p = canvas.PixelAt(x, y);
      EXPECT_TRUE(p == 0xFFFFFFFFu || Near(p, line)) << x << "," << y << std::hex << " " << p;
    }
}

TEST(CanvasDrawTest, OddWidthLinesCoverWholePixelsFromFirstToBeforeLast) {
  ZCanvas canvas;
  ASSERT_TRUE(canvas.Create(20, 20));
  canvas.DrawLine({2, 5}, {12, 5}, 1, {0, 0, 255, 255});
  for (int x = 2; x < 12; ++x) EXPECT_EQ(canvas.PixelAt(x, 5), Argb(255, 0, 0, 255)) << x;
  EXPECT_EQ(canvas.PixelAt(1, 5), 0u);
  EXPECT_EQ(canvas.PixelAt(12, 5), 0u);
  EXPECT_EQ(canvas.PixelAt(6, 4), 0u);
  EXPECT_EQ(canvas.PixelAt(6, 6), 0u);
  canvas.Clear();
  canvas.DrawLine({8, 15}, {8, 10}, 3, {0, 0, 255, 255});  // upwards
  for (int y = 11; y <= 15; ++y) {
    EXPECT_EQ(canvas.PixelAt(7, y), Argb(255, 0, 0, 255)) << y;
    EXPECT_EQ(canvas.PixelAt(9, y), Argb(255, 0, 0, 255)) << y;
  }
  EXPECT_EQ(canvas.PixelAt(8, 10), 0u);
  EXPECT_EQ(canvas.PixelAt(8, 16), 0u);
  EXPECT_EQ(canvas.PixelAt(6, 12), 0u);
  EXPECT_EQ(canvas.PixelAt(10, 12), 0u);
}

TEST(CanvasDrawTest, RectangleOutlinesStayInsideAndRoundedCornersAreCut) {
  ZCanvas canvas;
  ASSERT_TRUE(canvas.Create(20, 20));
  const ZColor red{255, 0, 0, 255};
  canvas.DrawRect({2, 2, 8, 8}, 1, red);
  for (int i = 2; i < 8; ++i) {
    EXPECT_EQ(canvas.PixelAt(i, 2), Argb(255, 255, 0, 0)) << i;
    EXPECT_EQ(canvas.PixelAt(i, 7), Argb(255, 255, 0, 0)) << i;
    EXPECT_EQ(canvas.PixelAt(2, i), Argb(255, 255, 0, 0)) << i;
    EXPECT_EQ(canvas.PixelAt(7, i), Argb(255, 255, 0, 0)) << i;
  }
  EXPECT_EQ(canvas.PixelAt(3, 3), 0u);
  EXPECT_EQ(canvas.PixelAt(8, 8), 0u);
  EXPECT_EQ(canvas.PixelAt(1, 1), 0u);

  canvas.Clear(kTransparent);
  canvas.DrawRect({0, 0, 10, 10}, 2, red);
  EXPECT_EQ(canvas.PixelAt(1, 5), Argb(255, 255, 0, 0));
  EXPECT_EQ(canvas.PixelAt(8, 5), Argb(255, 255, 0, 0));
  EXPECT_EQ(canvas.PixelAt(2, 5), 0u);

  canvas.Clear(kTransparent);
  canvas.FillRoundRect({0, 0, 20, 20}, 6, red);
  EXPECT_EQ(canvas.PixelAt(0, 0), 0u);
  EXPECT_EQ(canvas.PixelAt(19, 19), 0u);
  EXPECT_EQ(canvas.PixelAt(10, 0), Argb(255, 255, 0, 0));
  EXPECT_EQ(canvas.PixelAt(10, 10), Argb(255, 255, 0, 0));
  canvas.Clear(kTransparent);
  canvas.DrawRoundRect({0, 0, 20, 20}, 6, 1, red);
  EXPECT_EQ(canvas.PixelAt(0, 0), 0u);
  EXPECT_EQ(canvas.PixelAt(10, 0), Argb(255, 255, 0, 0));
  EXPECT_EQ(canvas.PixelAt(10, 10), 0u);
}

TEST(CanvasDrawTest, ClippingLimitsToTheUnionAndNests) {
  ZCanvas canvas;
  ASSERT_TRUE(canvas.Create(20, 20));
  const ZRect two[] = {{0, 0, 5, 5}, {3, 3, 10, 10}};
  canvas.PushClip(two, 2);
  canvas.FillRect({0, 0, 20, 20}, kWhite);
  EXPECT_EQ(canvas.PixelAt(4, 4), 0xFFFFFFFFu);  // in both: drawn once, still opaque
  EXPECT_EQ(canvas.PixelAt(0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(canvas.PixelAt(9, 9), 0xFFFFFFFFu);
  EXPECT_EQ(canvas.PixelAt(6, 1), 0u);
  EXPECT_EQ(canvas.PixelAt(10, 10), 0u);
  // A nested clip intersects.
  const ZRect inner{4, 0, 20, 20};
  canvas.PushClip(&inner, 1);
  canvas.FillRect({0, 0, 20, 20}, {255, 0, 0, 255});
  EXPECT_EQ(canvas.PixelAt(3, 3), 0xFFFFFFFFu);
  EXPECT_EQ(canvas.PixelAt(4, 4), Argb(255, 255, 0, 0));
  EXPECT_EQ(canvas.PixelAt(15, 15), 0u);
  canvas.PopClip();
  canvas.PopClip();
  canvas.PopClip();  // one too many is ignored
  canvas.FillRect({15, 15, 16, 16}, kWhite);
  EXPECT_EQ(canvas.PixelAt(15, 15), 0xFFFFFFFFu);
  // No rectangle: nothing at all, lines and pictures included.
  canvas.PushClip(nullptr, 0);
  canvas.FillRect({0, 0, 20, 20}, {0, 0, 255, 255});
  canvas.DrawLine({0, 18}, {20, 18}, 3, {0, 0, 255, 255});
  canvas.DrawImage(Quad(), {0, 0, 2, 2}, {0, 0, 20, 20});
  canvas.PopClip();
  EXPECT_EQ(canvas.PixelAt(15, 15), 0xFFFFFFFFu);
  EXPECT_EQ(canvas.PixelAt(18, 18), 0u);
}

TEST(CanvasDrawTest, PngRoundTripKeepsThePixels) {
  ZCanvas canvas;
  ASSERT_TRUE(canvas.Create(9, 5));
  canvas.GradientFillH({0, 0, 9, 5}, {255, 0, 0, 255}, {0, 0, 255, 60});
  canvas.FillRect({2, 2, 4, 4}, {0, 200, 0, 255});
  std::vector<uint8_t> png;
  ASSERT_TRUE(canvas.EncodePng(&png));
  ZImage image;
  ASSERT_TRUE(image.LoadBytes(png.data(), png.size()));
  ASSERT_EQ(image.Width(), 9);
  ASSERT_EQ(image.Height(), 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 9; ++x) EXPECT_TRUE(Near(image.PixelAt(x, y), canvas.PixelAt(x, y))) << x;
  ZCanvas empty;
  EXPECT_FALSE(empty.EncodePng(&png));
}

}  // namespace
