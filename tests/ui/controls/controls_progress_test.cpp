// Progress bars: the bar's width for a value, the swap and clamp that a
// paint stores, the percentage text and its second, clipped pass, the
// position skin's rectangle, the moving block over successive paints, and
// the extended bar's text and left inset.
#include "tests/ui/controls/controls_test_support.h"
#include "ui/controls/progress/CVuProgress.h"
#include "ui/controls/progress/CVuProgressEx.h"

namespace {

constexpr uint32_t kFill = 0xFF426190;  // COLORREF 0x906142

class ProgressTest : public ControlTest {
 protected:
  // The first x of row y, from the left, that is not the bar's fill.
  int BarEnd(int y, int from) const {
    int x = from;
    while (x < canvas_.Width() && Px(x, y) == kFill) ++x;
    return x;
  }
};

// Exposes the text the bar draws.
class TextProbe : public CVuProgressEx {
 public:
  std::u16string Text(int percent) const { return PercentText(percent); }
};

TEST_F(ProgressTest, BarWidthFollowsTheRatioInsideATwoPixelInset) {
  // 104 wide: the plain bar spans x 2 to 102, 100 pixels.
  auto bar = Make<CVuProgress>(R"(<progress pos="0,0,104,20" value="37"/>)");
  PaintIn(bar.get(), 0);
  EXPECT_EQ(BarEnd(10, 2), 39);
  EXPECT_EQ(Px(1, 10), kWhite) << "inside the outline, outside the bar";
  EXPECT_NE(Px(0, 10), kWhite) << "the outline";
  EXPECT_EQ(Px(20, 1), kWhite);
  EXPECT_EQ(Px(20, 2), kFill);

  EXPECT_EQ(bar->SetAttribute("value", "1000", false), 1);
  PaintIn(bar.get(), 0);
  EXPECT_EQ(bar->Value(), 100u) << "clamped and stored";
  EXPECT_EQ(BarEnd(10, 2), 102) << "a full bar";
}

TEST_F(ProgressTest, EqualBoundsGiveNothingAndReversedBoundsAreSwapped) {
  auto bar = Make<CVuProgress>(R"(<progress pos="0,0,104,20" min="50" max="50" value="50"/>)");
  PaintIn(bar.get(), 0);
  EXPECT_EQ(Count({2, 2, 102, 18}, kFill), 0u);
  EXPECT_EQ(bar->NormalizeAndRatio(), 0);

  auto reversed = Make<CVuProgress>(R"(<progress pos="0,0,104,20" min="200" max="100" value="125"/>)");
  PaintIn(reversed.get(), 0);
  EXPECT_EQ(reversed->Min(), 100u);
  EXPECT_EQ(reversed->Max(), 200u);
  EXPECT_EQ(BarEnd(10, 2), 27);
  // Unsigned: a value below a huge minimum is clamped up, not wrapped.
  auto huge = Make<CVuProgress>(R"(<progress pos="0,0,104,20" min="4294967290" max="99999999999" value="-7"/>)");
  EXPECT_EQ(huge->Max(), 0xFFFFFFFFu);
  EXPECT_EQ(huge->Value(), 0u);
  PaintIn(huge.get(), 0);
  EXPECT_EQ(huge->Value(), 4294967290u);
  EXPECT_EQ(BarEnd(10, 2), 2);
}

TEST_F(ProgressTest, PercentTextTruncatesAndTakesTheContrastOverTheBar) {
  auto probe = std::make_unique<TextProbe>();
  EXPECT_TRUE(probe->Text(7) == u"7%");
  EXPECT_EQ(probe->SetAttribute("extendtext", " (2/3)", false), 1);
  EXPECT_TRUE(probe->Text(100) == u"100% (2/3)");

  // Over an empty bar the text is the element's (black); over a full bar
  // the same place shows white text and no dark ink.
  const ZRect middle{30, 4, 90, 20};
  auto empty = Make<CVuProgress>(R"(<progress pos="0,0,120,24" showpercent="1" value="0"/>)");
  PaintIn(empty.get(), 0);
  EXPECT_GT(Dark(middle), 5u);
  auto full = Make<CVuProgress>(R"(<progress pos="0,0,120,24" showpercent="1" value="100"/>)");
  PaintIn(full.get(), 0);
  EXPECT_EQ(Dark(middle), 0u);
  EXPECT_GT(Light(middle), 5u);
  // A min equal to max still shows the text, 0%, on no bar.
  auto none = Make<CVuProgress>(R"(<progress pos="0,0,120,24" showpercent="1" min="9" max="9"/>)");
  PaintIn(none.get(), 0);
  EXPECT_GT(Dark(middle), 5u);
  EXPECT_EQ(Count(middle, kFill), 0u);
}

TEST_F(ProgressTest, MovingBlockGrowsMovesAndWraps) {
  auto bar = Make<CVuProgress>(R"(<progress pos="0,0,100,10" progressbar="1" value="90"/>)");
  std::vector<std::pair<int, int>> seen;
  for (int i = 0; i < 15; ++i) {
    PaintIn(bar.get(), 0);
    seen.emplace_back(bar->BlockLeft(), bar->BlockRight());
  }
  const std::vector<std::pair<int, int>> expected = {
      {0, 10},  {0, 20},  {0, 30},  {0, 40},   {10, 50},  {20, 60},  {30, 70}, {40, 80},
      {50, 90}, {60, 100}, {70, 100}, {80, 100}, {90, 100}, {0, 10}, {0, 20}};
  EXPECT_EQ(seen, expected);
  // The last paint drew the block at 0-20 whatever the value.
  EXPECT_EQ(Px(10, 5), kFill);
  EXPECT_EQ(Px(50, 5), kWhite);
}

TEST_F(ProgressTest, PositionSkinKeepsItsHeightAndTheInset) {
  // The "on" strip is 10 high; in a 30-high bar it sits at y 10 to 20,
  // inset 4 on each side; at 50% of 92 pixels it ends at x 50.
  auto bar = Make<CVuProgress>(R"(<progress pos="0,0,100,30" posskin="on" skinposx="4" value="50"/>)");
  EXPECT_EQ(ElementRectText(bar->BarRect(0.5)), "4,10,50,20");
  PaintIn(bar.get(), kVuStateHover);
  EXPECT_EQ(Px(5, 15), kCyan) << "state 0 whatever the element's state";
  EXPECT_EQ(Px(5, 5), kWhite);
  // An inset beyond half the width leaves an empty bar.
  EXPECT_EQ(bar->SetAttribute("skinposx", "100000", false), 1);
  EXPECT_EQ(bar->BarRect(1).Width(), 0);
  EXPECT_EQ(bar->SetAttribute("skinposx", "x", false), E_FAIL);
  // A gradient has no natural height: the bar keeps the element's.
  LoadSkins(R"(<gradation name="fill" from="FF0000" to="FF0000"/>)");
  auto gradient = Make<CVuProgress>(R"(<progress pos="0,0,100,8" posskin="fill" value="50"/>)");
  EXPECT_EQ(ElementRectText(gradient->BarRect(0.5)), "0,0,50,8");
  PaintIn(gradient.get(), 0);
  EXPECT_EQ(Px(25, 4), kRed);
}

TEST_F(ProgressTest, ExtendedBarStartsAtItsLeftInset) {
  auto bar = Make<CVuProgressEx>(R"(<progressex pos="0,0,104,20" posimg_left="20" value="50"/>)");
  ASSERT_NE(bar, nullptr);
  PaintIn(bar.get(), 0);
  EXPECT_EQ(Px(21, 10), kWhite);
  EXPECT_EQ(Px(22, 10), kFill);
  EXPECT_EQ(BarEnd(10, 22), 22 + 40);
  EXPECT_EQ(bar->SetAttribute("posimg_left", "-5", false), 1);
  EXPECT_EQ(bar->PosImageLeft(), 0);
}

}  // namespace
