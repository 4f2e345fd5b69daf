// The image controls: attributes, pixels in their modes and states (grey,
// turned, scrolled, tiled, expanded), images from the application's
// registry or an allowed disk folder only, and hostile values.
#include "tests/ui/controls/controls_image_support.h"
#include "ui/controls/image/CVuExpendImg.h"
#include "ui/controls/image/CVuHIcon.h"
#include "ui/controls/image/CVuIconWnd.h"
#include "ui/controls/image/CVuImageRotale.h"
#include "ui/controls/image/CVuImageScroll.h"
#include "ui/controls/image/CVuImgGray.h"
#include "ui/controls/image/CVuStorageImageEx.h"

namespace {

class ControlsImageTest : public ControlTest {};

TEST_F(ControlsImageTest, GrayConvertsWithLumaWeightsAndKeepsColourWhenOff) {
  LoadQuadSkin();
  auto gray = Make(R"(<imggray skin="quad" gray="1"/>)");
  Paint(gray.get());
  EXPECT_EQ(Px(2, 2), 0xFF4C4C4Cu);    // red: 0.299 x 255
  EXPECT_EQ(Px(15, 2), 0xFF969696u);   // green: 0.587 x 255
  EXPECT_EQ(Px(2, 15), 0xFF1D1D1Du);   // blue: 0.114 x 255
  EXPECT_EQ(Px(15, 15), 0xFFE2E2E2u);  // yellow
  EXPECT_EQ(Px(25, 25), kWhite);
  EXPECT_EQ(VuGrayPixel(0x80800000u), 0x80262626u);  // premultiplied, alpha kept
  auto plain = Make(R"(<imggray skin="quad" gray="0"/>)");
  Paint(plain.get());
  EXPECT_EQ(Px(2, 2), kRed);
}

TEST_F(ControlsImageTest, RotationTurnsClockwiseAboutTheCentre) {
  LoadQuadSkin();
  const struct {
    const char* angle;
    uint32_t top_left, top_right, bottom_left;
  } cases[] = {
      {"0", kRed, kGreen, kBlue},
      {"90", kBlue, kRed, kYellow},
      {"180", kYellow, kBlue, kGreen},
      {"-90", kGreen, kYellow, kRed},
      {"450", kBlue, kRed, kYellow},
  };
  for (const auto& c : cases) {
    auto turned = Make<CVuImageRotale>(std::string(R"(<imgrotale skin="quad" angle=")") + c.angle + "\"/>",
                                       ZRect{10, 10, 30, 30});
    Paint(turned.get());
    EXPECT_TRUE(AllOf(ZRect{10, 10, 20, 20}, c.top_left)) << c.angle;
    EXPECT_TRUE(AllOf(ZRect{20, 10, 30, 20}, c.top_right)) << c.angle;
    EXPECT_TRUE(AllOf(ZRect{10, 20, 20, 30}, c.bottom_left)) << c.angle;
    EXPECT_EQ(Px(9, 9), kWhite) << c.angle;
    EXPECT_EQ(Px(30, 30), kWhite) << c.angle;
  }
  // Hostile angles are reduced, off-canvas and huge rectangles draw nothing.
  for (const char* angle : {"-2147483648", "1000000000", "abc", "45"}) {
    auto turned = Make<CVuImageRotale>(std::string(R"(<imgrotale skin="quad" angle=")") + angle + "\"/>");
    EXPECT_GE(turned->GetAngle(), 0);
    EXPECT_LT(turned->GetAngle(), 360);
    Paint(turned.get());
    turned->SetRect(ZRect{-2000000000, -2000000000, 2000000000, 2000000000});
    Paint(turned.get());
  }
}

TEST_F(ControlsImageTest, ScrollImageShowsTheOffsetPartClamped) {
  WriteResource("6.bmp", BmpBytes(40, 10, Stripes(10, {kRed, kGreen, kBlue, kYellow})));
  LoadSkins(R"(<imglst name="wide" src="6"/>)");
  auto view = Make<CVuImageScroll>(R"(<scrollimg skin="wide" hpos="20"/>)", ZRect{5, 5, 15, 15});
  Paint(view.get());
  EXPECT_TRUE(AllOf(ZRect{5, 5, 15, 15}, kBlue));
  EXPECT_EQ(Px(4, 5), kWhite);  // clipped to the window
  EXPECT_EQ(Px(15, 5), kWhite);
  view->SetScrollPos(1000, 1000);  // past the end: the last window
  EXPECT_EQ(view->EffectiveHPos(), 30);
  EXPECT_EQ(view->EffectiveVPos(), 0);
  Paint(view.get());
  EXPECT_TRUE(AllOf(ZRect{5, 5, 15, 15}, kYellow));
  auto fixed = Make<CVuImageScroll>(R"(<scrollimg skin="wide" hscroll="0" hpos="20"/>)", ZRect{5, 5, 15, 15});
  Paint(fixed.get());
  EXPECT_TRUE(AllOf(ZRect{5, 5, 15, 15}, kRed));
}

TEST_F(ControlsImageTest, BackgroundTilesOrStretches) {
  WriteResource("8.bmp", BmpBytes(10, 10, Stripes(5, {kRed, kGreen})));
  LoadSkins(R"(<imglst name="half" src="8"/>)");
  auto tiled = Make(R"(<imgbg skin="half" fill="tile"/>)", ZRect{0, 0, 30, 10});
  Paint(tiled.get());
  EXPECT_EQ(Px(22, 5), kRed);
  EXPECT_EQ(Px(27, 5), kGreen);
  EXPECT_EQ(Px(30, 5), kWhite);
  auto stretched = Make(R"(<imgbg skin="half"/>)", ZRect{0, 0, 30, 10});
  Paint(stretched.get());
  EXPECT_EQ(Px(22, 5), kGreen);
  EXPECT_EQ(stretched->SetAttribute("fill", "mosaic", false), E_FAIL);
  // A tile of a huge rectangle draws only what the canvas shows.
  tiled->SetRect(ZRect{-2000000000, -2000000000, 2000000000, 2000000000});
  Paint(tiled.get());
  EXPECT_EQ(Px(63, 63) & 0xFF000000u, 0xFF000000u);
}

TEST_F(ControlsImageTest, ExpandedImageKeepsCornersAndStretchesTheMiddle) {
  WriteResource("9.bmp", BmpBytes(30, 30, [](int x, int y) {
                  return x < 10 || x >= 20 || y < 10 || y >= 20 ? (y < 10 ? kRed : kBlue) : kGreen;
                }));
  LoadSkins(R"(<imglst name="frame" src="9"/>)");
  auto grown = Make(R"(<expendimg skin="frame" margin_left="10" margin_top="10" margin_right="10"
                        margin_bottom="10" skinalpha="255"/>)",
                    ZRect{0, 0, 60, 60});
  Paint(grown.get());
  EXPECT_TRUE(AllOf(ZRect{0, 0, 60, 10}, kRed));
  EXPECT_TRUE(AllOf(ZRect{10, 10, 50, 50}, kGreen));
  EXPECT_TRUE(AllOf(ZRect{0, 50, 60, 60}, kBlue));
  EXPECT_EQ(grown->SetAttribute("margin_left", "-1", false), E_FAIL);
  // Margins larger than the image or the rectangle are cut, never overlap.
  auto small = Make(R"(<expendimg skin="frame" margin_left="1000000" margin_right="1000000" stretch="0"/>)",
                    ZRect{0, 0, 8, 8});
  Paint(small.get());
  EXPECT_EQ(Px(9, 0), kWhite);
}

