// Rich-text markup: the element's mixed content copied in document order,
// and read into runs with the font bits, colours and alignment each tag
// sets, restored when it closes.
#include <gtest/gtest.h>

#include <string>

#include "ui/richtext/VuRichMarkup.h"
#include "ui/richtext/VuRichRuns.h"

namespace {

std::vector<VuRichRun> Runs(const std::string& content, uint16_t base = 0) {
  return VuReadRichRuns(VuParseRichMarkupText("<richtext>" + content + "</richtext>"), base);
}

std::u16string Texts(const std::vector<VuRichRun>& runs) {
  std::u16string out;
  for (const VuRichRun& run : runs) {
    if (run.kind == VuRichRun::kBreak) out += u"|";
    if (run.kind == VuRichRun::kLink) out += u"[" + run.text + u"]";
    if (run.kind == VuRichRun::kText) out += u"(" + run.text + u")";
  }
  return out;
}

TEST(RichTextMarkup, MixedContentKeepsDocumentOrderAndTagsCompareWithoutCase) {
  const VuRichMarkup markup =
      VuParseRichMarkupText("<r>one<B>two<I>three</I>four</B><!-- c -->five<Br/>six</r>");
  std::string shape;
  for (const VuRichToken& t : markup)
    shape += t.kind == VuRichToken::kOpen ? "<" + t.tag + ">" : t.kind == VuRichToken::kClose ? "</" + t.tag + ">" : "T";
  EXPECT_EQ(shape, "T<b>T<i>T</i>T</b>T<br></br>T");
  EXPECT_EQ(Texts(VuReadRichRuns(markup, 0)), u"(one)(two)(three)(four)(five)|(six)");
  EXPECT_TRUE(VuParseRichMarkupText("<r><b>unclosed</r>").empty()) << "malformed XML is refused";
  // The reader trims the ends of every text; a no-break space stays.
  EXPECT_EQ(Texts(Runs("a <b> b </b>\xC2\xA0" "c")), u"(a)(b)(\u00A0c)");
}

TEST(RichTextMarkup, FontBitsNestAndRestore) {
  const auto runs = Runs("a<b>b<i>c<u>d</u></i>e</b><s size='2'>f<s size='1'>g</s></s>h", 0x0100);
  ASSERT_EQ(runs.size(), 8u);
  EXPECT_EQ(runs[0].font_id, 0x0100);
  EXPECT_EQ(runs[1].font_id, 0x0104);
  EXPECT_EQ(runs[2].font_id, 0x0105);
  EXPECT_EQ(runs[3].font_id, 0x0107);
  EXPECT_EQ(runs[4].font_id, 0x0104) << "closing i and u restores";
  EXPECT_EQ(runs[5].font_id, 0x0300) << "size x 256 is OR-ed in";
  EXPECT_EQ(runs[6].font_id, 0x0300);
  EXPECT_EQ(runs[7].font_id, 0x0100);
  // A size beyond one byte keeps only bits 8-15.
  EXPECT_EQ(Runs("<s size='FFFFFFFF'>x</s>")[0].font_id, 0xFF00);
}

TEST(RichTextMarkup, ColoursAlignmentAndUnknownTags) {
  const auto runs = Runs(
      "<c color='FF8000'>red<c color='zz00gg'>bad</c><x><c color='0000ff'>blue</c>in x</x></c>"
      "<g align='t'>top<g align='q'>kept</g></g>plain<c>none</c><c color='AB'>short</c>");
  ASSERT_EQ(runs.size(), 9u);
  EXPECT_EQ(runs[0].color, 0x0080FF);
  EXPECT_EQ(runs[1].color, 0) << "each invalid pair reads as 0";
  EXPECT_EQ(runs[2].color, 0xFF0000);
  EXPECT_EQ(runs[3].color, 0x0080FF) << "an unknown tag passes its content and restores";
  EXPECT_EQ(runs[4].align, VuRichAlign::kTop);
  EXPECT_EQ(runs[5].align, VuRichAlign::kTop) << "an unknown align value keeps the enclosing one";
  EXPECT_EQ(runs[6].align, VuRichAlign::kBottom);
  EXPECT_EQ(runs[6].color, kVuNoColor);
  EXPECT_EQ(runs[7].color, 0) << "no colour at all reads as black";
  EXPECT_EQ(runs[8].color, 0xAB);
}

TEST(RichTextMarkup, LinksBreaksAndOffsets) {
  const auto runs = Runs(
      "<br/>x<a id='7' color='00FF00' hover_color='0000FF'>go <b>now</b></a><a id='7'>again</a>"
      "<o offset='1A'/><o offset='-10'/><o offset='zz'/><o offset='FFFFFFFFFF'/>");
  EXPECT_EQ(Texts(runs), u"|(x)[gonow][again]");
  ASSERT_EQ(runs.size(), 8u);
  EXPECT_EQ(runs[2].link_id, 7);
  EXPECT_EQ(runs[3].link_id, 7);
  EXPECT_EQ(runs[2].link_color, 0x00FF00);
  EXPECT_EQ(runs[2].hover_color, 0xFF0000);
  EXPECT_EQ(runs[3].link_color, kVuNoColor);
  EXPECT_EQ(runs[4].offset, 0x1A);
  EXPECT_EQ(runs[5].offset, -16);
  EXPECT_EQ(runs[6].offset, 0);
  EXPECT_EQ(runs[7].offset, 0x7FFFFFFF) << "clamped, never wrapped round";
}

}  // namespace
