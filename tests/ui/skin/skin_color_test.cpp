// The skins painted from colours alone: "gradation" in both directions,
// over a band or the whole rectangle, and the "button" face by raw state
// bits.
#include <gtest/gtest.h>

#include "tests/ui/skin/skin_test_support.h"
#include "ui/skin/kinds/CVuSkinBase.h"

namespace {

class SkinColorTest : public SkinTest {};

int Red(uint32_t pixel) { return pixel >> 16 & 0xFF; }
int Green(uint32_t pixel) { return pixel >> 8 & 0xFF; }

TEST_F(SkinColorTest, GradationFillsWithToThenGradesOverSize) {
  LoadSkins(R"(<gradation name="v10" from="000000" to="FFFFFF" size="10" direction="vert"/>
               <gradation name="h10" from="000000" to="FFFFFF" size="10" direction="horz"/>
               <gradation name="vall" from="FF0000" to="0000FF" direction="vert"/>
               <gradation name="hall" from="FF0000" to="0000FF"/>
               <gradation name="v100" from="000000" to="FFFFFF" size="100" direction="vert"/>)");
  canvas_.Clear(ZColor{0, 255, 0, 255});
  Skin("v10")->Draw(&canvas_, ZRect{0, 0, 20, 40}, 0, 255);
  // Size 10 in a 40-high rectangle: the bottom 30 rows are the plain "to".
  EXPECT_TRUE(AllOf(ZRect{0, 10, 20, 40}, kWhite));
  EXPECT_LT(Red(Px(5, 0)), 30);
  for (int y = 1; y < 10; ++y) EXPECT_GE(Red(Px(5, y)), Red(Px(5, y - 1))) << y;
  EXPECT_NEAR(Red(Px(5, 5)), 128, 40);
  EXPECT_EQ(Px(5, 40), kGreen);  // nothing outside the rectangle
  EXPECT_EQ(Px(20, 5), kGreen);

  Draw("h10", ZRect{0, 0, 40, 20}, 0);
  EXPECT_TRUE(AllOf(ZRect{10, 0, 40, 20}, kWhite));
  EXPECT_LT(Red(Px(0, 5)), 30);
  EXPECT_EQ(Px(5, 0), Px(5, 19));  // columns, not rows, change

  // Without a size the gradient covers the whole rectangle, red first.
  Draw("vall", ZRect{0, 0, 10, 40}, 0);
  EXPECT_GT(Red(Px(5, 0)), 240);
  EXPECT_LT(Red(Px(5, 39)), 15);
  EXPECT_EQ(Px(0, 20), Px(9, 20));
  Draw("hall", ZRect{0, 0, 40, 10}, 0);
  EXPECT_GT(Red(Px(0, 5)), 240);
  EXPECT_LT(Red(Px(39, 5)), 15);

  // A band longer than the rectangle is cut, not squeezed: 40 of 100 rows.
  Draw("v100", ZRect{0, 0, 10, 40}, 0);
  EXPECT_NEAR(Red(Px(5, 39)), 100, 8);
  EXPECT_EQ(Px(5, 40), kWhite);
}

TEST_F(SkinColorTest, GradationRejectsUnknownDirectionAndColours) {
  LoadSkins(R"(<gradation name="g" from="12345" to="00ff00" direction="diagonal"/>)");
  EXPECT_EQ(ProblemsMentioning("\"direction\"=\"diagonal\" rejected"), 1u);
  EXPECT_EQ(ProblemsMentioning("\"from\"=\"12345\" rejected"), 1u);
  // Lower-case digits are colours too; without "from" only the fill is drawn.
  Draw("g", ZRect{0, 0, 10, 10}, 0);
  EXPECT_TRUE(AllOf(ZRect{0, 0, 10, 10}, kGreen));
  EXPECT_TRUE(Skin("g")->IsStateless());
}

TEST_F(SkinColorTest, ButtonFaceFollowsRawStateBits) {
  LoadSkins(R"(<button name="b" bgup="FF0000" bgdown="00FF00" bguphover="0000FF"
                       bgdownhover="0000FF" bguppush="FFFF00" bgdownpush="FFFF00"
                       border="808080" useborder="1"/>
               <button name="plain" bgup="FF0000" bgdown="FF0000"/>)");
  CVuSkinBase* skin = Skin("b");
  EXPECT_TRUE(skin->TakesRawStateBits());
  EXPECT_FALSE(skin->IsStateless());
  const ZRect rect{0, 0, 20, 20};
  const ZRect inside{1, 1, 19, 19};

  Draw("b", rect, 0);
  EXPECT_GT(Red(Px(10, 1)), 200);  // bgup at the top
  EXPECT_GT(Green(Px(10, 18)), 200);  // bgdown at the bottom
  for (ZPoint p : {ZPoint{0, 0}, ZPoint{19, 19}, ZPoint{0, 10}, ZPoint{19, 10}})
    EXPECT_EQ(Px(p.x, p.y), kGrey) << p.x << "," << p.y;  // the outline
  EXPECT_EQ(Px(20, 10), kWhite);

  Draw("b", rect, kVuStateHover);
  EXPECT_TRUE(AllOf(inside, kBlue));
  Draw("b", rect, kVuStatePushed);
  EXPECT_TRUE(AllOf(inside, kYellow));
  Draw("b", rect, kVuStatePushed | kVuStateHover);  // pushed wins
  EXPECT_TRUE(AllOf(inside, kYellow));

  // Disabled: the background fill only, whatever else is set.
  Draw("b", rect, kVuStateDisabled | kVuStateHover | kVuStatePushed);
  EXPECT_TRUE(AllOf(inside, kRed));
  EXPECT_EQ(Px(0, 0), kGrey);
  Draw("plain", rect, kVuStateDisabled);
  EXPECT_TRUE(AllOf(rect, kRed));  // no outline without "useborder"
}

}  // namespace
