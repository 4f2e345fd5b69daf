// The "richtext" element: made by the factory from XML, its attributes, its
// drawing (colours by pixels, margins and clipping, the link colour rules)
// and its links under the mouse: hover, cursor, press and release.
#include <algorithm>

#include "platform/window_input.h"
#include "platform/window_messages.h"
#include "tests/ui/element/ElementTestSupport.h"
#include "ui/richtext/CVuRichText.h"
#include "ui/controls/container/CVuControlCreator.h"
#include "ui/richtext/CVuRichText2Wnd.h"
#include "ui/richtext/CVuRichTextEx.h"

namespace {

struct Ink {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1, pixels = 0;
  uint32_t darkest = 0;  // the most opaque pixel
};

class RichTextElement : public ElementTest {
 protected:
  void SetUp() override {
    ElementTest::SetUp();
    ASSERT_TRUE(canvas_.Create(240, 80));
  }
  std::unique_ptr<CVuRichText> Make(const std::string& xml, int cx = 240, int cy = 80) {
    auto element = LoadTree<CVuRichText>(xml);
    if (element) element->Position(0, 0, cx, cy);
    return element;
  }
  Ink InkIn(const ZRect& r) const {
    Ink ink;
    uint32_t best = 0;
    for (int y = std::max(r.top, 0); y < std::min(r.bottom, canvas_.Height()); ++y)
      for (int x = std::max(r.left, 0); x < std::min(r.right, canvas_.Width()); ++x) {
        const uint32_t p = canvas_.PixelAt(x, y);
        if (!(p >> 24)) continue;
        ink.left = std::min(ink.left, x), ink.right = std::max(ink.right, x + 1);
        ink.top = std::min(ink.top, y), ink.bottom = std::max(ink.bottom, y + 1);
        ++ink.pixels;
        if ((p >> 24) > best) best = p >> 24, ink.darkest = p;
      }
    return ink;
  }
  Ink AllInk() const { return InkIn({0, 0, canvas_.Width(), canvas_.Height()}); }
  void Paint(CVuRichText* element) {
    canvas_.Clear();
    element->Redraw(&canvas_, nullptr);
  }
  static LPARAM At(int x, int y) { return MAKELPARAM(x, y); }
  static void Send(CVuWindow* e, UINT message, int x, int y) {
    LRESULT result = 0;
    e->ProcessMessage(message, 0, At(x, y), &result);
  }
  static uint32_t Rgb(uint32_t p) { return p & 0xFFFFFF; }
  ZCanvas canvas_;
};

TEST_F(RichTextElement, FactoryMakesItAndItTakesItsAttributes) {
  auto element = Make("<richtext id='4' defaultfont='0104' linkclass='lnk' forcecursor='1' adjustpos='1' "
                      "autoadjustyahei='1'>x</richtext>");
  ASSERT_TRUE(element);
  EXPECT_STREQ(element->GetTag(), "richtext");
  EXPECT_EQ(element->GetId(), 4);
  EXPECT_EQ(element->DefaultFontId(), 0x0104);
  EXPECT_TRUE(element->ForceCursor() && element->AdjustPos() && element->AutoAdjustYahei());
  EXPECT_TRUE(problems_.empty());
  EXPECT_EQ(element->SetAttribute("defaultfont", "12345", false), E_FAIL) << "more than four digits";
  EXPECT_EQ(element->DefaultFontId(), 0x0104);
  EXPECT_EQ(element->SetAttribute("linkclass", "other", false), 1);
  EXPECT_EQ(element->SetAttribute("forcecursor", "0", false), 1);
  EXPECT_EQ(element->SetAttribute("nonsense", "1", false), E_FAIL);
  EXPECT_EQ(element->SetAttribute("crtext", "FF0000", false), 1) << "the base takes its own first";
  // New markup at run time; malformed markup leaves the old one.
  EXPECT_TRUE(element->SetMarkup("<b>new</b> text"));
  EXPECT_FALSE(element->SetMarkup("<b>broken"));
  EXPECT_EQ(element->Markup().size(), 4u);
  // Without "defaultfont" the element's font is the default.
  EXPECT_EQ(Make("<richtext font='0003'>x</richtext>")->DefaultFontId(), 3);
}

TEST_F(RichTextElement, ColoursDrawAsTheMarkupSaysAndAnInvalidOneIsBlack) {
  auto element = Make("<richtext><c color='FF0000'>MMMM</c><br/><c color='xx00yy'>MMMM</c></richtext>");
  Paint(element.get());
  const VuRichLayout& layout = element->LastLayout();
  ASSERT_EQ(layout.lines.size(), 2u);
  const Ink red = InkIn({0, layout.lines[0].top, 240, layout.lines[0].top + layout.lines[0].height});
  const Ink black = InkIn({0, layout.lines[1].top, 240, layout.lines[1].top + layout.lines[1].height});
  ASSERT_GT(red.pixels, 0);
  ASSERT_GT(black.pixels, 0);
  EXPECT_EQ(red.darkest, 0xFFFF0000u);
  EXPECT_EQ(black.darkest, 0xFF000000u);
  // The element's own text colour is the default.
  element = Make("<richtext crtext='0000FF'>MMMM</richtext>");
  Paint(element.get());
  EXPECT_EQ(AllInk().darkest, 0xFF0000FFu);
}

TEST_F(RichTextElement, ContentIsShrunkByTheMarginsAndClipped) {
  LoadStyles("<class name='pad' x-margin='20' y-margin='10'/>");
  auto element = Make(
      "<richtext class='pad' pos='0,0,-0,-0'>MMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMM"
      "<o offset='-99'/><s size='30'>WWWWWWWWWWWWWWW</s></richtext>",
      200, 60);
  Paint(element.get());
  const Ink ink = AllInk();
  ASSERT_GT(ink.pixels, 0);
  EXPECT_GE(ink.left, 20);
  EXPECT_LE(ink.right, 180);
  EXPECT_GE(ink.top, 10);
  EXPECT_LE(ink.bottom, 50);
  EXPECT_GT(element->LastLayout().lines.size(), 2u) << "the text wrapped at the margin";
}

TEST_F(RichTextElement, WantedSizeFollowsTheLaidOutText) {
  auto one = LoadTree<CVuRichText>("<richtext>MM</richtext>");
  one->Position(0, 0, 500, 500);
  auto wrapped = LoadTree<CVuRichText>("<richtext>MM<br/>MM</richtext>");
  wrapped->Position(0, 0, 500, 500);
  EXPECT_GT(one->GetRect().Width(), 0);
  EXPECT_LT(one->GetRect().Width(), 500);
  EXPECT_EQ(wrapped->GetRect().Width(), one->GetRect().Width());
  EXPECT_EQ(wrapped->GetRect().Height(), 2 * one->GetRect().Height());
}

class RichTextLinks : public RichTextElement {
 protected:
  void SetUp() override {
    RichTextElement::SetUp();
    LoadStyles("<class name='lnk' crtext='0000FF' crhover='00FF00' crdisabled='808080'/>");
    element_ = Make(
        "<richtext linkclass='lnk'>Go <a id='7'>MMMM</a><a id='7' color='FF0000'>MMMM</a>"
        "<a id='9' hover_color='FFFF00'>MMMM</a></richtext>");
    ASSERT_TRUE(element_);
    ASSERT_EQ(element_->Links().size(), 3u);
  }
  ZPoint Centre(int link) const {
    const ZRect& r = element_->Links()[static_cast<size_t>(link)].rect;
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  uint32_t LinkInk(int link) const { return Rgb(InkIn(element_->Links()[static_cast<size_t>(link)].rect).darkest); }
  std::unique_ptr<CVuRichText> element_;
};

TEST_F(RichTextLinks, HoverFollowsTheMouseAndSetsTheCursor) {
  const std::vector<VuRichLink>& links = element_->Links();
  EXPECT_EQ(links[0].id, 7);
  EXPECT_EQ(links[1].id, 7) << "two links with one id report the same item id";
  EXPECT_EQ(links[0].text, u"MMMM");
  EXPECT_EQ(element_->CursorId(), 32512);
  Send(element_.get(), WM_MOUSEMOVE, Centre(1).x, Centre(1).y);
  EXPECT_EQ(element_->HoverLink(), 1);
  EXPECT_EQ(element_->CursorId(), 32649);
  Send(element_.get(), WM_MOUSEMOVE, 1, 1);
  EXPECT_EQ(element_->HoverLink(), -1);
  Send(element_.get(), WM_MOUSEMOVE, Centre(2).x, Centre(2).y);
  Send(element_.get(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(element_->HoverLink(), -1);
  element_->SetAttribute("forcecursor", "1", false);
  EXPECT_EQ(element_->CursorId(), 32649) << "the hand everywhere";
  // A disabled element has no hover link.
  element_->ModifyState(kVuStateDisabled, 0);
  Send(element_.get(), WM_MOUSEMOVE, Centre(1).x, Centre(1).y);
  EXPECT_EQ(element_->HoverLink(), -1);
}

TEST_F(RichTextLinks, LinksDrawWithTheLinkStyleTheirOwnAndTheHoverColours) {
  Paint(element_.get());
  EXPECT_EQ(LinkInk(0), 0x0000FFu) << "the link style's colour";
  EXPECT_EQ(LinkInk(1), 0xFF0000u) << "its own colour";
  EXPECT_EQ(LinkInk(2), 0x0000FFu) << "back to the link style's after a coloured link";
  Send(element_.get(), WM_MOUSEMOVE, Centre(0).x, Centre(0).y);
  Paint(element_.get());
  EXPECT_EQ(LinkInk(0), 0x00FF00u) << "the link style's hover colour without hover_color";
  Send(element_.get(), WM_MOUSEMOVE, Centre(2).x, Centre(2).y);
  Paint(element_.get());
  EXPECT_EQ(LinkInk(2), 0xFFFF00u) << "hover_color";
  EXPECT_EQ(LinkInk(0), 0x0000FFu);
  element_->ModifyState(kVuStateDisabled, 0);
  Paint(element_.get());
  EXPECT_EQ(LinkInk(0), 0x808080u) << "disabled";
  EXPECT_EQ(LinkInk(2), 0x0000FFu) << "after a coloured link the normal colour returns";
}

TEST_F(RichTextLinks, PressAndReleaseTrackThePressedLink) {
  Send(element_.get(), WM_LBUTTONDOWN, Centre(0).x, Centre(0).y);
  EXPECT_EQ(element_->PressedLink(), 0);
  Send(element_.get(), WM_LBUTTONUP, Centre(1).x, Centre(1).y);
  EXPECT_EQ(element_->PressedLink(), -1);
  Send(element_.get(), WM_LBUTTONDOWN, 1, 1);
  EXPECT_EQ(element_->PressedLink(), -1) << "not on a link";
}

TEST_F(RichTextElement, TheExtendedCreatorMakesTheVariantsAndRichTextExDrawsWithAlpha) {
  auto richtext2 = VuCreateControl("richtext2", &CVuControlCreator::Default());
  ASSERT_TRUE(dynamic_cast<CVuRichText2Wnd*>(richtext2.get()));
  auto made = VuCreateControl("richtextex", &CVuControlCreator::Default());
  auto* ex = dynamic_cast<CVuRichTextEx*>(made.get());
  ASSERT_TRUE(ex);
  ZXmlDocument doc;
  ASSERT_TRUE(doc.Parse("<richtextex alphatxt='128' crtext='FF0000' linkclass='x'>MMMM</richtextex>"));
  ex->Load(doc.FirstChildElement());
  EXPECT_TRUE(problems_.empty()) << "the attributes of richtext";
  ex->Position(0, 0, 240, 80);
  canvas_.Clear();
  ex->Redraw(&canvas_, nullptr);
  const Ink ink = AllInk();
  ASSERT_GT(ink.pixels, 0);
  EXPECT_LE(ink.darkest >> 24, 129u);
  EXPECT_GE(ink.darkest >> 24, 100u);
}

}  // namespace
