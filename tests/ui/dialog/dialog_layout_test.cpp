// The "layer" schema: the window styles computed from the root's
// attributes, what "child" overrides, and where the view puts the header,
// body and footer.
#include <gtest/gtest.h>

#include <string>

#include "platform/xml.h"
#include "tests/ui/dialog/dialog_test_support.h"
#include "ui/dialog/VuLayout.h"
#include "ui/element/CVuContainerWnd.h"

namespace {

class DialogLayoutTest : public DialogTest {
 protected:
  VuLayoutAttributes Read(const std::string& root_attributes, float scale = 1.0f) {
    ZXmlDocument document;
    const std::string text = "<layer " + root_attributes + "/>";
    EXPECT_TRUE(document.Parse(text.c_str())) << text;
    VuLayoutAttributes a;
    VuReadLayoutAttributes(document.FirstChildElement(), scale, &a);
    return a;
  }
};

TEST_F(DialogLayoutTest, StylesComputedFromTheRootAsNumbers) {
  const struct {
    const char* attributes;
    DWORD style;
    DWORD ex_style;
  } cases[] = {
      // Without "resize" the maximise box goes and the minimise box comes;
      // without "noborder" the two edges are added.
      {"", 0x800A0000, 0x00010300},
      {"resize=\"1\"", 0x800F0000, 0x00010300},
      {"noborder=\"1\"", 0x800A0000, 0x00010088},
      {"appwin=\"1\" layered=\"1\"", 0x800A0000, 0x000D0300},
      {"resize=\"0\" noborder=\"0\" appwin=\"0\"", 0x800A0000, 0x00010300},
      // A child: no popup, system menu or layering, and the four after it ignored.
      {"child=\"1\"", 0x46010000, 0x00010000},
      {"child=\"1\" resize=\"1\" noborder=\"1\" layered=\"1\" appwin=\"1\"", 0x46010000, 0x00050000},
  };
  for (const auto& c : cases) {
    VuLayoutAttributes a = Read(c.attributes);
    EXPECT_EQ(a.style, c.style) << c.attributes;
    EXPECT_EQ(a.ex_style, c.ex_style) << c.attributes;
  }
}

TEST_F(DialogLayoutTest, ChildMakesResizeNoborderHoldsizeAndNomoveIneffective) {
  VuLayoutAttributes a =
      Read("resize=\"1\" noborder=\"1\" holdsize=\"1\" nomove=\"1\" child=\"1\"");
  EXPECT_TRUE(a.child);
  EXPECT_FALSE(a.resize);
  EXPECT_FALSE(a.noborder);
  EXPECT_FALSE(a.holdsize);
  EXPECT_FALSE(a.nomove);
  a = Read("resize=\"1\" holdsize=\"1\" nomove=\"1\"");
  EXPECT_TRUE(a.resize && a.holdsize && a.nomove);
}

TEST_F(DialogLayoutTest, SizeScaledOnlyForDpiAwareLayoutsAndTitleTakesStrings) {
  ZXmlDocument strings;
  ASSERT_TRUE(strings.Parse("<string><s id=\"4\">Remove it</s></string>"));
  VuStringTable::Instance().LoadDocument(strings.FirstChildElement());

  VuLayoutAttributes a = Read(
      "title=\"%str4%: caf\xC3\xA9\" width=\"520\" height=\"361\" min_width=\"300\" "
      "min_height=\"-5\" frame=\"dlg_body\"",
      1.5f);
  EXPECT_EQ(a.title, u"Remove it: caf\u00E9");
  EXPECT_EQ(a.frame, "dlg_body");
  EXPECT_EQ(a.width, 520);
  EXPECT_EQ(a.height, 361);
  EXPECT_EQ(a.min_width, 300);
  EXPECT_EQ(a.min_height, -5);
  a = Read("width=\"520\" height=\"361\" min_width=\"300\" dpiaware=\"1\"", 1.5f);
  EXPECT_EQ(a.width, 780);
  EXPECT_EQ(a.height, 541);  // 541.5 truncated
  EXPECT_EQ(a.min_width, 300);
  a = Read("width=\"2000000000\" height=\"x\" dpiaware=\"1\"", 1.5f);
  EXPECT_EQ(a.width, 1000000000);  // clamped, never overflowing
  EXPECT_EQ(a.height, 0);
}

TEST_F(DialogLayoutTest, UnknownRootAttributesAreIgnoredAndNamed) {
  VuLayout layout;
  ASSERT_TRUE(layout.LoadText("<layer width=\"300\" sparkle=\"1\" height=\"200\"><body/></layer>",
                              nullptr));
  EXPECT_EQ(layout.Attributes().width, 300);
  EXPECT_EQ(layout.Attributes().height, 200);
  EXPECT_TRUE(Reported({"sparkle", "ignored"})) << Problems();
  EXPECT_EQ(problems_.size(), 1u) << Problems();
}

TEST_F(DialogLayoutTest, WrongRootTagOrParseErrorFailsTheLoad) {
  VuLayout layout;
  EXPECT_FALSE(layout.LoadText("<dialog width=\"300\"><body/></dialog>", nullptr));
  EXPECT_FALSE(layout.IsLoaded());
  EXPECT_TRUE(Reported({"<dialog>", "<layer>"})) << Problems();
  problems_.clear();
  EXPECT_FALSE(layout.LoadText("<layer width=\"300\"><body></layer>", nullptr));
  EXPECT_FALSE(layout.IsLoaded());
  EXPECT_TRUE(Reported({"parse error"})) << Problems();
  EXPECT_FALSE(layout.LoadText("", nullptr));
  // A failed load leaves nothing of an earlier one behind.
  ASSERT_TRUE(layout.LoadText("<layer width=\"10\"><header height=\"5\"/></layer>", nullptr));
  EXPECT_FALSE(layout.LoadText("<layer", nullptr));
  EXPECT_EQ(layout.Header(), nullptr);
  EXPECT_EQ(layout.Attributes().width, 0);
}

TEST_F(DialogLayoutTest, HeaderAloneWithFullHeightFillsTheClient) {
  VuLayout layout;
  ASSERT_TRUE(layout.LoadText("<layer><header height=\"full\"/></layer>", nullptr));
  EXPECT_TRUE(layout.HeaderFillsView());
  layout.Arrange(400, 200);
  const ZRect r = layout.Header()->GetRect();
  EXPECT_EQ((std::vector<int>{r.left, r.top, r.right, r.bottom}), (std::vector<int>{0, 0, 400, 200}));

  // With a body next to it "full" is no height at all.
  ASSERT_TRUE(layout.LoadText("<layer><header height=\"full\"/><body/></layer>", nullptr));
  EXPECT_FALSE(layout.HeaderFillsView());
  layout.Arrange(400, 200);
  EXPECT_EQ(layout.Header()->GetRect().Height(), 0);
  EXPECT_EQ(layout.Body()->GetRect().top, 0);
  EXPECT_EQ(layout.Body()->GetRect().bottom, 200);
}

TEST_F(DialogLayoutTest, FooterSitsAtTheBottomAndBodyFillsBetween) {
  VuLayout layout;
  // Sections in any document order; a "pos" in the document is overridden.
  ASSERT_TRUE(layout.LoadText(
      "<layer><footer height=\"40\" pos=\"5,5,10,10\"/><body/><header height=\"60\"/></layer>",
      nullptr));
  layout.Arrange(500, 300);
  auto rect = [](CVuDialog* d) {
    const ZRect r = d->GetRect();
    return std::vector<int>{r.left, r.top, r.right, r.bottom};
  };
  EXPECT_EQ(rect(layout.Header()), (std::vector<int>{0, 0, 500, 60}));
  EXPECT_EQ(rect(layout.Footer()), (std::vector<int>{0, 260, 500, 300}));
  EXPECT_EQ(rect(layout.Body()), (std::vector<int>{0, 60, 500, 260}));
  // Smaller than header and footer together: the body is empty, not negative.
  layout.Arrange(500, 80);
  EXPECT_EQ(layout.Footer()->GetRect().top, 40);
  EXPECT_GE(layout.Body()->GetRect().Height(), 0);
}

TEST_F(DialogLayoutTest, ElementsFoundInHeaderThenBodyThenFooterAndOddSectionsNamed) {
  VuLayout layout;
  ASSERT_TRUE(layout.LoadText(
      "<layer><footer height=\"20\"><text id=\"7\" pos=\"0,0,10,10\">footer</text></footer>"
      "<body><dlg id=\"9\" pos=\"0,0,-0,-0\"><text id=\"7\" pos=\"0,0,10,10\">body</text>"
      "<text id=\"8\" pos=\"0,0,10,10\">deep</text></dlg></body>"
      "<header height=\"30\"><text id=\"7\" pos=\"0,0,10,10\">header</text></header>"
      "<sidebar/><header height=\"99\"/></layer>",
      nullptr));
  ASSERT_NE(layout.FindById(7), nullptr);
  EXPECT_EQ(layout.FindById(7)->GetText(), u"header");
  ASSERT_NE(layout.FindById(8), nullptr);
  EXPECT_EQ(layout.FindById(8)->GetText(), u"deep");
  EXPECT_EQ(layout.FindById(12345), nullptr);
  EXPECT_TRUE(Reported({"<sidebar>"})) << Problems();
  EXPECT_TRUE(Reported({"second <header>"})) << Problems();
  layout.Arrange(100, 100);
  EXPECT_EQ(layout.Header()->GetRect().bottom, 30);  // the first header counts
}

}  // namespace
