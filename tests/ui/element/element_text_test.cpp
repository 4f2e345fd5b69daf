// An element's text: "%str" references at load, the size it wants with
// DrawText or GDI+ measuring (one line, or wrapped at the offered width),
// and its drawing by the style's text mode, colours by state and alpha.
#include <algorithm>
#include <cmath>

#include "tests/ui/element/ElementTestSupport.h"
#include "ui/controls/basic/CVuStatic.h"
#include "ui/resource/VuStringTable.h"

namespace {

struct Ink {
  int left = 1 << 30, right = -1, pixels = 0;
  uint32_t max_alpha = 0, sample = 0;
};

class ElementText : public ElementTest {
 protected:
  void SetUp() override {
    ElementTest::SetUp();
    VuStringTable::Instance().Clear();
    ASSERT_TRUE(canvas_.Create(300, 100));
  }
  void TearDown() override {
    VuStringTable::Instance().Clear();
    ElementTest::TearDown();
  }
  Ink InkOf() const {
    Ink ink;
    for (int y = 0; y < canvas_.Height(); ++y)
      for (int x = 0; x < canvas_.Width(); ++x) {
        const uint32_t p = canvas_.PixelAt(x, y);
        if (!(p >> 24)) continue;
        ink.left = std::min(ink.left, x);
        ink.right = std::max(ink.right, x + 1);
        ++ink.pixels;
        if ((p >> 24) > ink.max_alpha) ink.max_alpha = p >> 24, ink.sample = p;
      }
    return ink;
  }
  ZCanvas canvas_;
};

TEST_F(ElementText, StringReferencesAreReplacedAtLoad) {
  ZXmlDocument strings;
  ASSERT_TRUE(strings.Parse("<string><s id='3'>Remove</s><s id='12'>now</s></string>"));
  VuStringTable::Instance().LoadDocument(strings.FirstChildElement());
  auto text = LoadTree<CVuStatic>("<text>%str3% it %str12%!</text>");
  EXPECT_EQ(text->GetText(), u"Remove it now!");
  // Replacement stops at the first reference without a closing "%".
  auto open = LoadTree<CVuStatic>("<text>%str3% %str12 %str3%</text>");
  EXPECT_EQ(open->GetText(), u"Remove %str12 %str3%");
}

TEST_F(ElementText, WantedSizeMeasuresTextPlusMargins) {
  LoadStyles(
      "<class name='line' x-margin='3' y-margin='2'/>"
      "<class name='gdip' x-margin='3' y-margin='2' gdipluscalctxt='1'/>"
      "<class name='wrap' textmode='10'/>");
  const std::u16string words = u"several words that wrap";
  auto line = LoadTree<CVuStatic>("<text class='line'>several words that wrap</text>");
  line->Position(0, 0, 1000, 1000);
  ZRect box{0, 0, 0, 0};
  const int height = canvas_.PaintText(words, &box, DT_CALCRECT | DT_SINGLELINE, line->GetFont(), {});
  EXPECT_EQ(line->GetRect().Width(), box.Width() + 6);
  EXPECT_EQ(line->GetRect().Height(), height + 4);

  auto gdip = LoadTree<CVuStatic>("<text class='gdip'>several words that wrap</text>");
  gdip->Position(0, 0, 1000, 1000);
  const ZSizeF measured = canvas_.MeasureString(words, gdip->GetFont());
  EXPECT_EQ(gdip->GetRect().Width(), static_cast<int>(std::ceil(measured.width)) + 6);
  EXPECT_EQ(gdip->GetRect().Height(), static_cast<int>(std::ceil(measured.height)) + 4);

  // A word-breaking text mode wraps at the offered width and grows down.
  auto wrap = LoadTree<CVuStatic>("<text class='wrap'>several words that wrap</text>");
  wrap->Position(0, 0, box.Width() / 2, 1000);
  EXPECT_LE(wrap->GetRect().Width(), box.Width() / 2);
  EXPECT_GE(wrap->GetRect().Height(), 2 * height);
  auto empty = LoadTree<CVuStatic>("<text class='line'/>");
  empty->Position(0, 0, 100, 100);
  EXPECT_EQ(RectText(empty->GetRect()), "0,0,6,4");
}

TEST_F(ElementText, DrawsByTextModeColourStateAndAlpha) {
  LoadStyles(
      "<class name='right' textmode='22' crtext='FF0000' crhover='0000FF'/>"
      "<class name='left' textmode='20' crtext='FF0000'/>");
  auto right = LoadTree<CVuStatic>("<text class='right' width='300' height='40'>Hi</text>");
  right->Position(0, 0, 300, 100);
  right->Redraw(&canvas_, nullptr);
  Ink ink = InkOf();
  ASSERT_GT(ink.pixels, 0);
  EXPECT_GT(ink.left, 250);  // DT_RIGHT
  // Premultiplied: pure red has its red channel equal to its alpha.
  EXPECT_EQ(ink.sample & 0xFFFFFF, (ink.sample >> 24) << 16);

  canvas_.Clear();
  right->ModifyState(kVuStateHover, 0);
  right->Redraw(&canvas_, nullptr);
  ink = InkOf();
  EXPECT_EQ(ink.sample & 0xFFFFFF, ink.sample >> 24);  // pure blue

  canvas_.Clear();
  auto faint = LoadTree<CVuStatic>("<text class='left' alphatxt='100' width='300' height='40'>Hi</text>");
  faint->Position(0, 0, 300, 100);
  faint->Redraw(&canvas_, nullptr);
  ink = InkOf();
  ASSERT_GT(ink.pixels, 0);
  EXPECT_LT(ink.right, 50);  // DT_LEFT
  EXPECT_LE(ink.max_alpha, 100u);
}

}  // namespace
