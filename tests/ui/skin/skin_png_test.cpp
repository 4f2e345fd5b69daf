// The PNG and JPEG skins on real files: margins, tiling, mirroring and the
// image's own width; "skinpng" alpha from the document and from
// skincfg.ini; missing, corrupt and escaping images; DPI images by scale.
#include <gtest/gtest.h>

#include "tests/ui/skin/skin_test_support.h"
#include "ui/skin/kinds/CVuSkinBase.h"

namespace {

int Red(uint32_t pixel) { return pixel >> 16 & 0xFF; }

class SkinPngTest : public SkinTest {
 protected:
  static constexpr uint32_t kZone[3][3] = {{0xFF110000, 0xFF220000, 0xFF330000},
                                           {0xFF001100, 0xFF002200, 0xFF003300},
                                           {0xFF000011, 0xFF000022, 0xFF000033}};
  static uint32_t Zones(int x, int y) { return kZone[y / 10][x / 10]; }
  void WriteSkinConfig(const std::string& text) {
    ASSERT_TRUE(WriteTextFile(Real("Program Files/Vantrell/data/skin/skincfg.ini"), text));
  }
};

TEST_F(SkinPngTest, MarginsKeepCornersAndStretchEdgesAndCentre) {
  WriteResource("frame.png", PngBytes(30, 30, Zones));
  WriteResource("5.png", PngBytes(30, 30, Zones));
  LoadSkins(R"(<skinpng name="sp" file="frame.png" margin_left="10" margin_right="10"
                        margin_top="10" margin_bottom="10"/>
               <png name="p" src="5" margin_left="10" margin_right="10" margin_top="10"
                    margin_bottom="10"/>
               <skinpng name="stretched" file="frame.png"/>
               <png name="sides" src="5" left="10"/>)");
  for (const char* name : {"sp", "p"}) {
    Draw(name, ZRect{2, 2, 62, 52}, 0);
    EXPECT_TRUE(AllOf(ZRect{2, 2, 12, 12}, kZone[0][0])) << name;
    EXPECT_TRUE(AllOf(ZRect{12, 2, 52, 12}, kZone[0][1])) << name;
    EXPECT_TRUE(AllOf(ZRect{52, 12, 62, 42}, kZone[1][2])) << name;
    EXPECT_TRUE(AllOf(ZRect{12, 12, 52, 42}, kZone[1][1])) << name;
    EXPECT_TRUE(AllOf(ZRect{52, 42, 62, 52}, kZone[2][2])) << name;
    EXPECT_EQ(Px(62, 52), kWhite) << name;
  }
  // No margins: the image stretched over the rectangle, zones three times as big.
  Draw("stretched", ZRect{0, 0, 60, 60}, 0);
  EXPECT_EQ(Px(10, 10), kZone[0][0]);
  EXPECT_EQ(Px(50, 30), kZone[1][2]);
  // "left" cuts both sides; top and bottom stretch with the middle.
  Draw("sides", ZRect{0, 0, 50, 60}, 0);
  EXPECT_TRUE(AllOf(ZRect{0, 0, 10, 15}, kZone[0][0]));
  EXPECT_TRUE(AllOf(ZRect{40, 45, 50, 60}, kZone[2][2]));
  EXPECT_EQ(Skin("sp")->GetSkinSize().cx, 30);
}

TEST_F(SkinPngTest, MiddleTileRepeatsTheCentreAndFlipMirrorsEachFrame) {
  // Caps 10 wide; a centre of red 5 then blue 5.
  WriteResource("bar.png", PngBytes(30, 10, [](int x, int) {
                  return x < 10 ? kBlack : x < 15 ? kRed : x < 20 ? kBlue : kBlack;
                }));
  // Two frames, each red then blue.
  WriteResource("2.png", PngBytes(40, 10, Stripes(10, {kRed, kBlue})));
  LoadSkins(R"(<skinpng name="tiled" file="bar.png" left="10" middle_tile="1"/>
               <skinpng name="stretched" file="bar.png" left="10"/>
               <png name="flipped" src="2" subwidth="20" flip="1"/>
               <png name="upside" src="2" subwidth="20" flip="1" fliptype="1"/>
               <skinpng name="sflip" file="bar.png" flip="1" fliptype="1"/>)");
  Draw("tiled", ZRect{0, 0, 50, 10}, 0);
  EXPECT_TRUE(AllOf(ZRect{10, 0, 15, 10}, kRed));
  EXPECT_TRUE(AllOf(ZRect{15, 0, 20, 10}, kBlue));
  EXPECT_TRUE(AllOf(ZRect{20, 0, 25, 10}, kRed));
  EXPECT_TRUE(AllOf(ZRect{35, 0, 40, 10}, kBlue));
  EXPECT_TRUE(AllOf(ZRect{40, 0, 50, 10}, kBlack));
  Draw("stretched", ZRect{0, 0, 50, 10}, 0);
  EXPECT_TRUE(AllOf(ZRect{10, 0, 24, 10}, kRed));
  EXPECT_TRUE(AllOf(ZRect{26, 0, 40, 10}, kBlue));

  Draw("flipped", ZRect{0, 0, 20, 10}, kVuSkinHover);
  EXPECT_TRUE(AllOf(ZRect{0, 0, 10, 10}, kBlue));
  EXPECT_TRUE(AllOf(ZRect{10, 0, 20, 10}, kRed));
  Draw("upside", ZRect{0, 0, 20, 10}, kVuSkinHover);
  EXPECT_TRUE(AllOf(ZRect{0, 0, 10, 10}, kRed));
  // "fliptype" belongs to "png" only.
  EXPECT_EQ(ProblemsMentioning("\"fliptype\"=\"1\" rejected by <skinpng>"), 1u);
}

TEST_F(SkinPngTest, WantImageWidthAndStatesOfEachKind) {
  const std::string strip = PngBytes(40, 10, Stripes(10, {kRed, kGreen, kBlue, kYellow}));
  WriteResource("8.png", strip);
  WriteResource("8.jpg", strip);  // decoded by content: stands in for a JPEG
  WriteResource("strip.png", strip);
  WriteResource("strip.jpg", strip);
  LoadSkins(R"(<png name="png" src="8" subwidth="10"/>
               <jpg name="jpg" src="8" subwidth="10"/>
               <skinpng name="skinpng" file="strip.png" subwidth="10"/>
               <skinjpg name="skinjpg" file="strip.jpg" subwidth="10"/>
               <png name="narrow" src="8" subwidth="10" wantimgwidth="1"/>)");
  const uint32_t by_state[4] = {kRed, kGreen, kBlue, kYellow};
  for (const char* name : {"png", "jpg", "skinpng", "skinjpg"}) {
    EXPECT_FALSE(Skin(name)->IsStateless()) << name;
    for (int state = 0; state < 4; ++state) {
      Draw(name, ZRect{0, 0, 30, 20}, state);
      EXPECT_TRUE(AllOf(ZRect{0, 0, 30, 20}, by_state[state])) << name << " " << state;
    }
  }
  Draw("narrow", ZRect{0, 0, 50, 20}, kVuSkinPushed);
  EXPECT_TRUE(AllOf(ZRect{0, 0, 10, 20}, kBlue));
  EXPECT_EQ(Px(10, 5), kWhite);
  // The JPEG kinds take no alpha.
  LoadSkins(R"(<skinjpg name="j2" file="strip.jpg" alpha="10"/>)");
  EXPECT_EQ(ProblemsMentioning("\"alpha\"=\"10\" rejected by <skinjpg>"), 1u);
}

TEST_F(SkinPngTest, SkinpngAlphaFromDocumentAndSkinConfig) {
  WriteResource("red.png", PngBytes(4, 4, [](int, int) { return kRed; }));
  WriteSkinConfig("[alpha]\r\nclear=0\r\nhalf=128\r\n");
  LoadSkins(R"(<skinpng name="doc" file="red.png" alpha="128"/>
               <skinpng name="clear" file="red.png" alpha="255" extern_alpha_key="clear"/>
               <skinpng name="half" file="red.png" extern_alpha_key="half"/>
               <skinpng name="absent" file="red.png" alpha="0" extern_alpha_key="nokey"/>)");
  Draw("doc", ZRect{0, 0, 4, 4}, 0);
  EXPECT_NEAR(static_cast<int>(Px(1, 1) & 0xFF), 127, 2);
  EXPECT_EQ(Red(Px(1, 1)), 255);
  // The caller's alpha multiplies the skin's.
  Draw("doc", ZRect{0, 0, 4, 4}, 0, 128);
  EXPECT_NEAR(static_cast<int>(Px(1, 1) & 0xFF), 191, 3);
  Draw("clear", ZRect{0, 0, 4, 4}, 0);
  EXPECT_EQ(Px(1, 1), kWhite);
  Draw("half", ZRect{0, 0, 4, 4}, 0);
  EXPECT_NEAR(static_cast<int>(Px(1, 1) & 0xFF), 127, 2);
  Draw("absent", ZRect{0, 0, 4, 4}, 0);  // a key not in the file: 255
  EXPECT_EQ(Px(1, 1), kRed);
}

TEST_F(SkinPngTest, MissingAndCorruptImagesDrawNothingAndAreReportedOnce) {
  WriteResource("bad.png", "\x89PNG\r\n\x1a\nnot really");
  WriteResource("12.jpg", "garbage");
  LoadSkins(R"(<skinpng name="missing" file="nope.png"/>
               <skinpng name="corrupt" file="bad.png"/>
               <png name="by_id" src="12"/>
               <jpg name="jpg_corrupt" src="12"/>
               <imglst name="bitmap" src="9"/>
               <skinpng name="escapes" file="..\x.png"/>)");
  ASSERT_TRUE(WriteTextFile(Real("res/x.png"), PngBytes(2, 2, [](int, int) { return kRed; })));
  for (int round = 0; round < 2; ++round) {
    for (const char* name : {"missing", "corrupt", "by_id", "jpg_corrupt", "bitmap", "escapes"}) {
      Draw(name, ZRect{0, 0, 20, 20}, 0);
      EXPECT_TRUE(AllOf(ZRect{0, 0, 20, 20}, kWhite)) << name;
      EXPECT_EQ(Skin(name)->EnsureLoaded(), 0) << name;
      EXPECT_EQ(Skin(name)->GetSkinSize().cx, 0) << name;
    }
  }
  EXPECT_EQ(ProblemsMentioning("image nope.png not found"), 1u);
  EXPECT_EQ(ProblemsMentioning("image bad.png is not an image it can read"), 1u);
  EXPECT_EQ(ProblemsMentioning("image 12.png not found"), 1u);
  EXPECT_EQ(ProblemsMentioning("image 12.jpg is not an image it can read"), 1u);
  EXPECT_EQ(ProblemsMentioning("image 9.bmp not found"), 1u);
  EXPECT_EQ(ProblemsMentioning("image ..\\x.png refused"), 1u);
}

TEST_F(SkinPngTest, FileNamesThatLeaveTheDirectoryAreRefused) {
  ASSERT_TRUE(WriteTextFile(Real("res/x.png"), PngBytes(2, 2, [](int, int) { return kRed; })));
  ASSERT_TRUE(RunCommand({"/bin/mkdir", "-p", Real("res/uninstall/sub")}).exit_code == 0);
  WriteResource("sub/ok.png", PngBytes(2, 2, [](int, int) { return kRed; }));
  for (const char16_t* name : {u"..\\x.png", u"../x.png", u"sub\\..\\..\\x.png", u"C:\\res\\x.png",
                               u"C:x.png", u"\\res\\x.png", u"/res/x.png", u"ok.png:stream",
                               u"... \\x.png", u"", u"con.png", u"sub\\NUL", u"Com1 .png",
                               u"conout$"}) {
    EXPECT_FALSE(VuImagePool::IsPlainRelativeName(name));
    EXPECT_EQ(VuImagePool::Png().GetByFile(name), nullptr);
  }
  EXPECT_TRUE(VuImagePool::IsPlainRelativeName(u"sub\\ok.png"));
  EXPECT_TRUE(VuImagePool::IsPlainRelativeName(u"a..b.png"));
  EXPECT_TRUE(VuImagePool::IsPlainRelativeName(u"console.png"));
  EXPECT_TRUE(VuImagePool::IsPlainRelativeName(u"com10.png"));
  EXPECT_NE(VuImagePool::Png().GetByFile(u"sub\\ok.png"), nullptr);
}

TEST_F(SkinPngTest, DpiImagesChosenByScale) {
  // Two frames: 10 x 10 at 1.0, drawn again for 1.2 (12 px) and 1.5 (15 px).
  WriteResource("3.png", PngBytes(20, 10, Stripes(10, {kRed, kGreen})));
  WriteResource("face.png", PngBytes(20, 10, Stripes(10, {kRed, kGreen})));
  const std::string dpi_dir = "Program Files/Vantrell/ressrc/chs/dpiimg/";
  auto write_dpi = [&](const std::string& rate, int frame) {
    ASSERT_EQ(RunCommand({"/bin/mkdir", "-p", Real(dpi_dir + rate + "/uninstall")}).exit_code, 0);
    ASSERT_TRUE(WriteTextFile(Real(dpi_dir + rate + "/uninstall/3_" + rate + ".png"),
                              PngBytes(frame * 2, frame, Stripes(frame, {kBlue, kYellow}))));
  };
  const std::string skins = R"(<png name="p" src="3" subwidth="10"/>
                               <skinpng name="f" file="face.png" subwidth="10"/>)";
  auto size_of = [&](const char* name) {
    VuSize size = Skin(name)->GetSkinSize();
    return std::to_string(size.cx) + "x" + std::to_string(size.cy);
  };

