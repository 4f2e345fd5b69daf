// The bitmap skins on real files: "imglst" state frames, draw modes and
// stretching, "imgframe" with each "part" value and a fill colour, and
// "imghorzex" caps.
#include <gtest/gtest.h>

#include "tests/ui/skin/skin_test_support.h"
#include "ui/skin/kinds/CVuSkinBase.h"

namespace {

class SkinImageTest : public SkinTest {
 protected:
  // A 30 x 30 image of nine 10 x 10 zones, each its own colour.
  static constexpr uint32_t kZone[3][3] = {{0xFF110000, 0xFF220000, 0xFF330000},
                                           {0xFF001100, 0xFF002200, 0xFF003300},
                                           {0xFF000011, 0xFF000022, 0xFF000033}};
  static uint32_t Zones(int x, int y) { return kZone[y / 10][x / 10]; }
};

TEST_F(SkinImageTest, ImglstDrawsTheStateFrameAtItsOwnSize) {
  WriteResource("7.bmp", BmpBytes(80, 10, Stripes(20, {kRed, kGreen, kBlue, kYellow})));
  LoadSkins(R"(<imglst name="strip" src="7" subwidth="20"/><imglst name="whole" src="7"/>)");
  const uint32_t by_state[4] = {kRed, kGreen, kBlue, kYellow};
  for (int state = 0; state < 4; ++state) {
    Draw("strip", ZRect{5, 5, 60, 60}, state);
    EXPECT_TRUE(AllOf(ZRect{5, 5, 25, 15}, by_state[state])) << state;
    EXPECT_EQ(Px(25, 5), kWhite) << state;  // one frame wide
    EXPECT_EQ(Px(5, 15), kWhite) << state;  // the bitmap's height, not the rectangle's
  }
  // Past the last frame: the normal one.
  Draw("strip", ZRect{0, 0, 60, 60}, 0x10);
  EXPECT_TRUE(AllOf(ZRect{0, 0, 20, 10}, kRed));
  // -1 and a skin without frames draw the whole strip.
  Draw("strip", ZRect{0, 0, 60, 60}, kVuSkinWhole);
  EXPECT_EQ(Px(30, 5), kGreen);
  EXPECT_EQ(Px(63, 5), kYellow);
  Draw("whole", ZRect{0, 0, 60, 60}, kVuSkinPushed);
  EXPECT_EQ(Px(10, 5), kRed);
  EXPECT_EQ(Px(50, 5), kBlue);

  EXPECT_FALSE(Skin("strip")->IsStateless());
  EXPECT_TRUE(Skin("whole")->IsStateless());
  EXPECT_EQ(Skin("strip")->GetSkinSize().cx, 20);
  EXPECT_EQ(Skin("strip")->GetSkinSize().cy, 10);
  EXPECT_EQ(Skin("whole")->GetSkinSize().cx, 80);
  EXPECT_NE(Skin("strip")->EnsureLoaded(), 0);
}

TEST_F(SkinImageTest, DrawModesAndMaskColour) {
  // Magenta left, blue right.
  WriteResource("3.bmp", BmpBytes(10, 10, Stripes(5, {kMagenta, kBlue})));
  // A PNG decoded as the bitmap: half-transparent red.
  WriteResource("4.bmp", PngBytes(4, 4, [](int, int) { return 0x80800000u; }));
  LoadSkins(R"(<imglst name="masked" src="3" mode="mask"/>
               <imglst name="blue_masked" src="3" mode="mask" maskcolor="0000FF"/>
               <imglst name="copied" src="3" mode="none"/>
               <imglst name="blended" src="4" mode="alpha"/>
               <imglst name="opaque" src="4"/>)");
  Draw("masked", ZRect{0, 0, 10, 10}, 0);
  EXPECT_TRUE(AllOf(ZRect{0, 0, 5, 10}, kWhite));  // magenta left unpainted
  EXPECT_TRUE(AllOf(ZRect{5, 0, 10, 10}, kBlue));
  Draw("blue_masked", ZRect{0, 0, 10, 10}, 0);
  EXPECT_TRUE(AllOf(ZRect{0, 0, 5, 10}, kMagenta));
  EXPECT_TRUE(AllOf(ZRect{5, 0, 10, 10}, kWhite));
  Draw("copied", ZRect{0, 0, 10, 10}, 0);
  EXPECT_TRUE(AllOf(ZRect{0, 0, 5, 10}, kMagenta));

  Draw("blended", ZRect{0, 0, 4, 4}, 0);
  const uint32_t over_white = Px(1, 1);
  EXPECT_EQ(over_white >> 16 & 0xFF, 0xFFu);
  EXPECT_NEAR(static_cast<int>(over_white & 0xFF), 127, 2);
  // "none" copies what the bitmap holds: no blending with the white below.
  Draw("opaque", ZRect{0, 0, 4, 4}, 0);
  EXPECT_EQ(Px(1, 1), 0xFF800000u);
  // The caller's alpha applies on top.
  Draw("copied", ZRect{0, 0, 10, 10}, 0, 0);
  EXPECT_TRUE(AllOf(ZRect{0, 0, 10, 10}, kWhite));
}

TEST_F(SkinImageTest, StretchSizeTakesTheFrameToThatSize) {
  WriteResource("5.bmp", BmpBytes(20, 5, Stripes(10, {kRed, kGreen})));
  LoadSkins(R"(<imglst name="big" src="5" subwidth="10" stretch-x="30" stretch-y="15"/>
               <imglst name="one_axis" src="5" subwidth="10" stretch-x="30"/>)");
  Draw("big", ZRect{2, 2, 60, 60}, kVuSkinHover);
  EXPECT_TRUE(AllOf(ZRect{2, 2, 32, 17}, kGreen));
  EXPECT_EQ(Px(32, 2), kWhite);
  EXPECT_EQ(Px(2, 17), kWhite);
  EXPECT_EQ(Skin("big")->GetSkinSize().cx, 30);
  // Both sizes are needed to stretch.
  Draw("one_axis", ZRect{0, 0, 60, 60}, kVuSkinHover);
  EXPECT_EQ(Px(12, 2), kWhite);
  EXPECT_EQ(Skin("one_axis")->GetSkinSize().cx, 10);
}

TEST_F(SkinImageTest, ImgframeDrawsThePartsItsPartValueSelects) {
  WriteResource("9.bmp", BmpBytes(30, 30, Zones));
  const struct {
    const char* part;
    bool top, bottom, left, right;
  } cases[] = {{"all", true, true, true, true},       {"top", true, false, true, true},
               {"middle", false, false, true, true},  {"bottom", false, true, true, true},
               {"left", true, true, true, false},     {"center", true, true, false, false},
               {"right", true, true, false, true}};
  // Sample points in the nine zones of a 50 x 40 frame cut 10 / 10.
  const int xs[3] = {5, 25, 45};
  const int ys[3] = {5, 20, 35};
  for (const auto& c : cases) {
    ResetPools();
    VuResourceLocator::Instance().SetPrimaryDirectory(u"C:\\res\\uninstall");
    LoadSkins(std::string(R"(<imgframe name="f" src="9" left="10" top="10" part=")") + c.part +
              "\"/>");
    Draw("f", ZRect{0, 0, 50, 40}, 0);
    const bool rows[3] = {c.top, true, c.bottom};
    const bool cols[3] = {c.left, true, c.right};
    for (int row = 0; row < 3; ++row) {
      for (int col = 0; col < 3; ++col) {
        // A row or column left out gives its room to the middle.
        const uint32_t expected = kZone[rows[row] ? row : 1][cols[col] ? col : 1];
        EXPECT_EQ(Px(xs[col], ys[row]), expected) << c.part << " row " << row << " col " << col;
      }
    }
    EXPECT_EQ(Px(50, 20), kWhite) << c.part;
  }
}

TEST_F(SkinImageTest, ImgframeEdgesStretchAndFillColourTakesTheCentre) {
  WriteResource("9.bmp", BmpBytes(30, 30, Zones));
  LoadSkins(R"(<imgframe name="filled" src="9" left="10" top="10" crbg="00FF00"/>
               <imgframe name="bad" src="9" left="10" top="10" part="diagonal"/>)");
  Draw("filled", ZRect{4, 4, 64, 64}, 0);
  EXPECT_TRUE(AllOf(ZRect{4, 4, 14, 14}, kZone[0][0]));    // corner at its size
  EXPECT_TRUE(AllOf(ZRect{14, 4, 54, 14}, kZone[0][1]));   // top edge across
  EXPECT_TRUE(AllOf(ZRect{4, 14, 14, 54}, kZone[1][0]));   // side edge down
  EXPECT_TRUE(AllOf(ZRect{14, 14, 54, 54}, kGreen));       // the fill, not the image
  EXPECT_TRUE(AllOf(ZRect{54, 54, 64, 64}, kZone[2][2]));
  // A part value outside the table is rejected and the frame stays whole.
  EXPECT_EQ(ProblemsMentioning("attribute \"part\"=\"diagonal\" rejected by <imgframe>"), 1u);
  Draw("bad", ZRect{0, 0, 30, 30}, 0);
  EXPECT_EQ(Px(25, 25), kZone[2][2]);
}

TEST_F(SkinImageTest, ImghorzexKeepsItsCapsAndStretchesTheMiddle) {
  WriteResource("6.bmp", BmpBytes(30, 10, Stripes(10, {kRed, kGreen, kBlue})));
  LoadSkins(R"(<imghorzex name="bar" src="6" left="10"/>)");
  Draw("bar", ZRect{0, 0, 60, 40}, 0);
  EXPECT_TRUE(AllOf(ZRect{0, 0, 10, 10}, kRed));
  EXPECT_TRUE(AllOf(ZRect{10, 0, 50, 10}, kGreen));
  EXPECT_TRUE(AllOf(ZRect{50, 0, 60, 10}, kBlue));
  EXPECT_EQ(Px(30, 10), kWhite);  // its own height
}

TEST_F(SkinImageTest, FramedKindsCutTheStateFrame) {
  // Four 6 x 6 frames, each a border of one colour around a grey centre.
  const uint32_t borders[4] = {kRed, kGreen, kBlue, kYellow};
  WriteResource("2.bmp", BmpBytes(24, 6, [&](int x, int y) {
                  const int fx = x % 6;
                  const bool centre = fx >= 2 && fx < 4 && y >= 2 && y < 4;
                  return centre ? kGrey : borders[x / 6];
                }));
  LoadSkins(R"(<imgframe name="frame" src="2" subwidth="6" left="2" top="2"/>
               <imghorzex name="bar" src="2" subwidth="6" left="2"/>)");
  for (int state = 0; state < 4; ++state) {
    Draw("frame", ZRect{0, 0, 40, 30}, state);
    EXPECT_TRUE(AllOf(ZRect{0, 0, 40, 2}, borders[state])) << state;
    EXPECT_TRUE(AllOf(ZRect{38, 2, 40, 28}, borders[state])) << state;
    EXPECT_TRUE(AllOf(ZRect{2, 2, 38, 28}, kGrey)) << state;
    Draw("bar", ZRect{0, 0, 40, 30}, state);
    EXPECT_TRUE(AllOf(ZRect{0, 0, 2, 6}, borders[state])) << state;
    EXPECT_TRUE(AllOf(ZRect{2, 2, 38, 4}, kGrey)) << state;
    EXPECT_EQ(Px(20, 6), kWhite) << state;
  }
  EXPECT_FALSE(Skin("frame")->IsStateless());
  EXPECT_EQ(Skin("frame")->GetSkinSize().cx, 6);
}

}  // namespace