TEST_F(ControlsImageTest, StateFrameAndOpacityOfImgex) {
  WriteResource("7.bmp", BmpBytes(40, 10, Stripes(10, {kRed, kGreen, kBlue, kYellow})));
  LoadSkins(R"(<imglst name="strip" src="7" subwidth="10"/>)");
  auto image = Make(R"(<imgex skin="strip"/>)", ZRect{0, 0, 10, 10});
  EXPECT_TRUE(image->NeedsRedrawOnStateChange());
  const uint32_t by_state[][2] = {{0, kRed}, {kVuStateHover, kGreen}, {kVuStatePushed | kVuStateHover, kBlue},
                                  {kVuStateDisabled, kYellow}};
  for (const auto& [state, colour] : by_state) {
    image->ModifyState(state, ~state);
    Paint(image.get());
    EXPECT_EQ(Px(5, 5), colour) << state;
  }
  auto clear = Make(R"(<imgex skin="strip" alpha="0"/>)", ZRect{0, 0, 10, 10});
  Paint(clear.get());
  EXPECT_EQ(Px(5, 5), kWhite);
  // imgex2 at natural size leaves the rest of its rectangle alone.
  auto natural = Make(R"(<imgex2 skin="strip" stretch="0" topdraw="1"/>)", ZRect{0, 0, 30, 30});
  Paint(natural.get());
  EXPECT_EQ(Px(5, 5), kRed);
  EXPECT_EQ(Px(15, 5), kWhite);
  EXPECT_EQ(Px(5, 15), kWhite);
}

