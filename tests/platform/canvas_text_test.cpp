// The canvas's text: where fonts decide the pixels, the tests look at the
// shape of the ink (inside its rectangle, wrapped, cut short, underlined).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/canvas.h"
#include "platform/sim/canvas/SimCanvasFonts.h"

namespace {

constexpr ZColor kBlack{0, 0, 0, 255};

struct Ink {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // right, bottom exclusive
  int pixels = 0;
  bool Any() const { return pixels > 0; }
  int Width() const { return right - left; }
};

Ink InkOf(const ZCanvas& canvas) {
  Ink ink;
  for (int y = 0; y < canvas.Height(); ++y)
    for (int x = 0; x < canvas.Width(); ++x)
      if (canvas.PixelAt(x, y) >> 24) {
        ink.left = std::min(ink.left, x);
        ink.top = std::min(ink.top, y);
        ink.right = std::max(ink.right, x + 1);
        ink.bottom = std::max(ink.bottom, y + 1);
        ++ink.pixels;
      }
  return ink;
}

ZFont Font(int height = -16) {
  ZFont font;
  font.face = u"DejaVu Sans";
  font.height = height;
  return font;
}

class CanvasTextTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(canvas_.Create(400, 200)); }
  Ink Draw(const std::u16string& text, ZRect rect, UINT format, const ZFont& font = Font()) {
    canvas_.Clear();
    canvas_.PaintText(text, &rect, format, font, kBlack);
    return InkOf(canvas_);
  }
  ZRect Calc(const std::u16string& text, ZRect rect, UINT format, const ZFont& font = Font(),
             int* height = nullptr) {
    const int h = canvas_.PaintText(text, &rect, format | DT_CALCRECT, font, kBlack);
    if (height) *height = h;
    return rect;
  }
  ZCanvas canvas_;
};