  // Scaling off: the normal image at its size.
  LoadSkins(skins);
  EXPECT_EQ(size_of("p"), "10x10");

  // 1.5 with an image drawn for 1.5: its own pixels at their size.
  write_dpi("1.5", 15);
  ScaleForDpi(144);
  EXPECT_EQ(size_of("p"), "15x15");
  Draw("p", ZRect{0, 0, 15, 15}, kVuSkinHover);
  EXPECT_TRUE(AllOf(ZRect{0, 0, 15, 15}, kYellow));
  // A file image has no DPI copy: the normal one is scaled.
  EXPECT_EQ(size_of("f"), "15x15");

  // 1.2 with only the 1.5 image: too far, the normal one scaled by 1.2.
  ScaleForDpi(120);
  EXPECT_EQ(size_of("p"), "12x12");
  Draw("p", ZRect{0, 0, 12, 12}, kVuSkinHover);
  EXPECT_EQ(Px(6, 6), kGreen);

  // 1.2 with its own image.
  write_dpi("1.2", 12);
  ScaleForDpi(120);
  EXPECT_EQ(size_of("p"), "12x12");
  Draw("p", ZRect{0, 0, 12, 12}, kVuSkinNormal);
  EXPECT_TRUE(AllOf(ZRect{0, 0, 12, 12}, kBlue));

  // 1.5 once its image is gone: the 1.2 one is near enough, scaled by 1.25.
  ASSERT_EQ(RunCommand({"/bin/rm", "-r", Real(dpi_dir + "1.5")}).exit_code, 0);
  ScaleForDpi(144);
  EXPECT_EQ(size_of("p"), "15x15");
  Draw("p", ZRect{0, 0, 15, 15}, kVuSkinHover);
  EXPECT_EQ(Px(7, 7), kYellow);
}

}  // namespace
