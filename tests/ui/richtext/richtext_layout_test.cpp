// Rich-text layout against a graphics double of fixed measures: greedy
// breaking by characters, breaks, links kept whole, offsets over lines,
// line heights of mixed sizes, "g" alignment, spacing and centring.
#include <gtest/gtest.h>

#include <string>

#include "ui/richtext/VuRichLayout.h"
#include "ui/richtext/VuRichRuns.h"

namespace {

// Every character 10 pixels wide ("W" 50), plus the font's size step;
// lines 12 pixels tall plus twice the step. Draws nothing.
class FixedGraphics : public IRichTextGraphics {
 public:
  ZSizeF MeasureText(const std::u16string& text, const ZFont& font) override {
    const int step = -12 - font.height;  // the resolver below maps the step into the height
    float width = 0;
    for (char16_t c : text) width += static_cast<float>((c == u'W' ? 50 : 10) + step);
    return {width, static_cast<float>(12 + 2 * step)};
  }
  void DrawText(const std::u16string&, float, float, const ZFont&, ZColor) override {}
  void DrawSkin(const std::string&, const ZRect&) override {}
  void PushClip(const ZRect&) override {}
  void PopClip() override {}
  bool Fractional() const override { return false; }
};

class RichTextLayout : public ::testing::Test {
 protected:
  VuRichLayout Lay(const std::string& content, int width, int link_font = -1) {
    runs_ = VuReadRichRuns(VuParseRichMarkupText("<r>" + content + "</r>"), 0);
    geometry_.right = geometry_.left + width;
    VuRichMeasurer measurer(&graphics_, [](uint16_t id) {
      ZFont font;
      font.height = -12 - static_cast<int8_t>(id >> 8);
      return font;
    });
    return VuLayoutRichRuns(runs_, geometry_, &measurer, 0, link_font);
  }
  std::u16string PieceText(const VuRichLayout& layout, size_t i) const {
    const VuRichPiece& p = layout.pieces[i];
    return runs_[p.run].text.substr(p.start, p.length);
  }
  FixedGraphics graphics_;
  VuRichGeometry geometry_{5, 7, 0};
  std::vector<VuRichRun> runs_;
};

TEST_F(RichTextLayout, BreaksBetweenCharactersNotAtSpacesAndAlwaysAdvances) {
  // 45 pixels hold four characters: "ab c" then "def".
  VuRichLayout layout = Lay("ab cdef", 45);
  ASSERT_EQ(layout.pieces.size(), 2u);
  EXPECT_EQ(PieceText(layout, 0), u"ab c");
  EXPECT_EQ(PieceText(layout, 1), u"def");
  EXPECT_EQ(layout.pieces[1].x, 5);
  EXPECT_EQ(layout.pieces[1].y, 7 + 12);
  // Exactly at the right edge still fits.
  EXPECT_EQ(Lay("abcd", 40).lines.size(), 1u);
  // A character wider than the line goes alone on its line.
  layout = Lay("aWb", 30);
  ASSERT_EQ(layout.pieces.size(), 3u);
  EXPECT_EQ(PieceText(layout, 1), u"W");
  EXPECT_EQ(layout.pieces[1].x, 5);
  EXPECT_EQ(layout.lines.size(), 3u);
  // No width at all: one character a line, and the layout still ends.
  EXPECT_EQ(Lay("abcdef", 0).lines.size(), 6u);
}

TEST_F(RichTextLayout, ABreakFirstStartsOnTheSecondLineAndSpacingsApply) {
  geometry_.line_spacing = 3;
  geometry_.spacing = 4;
  VuRichLayout layout = Lay("<br/>ab<b>cd</b>", 200);
  ASSERT_EQ(layout.lines.size(), 2u);
  EXPECT_EQ(layout.pieces[0].y, 7 + 12 + 3);
  EXPECT_EQ(layout.pieces[1].x, 5 + 20 + 4) << "a run ends with the style's spacing";
  EXPECT_EQ(layout.bottom, 7 + 12 + 3 + 12);
}

TEST_F(RichTextLayout, MixedSizesShareTheLineBottomUnlessGrouped) {
  // Size step 4: 14 wide, 20 tall; the line is 20 tall.
  VuRichLayout layout = Lay("a<s size='4'>B</s><g align='t'>t</g><g align='c'>c</g>", 200);
  ASSERT_EQ(layout.lines.size(), 1u);
  EXPECT_EQ(layout.lines[0].height, 20);
  EXPECT_EQ(layout.pieces[0].y, 7 + 8) << "bottom by default";
  EXPECT_EQ(layout.pieces[1].y, 7);
  EXPECT_EQ(layout.pieces[2].y, 7);
  EXPECT_EQ(layout.pieces[3].y, 7 + 4);
  // The next line starts below the tallest run.
  layout = Lay("<s size='4'>B</s><br/>a", 200);
  EXPECT_EQ(layout.pieces[1].y, 7 + 20);
}

TEST_F(RichTextLayout, LinksStayWholeAndMoveToTheNextLine) {
  VuRichLayout layout = Lay("abc<a id='1'>link</a><a id='2'>x</a>", 60);
  ASSERT_EQ(layout.links.size(), 2u);
  EXPECT_EQ(layout.links[0].x, 5) << "30 + 40 passes 60: the link starts the next line";
  EXPECT_EQ(layout.links[0].y, 7 + 12);
  EXPECT_EQ(layout.links[1].x, 5 + 40);
  EXPECT_EQ(layout.links[1].y, 7 + 12);
  EXPECT_EQ(layout.links[0].Rect().right, 45);
  // Links are measured with the link font (size step 2: 12 a character).
  layout = Lay("<a id='1'>link</a>", 100, 0x0200);
  EXPECT_EQ(layout.links[0].width, 48);
  // A link wider than the line stays whole on a line of its own.
  layout = Lay("a<a id='1'>longlink</a>", 30);
  EXPECT_EQ(layout.links[0].x, 5);
  EXPECT_EQ(layout.links[0].width, 80);
}

TEST_F(RichTextLayout, OffsetsWrapOverLinesAndNegativeOnesStopAtTheStart) {
  // Line width 100; from x 10 an offset of 0x118 (280) runs 190 past the
  // edge: one whole empty line, then 90 into the third.
  VuRichLayout layout = Lay("a<o offset='118'/>b", 100);
  ASSERT_EQ(layout.pieces.size(), 2u);
  EXPECT_EQ(layout.pieces[1].x, 5 + 90);
  EXPECT_EQ(layout.pieces[1].y, 7 + 2 * 12);
  layout = Lay("a<o offset='10'/>b", 100);
  EXPECT_EQ(layout.pieces[1].x, 5 + 10 + 16);
  layout = Lay("abc<o offset='-64'/>d", 100);
  EXPECT_EQ(layout.pieces[1].x, 5) << "not before the line's start";
  // A huge offset skips its lines at once and the layout stops at its bound.
  layout = Lay("a<o offset='7FFFFFFF'/>b", 10);
  EXPECT_TRUE(layout.truncated);
  EXPECT_EQ(layout.pieces.size(), 1u);
}

TEST_F(RichTextLayout, CentringMovesEachLineByHalfItsSpace) {
  geometry_.centre = true;
  VuRichLayout layout = Lay("abcdefgh<br/>ab", 50);
  ASSERT_EQ(layout.pieces.size(), 3u);
  EXPECT_EQ(layout.pieces[0].x, 5) << "a full line stays";
  EXPECT_EQ(layout.pieces[2].x, 5 + 15);
}

}  // namespace