TEST_F(CanvasTextTest, AlignmentPlacesTheInkInsideItsRectangle) {
  const ZRect box{50, 40, 350, 100};
  const Ink left = Draw(u"Remove", box, DT_LEFT | DT_SINGLELINE | DT_VCENTER);
  ASSERT_TRUE(left.Any());
  EXPECT_GE(left.left, box.left);
  EXPECT_LT(left.left, box.left + 4);
  // Vertically centred: about as much room above as below.
  EXPECT_NEAR(left.top - box.top, box.bottom - left.bottom, 6);
  const Ink center = Draw(u"Remove", box, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
  EXPECT_NEAR((center.left + center.right) / 2, (box.left + box.right) / 2, 3);
  const Ink right = Draw(u"Remove", box, DT_RIGHT | DT_SINGLELINE | DT_BOTTOM);
  EXPECT_LE(right.right, box.right);
  EXPECT_GT(right.right, box.right - 4);
  EXPECT_LE(right.bottom, box.bottom);
  EXPECT_GT(right.bottom, box.bottom - 8);
  // Without DT_SINGLELINE vertical centring does not apply (as on Windows).
  const Ink top = Draw(u"Remove", box, DT_LEFT | DT_VCENTER);
  EXPECT_LT(top.top, box.top + 6);
}

TEST_F(CanvasTextTest, TextIsClippedToItsRectangleUnlessToldNotTo) {
  const std::u16string text = u"A long line that does not fit in the box at all";
  const ZRect box{10, 10, 110, 40};
  const Ink clipped = Draw(text, box, DT_SINGLELINE);
  EXPECT_LE(clipped.right, box.right);
  EXPECT_GT(clipped.right, box.right - 6);
  const Ink free = Draw(text, box, DT_SINGLELINE | DT_NOCLIP);
  EXPECT_GT(free.right, box.right + 100);
}

TEST_F(CanvasTextTest, EndEllipsisShortensALongLine) {
  const std::u16string text = u"A long line that does not fit in the box at all";
  const ZRect box{10, 10, 160, 40};
  const Ink cut = Draw(text, box, DT_SINGLELINE | DT_END_ELLIPSIS);
  ASSERT_TRUE(cut.Any());
  EXPECT_LE(cut.right, box.right);
  const Ink clipped = Draw(text, box, DT_SINGLELINE);
  EXPECT_LT(cut.pixels, clipped.pixels);  // fewer letters, three dots
  // A line that fits is left alone.
  const Ink fits = Draw(u"Short", box, DT_SINGLELINE | DT_END_ELLIPSIS);
  const Ink plain = Draw(u"Short", box, DT_SINGLELINE);
  EXPECT_EQ(fits.pixels, plain.pixels);
}

TEST_F(CanvasTextTest, WordBreakWrapsToTheWidthAndCalcRectMeasures) {
  const std::u16string text = u"The quick brown fox jumps over the lazy dog again and again";
  int one_line = 0;
  const ZRect single = Calc(u"The", {0, 0, 120, 10}, DT_SINGLELINE, Font(), &one_line);
  EXPECT_GT(one_line, 10);
  EXPECT_EQ(single.bottom, one_line);
  EXPECT_GT(single.right, 10);
  EXPECT_LT(single.right, 60);

  int wrapped_height = 0;
  const ZRect wrapped = Calc(text, {20, 30, 140, 31}, DT_WORDBREAK, Font(), &wrapped_height);
  EXPECT_GE(wrapped_height, 3 * one_line);
  EXPECT_EQ(wrapped.bottom, 30 + wrapped_height);
  EXPECT_EQ(wrapped.left, 20);
  EXPECT_LE(wrapped.right, 140);  // the widest line, never wider than asked
  EXPECT_GT(wrapped.right, 100);

  const Ink ink = Draw(text, {20, 30, 140, 190}, DT_WORDBREAK);
  EXPECT_GE(ink.left, 20);
  EXPECT_LE(ink.right, 140);
  EXPECT_GE(ink.bottom - ink.top, 2 * one_line);
  // Without DT_WORDBREAK it stays on one line.
  int unwrapped_height = 0;
  const ZRect unwrapped = Calc(text, {20, 30, 140, 31}, 0, Font(), &unwrapped_height);
  EXPECT_EQ(unwrapped_height, one_line);
  EXPECT_GT(unwrapped.right, 300);
  // Explicit line breaks count unless DT_SINGLELINE.
  int two_lines = 0;
  Calc(u"one\r\ntwo", {0, 0, 100, 10}, 0, Font(), &two_lines);
  EXPECT_EQ(two_lines, 2 * one_line);
  Calc(u"one\r\ntwo", {0, 0, 100, 10}, DT_SINGLELINE, Font(), &two_lines);
  EXPECT_EQ(two_lines, one_line);
}

TEST_F(CanvasTextTest, AmpersandsUnderlineUnlessNoPrefix) {
  const ZRect box{0, 0, 300, 60};
  const int plain = Calc(u"File", box, DT_SINGLELINE).right;
  EXPECT_EQ(Calc(u"&File", box, DT_SINGLELINE).right, plain);
  EXPECT_GT(Calc(u"&File", box, DT_SINGLELINE | DT_NOPREFIX).right, plain);
  EXPECT_EQ(Calc(u"a&&b", box, DT_SINGLELINE).right, Calc(u"a&b", box, DT_SINGLELINE | DT_NOPREFIX).right);
  // The underline adds ink below the letters.
  const Ink without = Draw(u"File", box, DT_SINGLELINE);
  const Ink with = Draw(u"&File", box, DT_SINGLELINE);
  EXPECT_GT(with.pixels, without.pixels);
  EXPECT_GT(with.bottom, without.bottom);
}

TEST_F(CanvasTextTest, FontSizeWeightAndStyleChangeTheInk) {
  const ZRect box{0, 0, 400, 200};
  const Ink small = Draw(u"Mg", box, DT_SINGLELINE, Font(-10));
  const Ink large = Draw(u"Mg", box, DT_SINGLELINE, Font(-40));
  EXPECT_GT(large.bottom - large.top, 3 * (small.bottom - small.top));
  // A positive height is the cell: one line of that height.
  int cell = 0;
  Calc(u"Mg", box, DT_SINGLELINE, Font(30), &cell);
  EXPECT_NEAR(cell, 30, 2);

  ZFont bold = Font(-20);
  bold.weight = FW_BOLD;
  EXPECT_GT(Draw(u"Mountain", box, DT_SINGLELINE, bold).pixels,
            Draw(u"Mountain", box, DT_SINGLELINE, Font(-20)).pixels);
  ZFont italic = Font(-20);
  italic.italic = true;
  const Ink upright = Draw(u"lllll", box, DT_SINGLELINE, Font(-20));
  const Ink slanted = Draw(u"lllll", box, DT_SINGLELINE, italic);
  EXPECT_GT(slanted.Width(), upright.Width());
  ZFont struck = Font(-20);
  struck.strike_out = true;
  EXPECT_GT(Draw(u"ooo", box, DT_SINGLELINE, struck).pixels, Draw(u"ooo", box, DT_SINGLELINE, Font(-20)).pixels);
  ZFont underlined = Font(-20);
  underlined.underline = true;
  EXPECT_GT(Draw(u"ooo", box, DT_SINGLELINE, underlined).bottom, Draw(u"ooo", box, DT_SINGLELINE, Font(-20)).bottom);
}

TEST_F(CanvasTextTest, MissingFacesAndChineseFallBackToFontsWithTheGlyphs) {
  ZFont missing = Font();
  missing.face = u"No Such Face 7";
  EXPECT_EQ(SimCanvasUnknownGlyphs(u"Uninstall", missing), 0);
  EXPECT_TRUE(Draw(u"Uninstall", {0, 0, 300, 50}, DT_SINGLELINE, missing).Any());
  // A Latin face asked for Chinese: a CJK font supplies the glyphs.
  const std::u16string chinese = u"\u5378\u8F7D\u7A0B\u5E8F\u4E2D\u6587";  // six ideographs
  EXPECT_EQ(SimCanvasUnknownGlyphs(chinese, Font()), 0);
  EXPECT_EQ(SimCanvasUnknownGlyphs(chinese, missing), 0);
  // A private-use character no font has: the check does see boxes.
  EXPECT_EQ(SimCanvasUnknownGlyphs(u"\U000F0001", Font()), 1);
  const Ink ink = Draw(chinese, {0, 0, 300, 50}, DT_SINGLELINE);
  EXPECT_GT(ink.Width(), 5 * 14);  // six full-width characters at 16 pixels
  EXPECT_GT(ink.pixels, 200);
}

TEST_F(CanvasTextTest, MeasureStringAddsGdiPlusPaddingAndWraps) {
  const ZFont font = Font(-18);
  const int drawn = Calc(u"Measure me", {0, 0, 10, 10}, DT_SINGLELINE | DT_NOPREFIX, font).right;
  const ZSizeF measured = canvas_.MeasureString(u"Measure me", font);
  EXPECT_NEAR(measured.width, drawn + 18.0 / 3, 1.5);
  int line = 0;
  Calc(u"Measure me", {0, 0, 10, 10}, DT_SINGLELINE, font, &line);
  EXPECT_NEAR(measured.height, line, 1.0);
  // "&" is plain text to it.
  EXPECT_GT(canvas_.MeasureString(u"&Measure me", font).width, measured.width);
  const ZSizeF wrapped = canvas_.MeasureString(u"Measure me and me and me again", font, 80);
  EXPECT_LE(wrapped.width, 80);
  EXPECT_GE(wrapped.height, 3 * line - 1);
  EXPECT_EQ(canvas_.MeasureString(u"", font).width, 0);
}

}  // namespace
