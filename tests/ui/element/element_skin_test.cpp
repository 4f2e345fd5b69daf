// Skins on elements, checked on pixels: the background skin of a style in
// the state frame ("correctdrawbg" mapping or raw state bits), the button
// face that always reads raw bits, "img" with its alpha and natural size,
// and "skinbtn" frames by state.
#include "tests/ui/element/ElementTestSupport.h"
#include "tests/ui/skin/skin_test_support.h"
#include "ui/controls/basic/CVuImageWnd.h"
#include "ui/controls/basic/CVuSkinBtnWnd.h"
#include "ui/controls/basic/CVuStatic.h"
#include "ui/style/VuStyle.h"

namespace {

class ElementSkin : public SkinTest {
 protected:
  void SetUp() override {
    SkinTest::SetUp();
    VuStylePool::Instance().Clear();
    // Frames 0-3: red, green, blue, yellow, 10 pixels each.
    WriteResource("5.bmp", BmpBytes(40, 10, Stripes(10, {kRed, kGreen, kBlue, kYellow})));
    LoadSkins(R"(<imglst name="strip" src="5" subwidth="10"/>
                 <imglst name="still" src="5"/>
                 <button name="face" bgup="FF0000" bgdown="FF0000" bguphover="00FF00"
                         bgdownhover="00FF00" bguppush="0000FF" bgdownpush="0000FF"/>)");
    ZXmlDocument styles;
    ASSERT_TRUE(styles.Parse(R"(<style><class name="strip" skin="strip"/><class name="still" skin="still"/>
                                <class name="face" skin="face" crbg="FFFFFF"/></style>)"));
    VuStylePool::Instance().LoadDocument(styles.FirstChildElement());
  }
  void TearDown() override {
    CVuWindow::SetDpiManagerForTest(nullptr);
    VuStylePool::Instance().Clear();
    SkinTest::TearDown();
  }
  template <typename T>
  std::unique_ptr<T> Make(const std::string& xml) {
    ZXmlDocument doc;
    EXPECT_TRUE(doc.Parse(xml.c_str()));
    auto element = std::make_unique<T>();
    element->Load(doc.FirstChildElement());
    element->Position(0, 0, 64, 64);
    return element;
  }
  uint32_t PaintIn(CVuWindow* element, uint32_t state) {
    element->ModifyState(state, ~state);
    canvas_.Clear(ZColor{255, 255, 255, 255});
    element->Redraw(&canvas_, nullptr);
    return Px(5, 5);
  }
};

TEST_F(ElementSkin, StyleSkinInTheStateFrame) {
  auto mapped = Make<CVuStatic>(R"(<text class="strip" correctdrawbg="1" pos="0,0,10,10"/>)");
  EXPECT_EQ(PaintIn(mapped.get(), 0), kRed);
  EXPECT_EQ(PaintIn(mapped.get(), kVuStateHover), kGreen);
  EXPECT_EQ(PaintIn(mapped.get(), kVuStateHover | kVuStatePushed), kBlue);
  EXPECT_EQ(PaintIn(mapped.get(), kVuStateDisabled | kVuStatePushed | kVuStateHover), kYellow);
  EXPECT_EQ(PaintIn(mapped.get(), kVuStateChecked), kRed);
  EXPECT_TRUE(mapped->NeedsRedrawOnStateChange());

  // Without the flag the skin gets the raw bits: hover and pushed is frame 3.
  auto raw = Make<CVuStatic>(R"(<text class="strip" pos="0,0,10,10"/>)");
  EXPECT_EQ(PaintIn(raw.get(), kVuStateHover), kGreen);
  EXPECT_EQ(PaintIn(raw.get(), kVuStateHover | kVuStatePushed), kYellow);

  auto still = Make<CVuStatic>(R"(<text class="still" pos="0,0,10,10"/>)");
  EXPECT_FALSE(still->NeedsRedrawOnStateChange());
}

TEST_F(ElementSkin, ButtonFaceReadsRawBitsEvenWithTheMapping) {
  auto button = Make<CVuStatic>(R"(<text class="face" correctdrawbg="1" pos="0,0,20,20"/>)");
  EXPECT_EQ(PaintIn(button.get(), kVuStatePushed), kBlue);
  EXPECT_EQ(PaintIn(button.get(), kVuStateHover), kGreen);
  // Disabled: the face's background only, not the pushed gradient that
  // frame 3 (hover | pushed) would give.
  const uint32_t disabled = PaintIn(button.get(), kVuStateDisabled | kVuStateHover);
  EXPECT_NE(disabled, kBlue);
  EXPECT_NE(disabled, kGreen);
}

TEST_F(ElementSkin, ImageDrawsItsSkinWithAlphaAtItsNaturalSize) {
  auto image = Make<CVuImageWnd>(R"(<img skin="strip" alpha="128"/>)");
  EXPECT_EQ(ElementRectText(image->GetRect()), "0,0,10,10");
  const uint32_t half = PaintIn(image.get(), kVuStateHover);  // a plain image stays in frame 0
  EXPECT_EQ(half >> 24, 0xFFu);
  EXPECT_EQ((half >> 16) & 0xFF, 0xFFu);
  EXPECT_NEAR(static_cast<int>((half >> 8) & 0xFF), 127, 2);
  EXPECT_NEAR(static_cast<int>(half & 0xFF), 127, 2);
  EXPECT_EQ(Px(15, 5), kWhite);
}

TEST_F(ElementSkin, SkinButtonFramesByState) {
  auto button = Make<CVuSkinBtnWnd>(R"(<skinbtn skin="strip"/>)");
  EXPECT_EQ(ElementRectText(button->GetRect()), "0,0,10,10");
  EXPECT_EQ(PaintIn(button.get(), 0), kRed);
  EXPECT_EQ(PaintIn(button.get(), kVuStateHover), kGreen);
  EXPECT_EQ(PaintIn(button.get(), kVuStateHover | kVuStatePushed), kBlue);
  EXPECT_EQ(PaintIn(button.get(), kVuStateDisabled | kVuStateHover), kYellow);
  EXPECT_TRUE(button->NeedsRedrawOnStateChange());
}

TEST_F(ElementSkin, DpiAwareTreesScalePositionsAndFixedSizes) {
  ScaleForDpi(144);  // scale 1.5
  CVuWindow::SetDpiManagerForTest(dpi_.get());
  const char* xml =
      "<dlg width='40' height='20'><text id='1' pos='10,5,-3,-0'/>"
      "<dlg id='2' pos='0,0,-0,-0'><text id='3' width='7' height='full'/></dlg></dlg>";
  ZXmlDocument doc;
  ASSERT_TRUE(doc.Parse(xml));
  CVuDialog aware, plain;
  aware.SetDpiAware(true);
  aware.Load(doc.FirstChildElement());
  plain.Load(doc.FirstChildElement());
  aware.Position(0, 0, 1000, 1000);
  plain.Position(0, 0, 1000, 1000);
  EXPECT_EQ(ElementRectText(aware.GetRect()), "0,0,60,30");
  // 5 x 1.5 and 3 x 1.5 truncate to 7 and 4.
  EXPECT_EQ(ElementRectText(aware.FindChildById(1)->GetRect()), "15,7,56,30");
  // The flag reaches grandchildren through their parents.
  EXPECT_TRUE(aware.FindChildById(3)->IsDpiAware());
  EXPECT_EQ(ElementRectText(aware.FindChildById(3)->GetRect()), "0,0,10,30");
  EXPECT_EQ(ElementRectText(plain.FindChildById(1)->GetRect()), "10,5,37,20");
  EXPECT_EQ(ElementRectText(plain.FindChildById(3)->GetRect()), "0,0,7,20");
}

}  // namespace
