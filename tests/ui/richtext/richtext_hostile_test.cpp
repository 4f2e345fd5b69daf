// Hostile rich text: what the XML reader refuses (malformed, nested past its
// limit) and valid markup made to hurt (a megabyte of text, 100,000 tags,
// deep nesting just inside the limit, huge sizes and offsets) is drawn or
// refused without a crash, a hang or unbounded work.
#include <gtest/gtest.h>

#include <string>

#include "platform/xml.h"
#include "tests/ui/element/ElementTestSupport.h"
#include "ui/richtext/CVuRichText.h"

namespace {

class RichTextHostile : public ElementTest {
 protected:
  void SetUp() override {
    ElementTest::SetUp();
    ASSERT_TRUE(canvas_.Create(300, 200));
  }
  // Loads and paints; false when the reader refused the document.
  bool Draw(const std::string& content, CVuRichText* element) {
    ZXmlDocument doc;
    if (!doc.Parse(("<richtext>" + content + "</richtext>").c_str())) return false;
    element->Load(doc.FirstChildElement());
    element->SetAttribute("pos", "0,0,-0,-0", true);
    element->Position(0, 0, 300, 200);
    canvas_.Clear();
    element->Redraw(&canvas_, nullptr);
    return true;
  }
  static std::string Repeat(const std::string& s, size_t n) {
    std::string out;
    out.reserve(s.size() * n);
    for (size_t i = 0; i < n; ++i) out += s;
    return out;
  }
  ZCanvas canvas_;
};

TEST_F(RichTextHostile, MalformedAndTooDeepMarkupIsRefusedAndTheLimitItselfDraws) {
  CVuRichText element;
  EXPECT_FALSE(Draw("<b>unclosed", &element));
  EXPECT_FALSE(Draw("<b><i>overlap</b></i>", &element));
  EXPECT_FALSE(Draw(Repeat("<b>", 100000) + "x" + Repeat("</b>", 100000), &element));
  // The root is one level: 255 nested tags make the deepest document read.
  EXPECT_FALSE(Draw(Repeat("<i>", 256) + "x" + Repeat("</i>", 256), &element));
  ASSERT_TRUE(Draw(Repeat("<b>", 255) + "deep" + Repeat("</b>", 255), &element));
  ASSERT_EQ(element.Runs().size(), 1u);
  EXPECT_EQ(element.Runs()[0].font_id & 4, 4);
  EXPECT_EQ(element.Markup().size(), 2u * 255 + 1);
}

TEST_F(RichTextHostile, AMegabyteOfTextAndAHundredThousandTagsDraw) {
  CVuRichText element;
  ASSERT_TRUE(Draw(Repeat("abcdefghij", 100000), &element));
  EXPECT_TRUE(element.LastLayout().truncated) << "lines below the element are not laid out";
  EXPECT_LT(element.LastLayout().lines.size(), 100u);
  // No width and lines walking upwards: one character a line, still bounded.
  LoadStyles("<class name='up' x-margin='150' linespacing='-32767'/>");
  element.SetAttribute("class", "up", true);
  ASSERT_TRUE(Draw(Repeat("abcdefghij", 100000), &element));
  EXPECT_TRUE(element.LastLayout().truncated);
  EXPECT_LT(element.LastLayout().lines.size(), 100u);
  element.SetAttribute("class", "", true);
  ASSERT_TRUE(Draw(Repeat("<b>x</b><a id='1'>y</a><o offset='3'/><zz/>", 25000), &element));
  EXPECT_EQ(element.Markup().size(), 25000u * 10);
  EXPECT_FALSE(element.Links().empty());
}

TEST_F(RichTextHostile, HugeSizesOffsetsAndIdsStayInBounds) {
  CVuRichText element;
  const char* cases[] = {
      "<s size='7F'>huge</s><s size='80'>negative step</s><s size='F4'>zero height</s>",
      "<o offset='7FFFFFFF'/>after<o offset='-7FFFFFFF'/>x<o offset='-80000000'/>y",
      "<a id='-2147483648'>min</a><a id='99999999999'>big</a><g align='c'><br/><br/></g>",
      "<c color='FFFFFFFFFFFFFFFF'>long colour</c><c color=''>empty</c><br>inside br</br>",
      "<a id='1'><a id='2'>nested link</a></a><A ID='3'>upper</A>"};
  for (const char* markup : cases) {
    EXPECT_TRUE(Draw(markup, &element)) << markup;
    for (const VuRichLink& link : element.Links()) {
      EXPECT_LE(link.rect.left, link.rect.right) << markup;
      EXPECT_LE(link.rect.top, link.rect.bottom) << markup;
    }
  }
  // A zero-sized and a negative-sized element draw nothing and end.
  element.Position(10, 10, 0, 0);
  element.Redraw(&canvas_, nullptr);
  LoadStyles("<class name='wide' x-margin='32767' y-margin='-32767' linespacing='-32767' spacing='-32767'/>");
  EXPECT_EQ(element.SetAttribute("class", "wide", false), 0);
  element.Position(0, 0, 300, 200);
  element.Redraw(&canvas_, nullptr);
}

}  // namespace