TEST_F(ControlsImageTest, RegistryImagesAreLookedUpByKeyNeverByAddress) {
  ZImage green;
  green.Assign(2, 2, std::vector<uint32_t>(4, kGreen));
  VuMemoryImages::Instance().Register("banner", green);
  auto memory = Make(R"(<memimage mempointer="banner"/>)");
  Paint(memory.get());
  EXPECT_TRUE(AllOf(ZRect{0, 0, 20, 20}, kGreen));
  // A number is only a key: nothing registered under it, nothing drawn.
  auto number = Make(R"(<memimage mempointer="140737488355328"/>)");
  Paint(number.get());
  EXPECT_EQ(Px(5, 5), kWhite);

  VuMemoryImages::Instance().Register("7", green);
  {
    auto owned = Make<CVuHIcon>(R"(<hicon handle="7" autodel="1"/>)");
    Paint(owned.get());
    EXPECT_EQ(Px(5, 5), kGreen);
  }
  EXPECT_EQ(VuMemoryImages::Instance().Find("7"), nullptr);  // deleted with its element
  { auto borrowed = Make<CVuHIcon>(R"(<hicon handle="banner"/>)"); }
  EXPECT_NE(VuMemoryImages::Instance().Find("banner"), nullptr);

  auto icon = Make<CVuIconWnd>(R"(<icon size="8"/>)");
  icon->SetIcon(std::make_shared<const ZImage>(green));
  Paint(icon.get());
  EXPECT_EQ(Px(10, 10), kGreen);
  EXPECT_EQ(Px(5, 5), kWhite);  // centred, 8 pixels wide
  EXPECT_EQ(icon->SetAttribute("size", "-4", false), E_FAIL);
}

TEST_F(ControlsImageTest, StorageImageReadsOnlyBelowAllowedFolders) {
  WriteResource("pic.bmp", BmpBytes(40, 10, Stripes(10, {kRed, kGreen, kBlue, kYellow})));
  ASSERT_EQ(RunCommand({"/bin/mkdir", "-p", Real("other")}).exit_code, 0);
  ASSERT_TRUE(WriteTextFile(Real("other/o.bmp"), BmpBytes(4, 4, [](int, int) { return kBlue; })));

  auto relative = Make<CVuStorageImage>(R"(<storageimage filepath="pic.bmp" subwidth="10"/>)", ZRect{0, 0, 10, 10});
  ASSERT_TRUE(relative->HasImage());
  relative->ModifyState(kVuStateHover, 0);
  Paint(relative.get());
  EXPECT_EQ(Px(5, 5), kGreen);  // the hover frame
  auto full = Make<CVuStorageImageEx>(R"(<storageimageex filepath="C:/RES/uninstall/pic.bmp" alpha="0"/>)");
  EXPECT_TRUE(full->HasImage());
  Paint(full.get());
  EXPECT_EQ(Px(5, 5), kWhite);
  EXPECT_TRUE(problems_.empty());

  for (const char* refused : {"..\\x.bmp", "C:\\res\\uninstall\\..\\..\\other\\o.bmp", "C:\\other\\o.bmp",
                              "C:\\res\\uninstallx\\pic.bmp", "\\\\server\\share\\pic.bmp", "pic.bmp:stream",
                              "C:\\res\\uninstall\\... \\pic.bmp"}) {
    problems_.clear();
    auto image = Make<CVuStorageImage>(std::string(R"(<storageimage filepath=")") + refused + "\"/>");
    EXPECT_FALSE(image->HasImage()) << refused;
    EXPECT_TRUE(image->GetPath().empty()) << refused;
    EXPECT_EQ(ProblemsMentioning("filepath"), 1u) << refused;
  }
  CVuStorageImage::AllowFolder(u"C:\\other\\");
  auto allowed = Make<CVuStorageImage>(R"(<storageimage filepath="C:\other\o.bmp"/>)");
  CVuStorageImage::ClearAllowedFolders();
  EXPECT_TRUE(allowed->HasImage());
  problems_.clear();
  auto missing = Make<CVuStorageImage>(R"(<storageimage filepath="none.bmp"/>)");
  EXPECT_EQ(ProblemsMentioning("not read"), 1u);
}

TEST_F(ControlsImageTest, HostileRectanglesAndValuesNeverOverflow) {
  LoadQuadSkin();
  ZImage green;
  green.Assign(2, 2, std::vector<uint32_t>(4, kGreen));
  VuMemoryImages::Instance().Register("k", green);
  const char* const documents[] = {
      R"(<imgbg skin="quad" fill="tile"/>)", R"(<imgbg skin="quad"/>)",
      R"(<scrollimg skin="quad" hpos="2147483647" vpos="-2147483648"/>)", R"(<imggray skin="quad" gray="1"/>)",
      R"(<imgex skin="quad" alpha="-9"/>)", R"(<imgex2 skin="quad" stretch="0"/>)",
      R"(<imgrotale skin="quad" angle="33"/>)",
      R"(<expendimg skin="quad" margin_left="2147483647" margin_top="5" stretch="0"/>)",
      R"(<memimage mempointer="k"/>)", R"(<icon size="2147483647"/>)", R"(<hicon handle="k"/>)",
      R"(<storageimage filepath="5.bmp" subwidth="2147483647"/>)",
      R"(<tabctrl tabwidth="65536" tabpos="65536" framepos="-0,|-5,2147483647,-2147483647"><tab title="t"/></tabctrl>)",
      R"(<listwnd externline="65536"><listitem height="65536"/><listitem height="65536"/></listwnd>)",
      R"(<ownereventdlg><button pos="0,0,-0,-0"/></ownereventdlg>)",
  };
  const ZRect hostile[] = {{-2000000000, -2000000000, 2000000000, 2000000000},
                           {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX},
                           {30, 30, 10, 10}};
  for (const char* document : documents)
    for (const ZRect& rect : hostile) {
      auto element = Make(document);
      ASSERT_TRUE(element) << document;
      element->Position(rect.left, rect.top, INT32_MAX, INT32_MAX);
      element->SetRect(rect);
      Paint(element.get());
      element->HitTest(5, 5, 0);
      LRESULT result = 0;
      element->ProcessMessage(0x020A, static_cast<WPARAM>(0x8000) << 16, 0, &result);  // a huge wheel turn
      Paint(element.get());
    }
}

}  // namespace
