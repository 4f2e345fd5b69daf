// The value syntaxes of the style document, a style's attributes and what an
// element draws with in each state, and the style pool's loading rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/xml.h"
#include "tests/ui/element/ElementTestSupport.h"
#include "ui/resource/VuResourceLocator.h"
#include "ui/style/VuStyle.h"
#include "ui/style/VuValueParsers.h"

namespace {

TEST(StyleValues, ColourIsRedFirstAndBadPairsAreZero) {
  VuColor color = 0;
  EXPECT_TRUE(VuParseColor("FF0000", &color));
  EXPECT_EQ(color, 0x0000FF);  // red in the low byte
  EXPECT_TRUE(VuParseColor("12a4Bc", &color));
  EXPECT_EQ(color, 0xBCA412);
  // One bad character spoils its own pair only.
  EXPECT_TRUE(VuParseColor("FG80FF", &color));
  EXPECT_EQ(color, 0xFF8000);
  EXPECT_TRUE(VuParseColor("zzzzzz", &color));
  EXPECT_EQ(color, 0);
  for (const char* bad : {"", "FF00", "FF00000", "#FF0000", "0xFF0000"}) {
    EXPECT_FALSE(VuParseColor(bad, &color)) << bad;
    EXPECT_EQ(color, kVuNoColor) << bad;
  }
  EXPECT_FALSE(VuParseColor(nullptr, &color));
}

TEST(StyleValues, TextModeClearsModifyStringAndRefusesGarbage) {
  uint32_t flags = 0;
  EXPECT_TRUE(VuParseTextMode("25", &flags));
  EXPECT_EQ(flags, 0x25u);
  EXPECT_TRUE(VuParseTextMode("0x18025", &flags));
  EXPECT_EQ(flags, 0x08025u);  // DT_MODIFYSTRING gone, the rest kept
  EXPECT_TRUE(VuParseTextMode("000000000000008024", &flags));  // zeros of any length
  EXPECT_EQ(flags, 0x8024u);
  EXPECT_TRUE(VuParseTextMode("FFFFFFFF", &flags));
  EXPECT_EQ(flags, 0xFFFEFFFFu);
  EXPECT_TRUE(VuParseTextMode(" 20 ", &flags));
  EXPECT_EQ(flags, 0x20u);
  for (const char* bad : {"", "0x", "12g", "123456789", "-5", "1 2"})
    EXPECT_FALSE(VuParseTextMode(bad, &flags)) << bad;
}

TEST(StyleValues, FontIdHasAtMostFourDigits) {
  uint16_t id = 1;
  EXPECT_TRUE(VuParseFontId("0104", &id));
  EXPECT_EQ(id, 0x0104);
  EXPECT_TRUE(VuParseFontId("0x0010", &id));  // prefix not counted
  EXPECT_EQ(id, 0x0010);
  EXPECT_TRUE(VuParseFontId("ff7", &id));
  EXPECT_EQ(id, 0x0FF7);
  // Over-long values are refused rather than cut to some four of their digits.
  for (const char* bad : {"00104", "0x00104", "12345", "", "x", "01 04", "-104"}) {
    EXPECT_FALSE(VuParseFontId(bad, &id)) << bad;
    EXPECT_EQ(id, 0) << bad;
  }
}

TEST(StyleValues, IntegersAreLenientAndClamped) {
  EXPECT_EQ(VuParseInt("12"), 12);
  EXPECT_EQ(VuParseInt("  -7px"), -7);
  EXPECT_EQ(VuParseInt("+3"), 3);
  EXPECT_EQ(VuParseInt("abc"), 0);
  EXPECT_EQ(VuParseInt(""), 0);
  EXPECT_EQ(VuParseInt(nullptr), 0);
  EXPECT_EQ(VuParseInt("99999999999999999999"), 2147483647);
  EXPECT_EQ(VuParseInt("-99999999999999999999"), -2147483647 - 1);
}

TEST(StyleAttributes, ValuesAreStoredAndResultsAreOneOrFail) {
  VuStyle style;
  EXPECT_EQ(style.SetAttribute("crtext", "FF0000", true), 1);
  EXPECT_EQ(style.crtext, 0x0000FF);
  EXPECT_EQ(style.SetAttribute("font", "0104", true), 1);
  EXPECT_EQ(style.font, 0x0104);
  EXPECT_EQ(style.SetAttribute("hoverfont", "0003", true), 1);
  EXPECT_EQ(style.hoverfont, 0x0003);
  EXPECT_EQ(style.SetAttribute("margin", "6", true), 1);
  EXPECT_EQ(style.x_margin, 6);
  EXPECT_EQ(style.y_margin, 6);
  EXPECT_EQ(style.SetAttribute("y-margin", "2", true), 1);
  EXPECT_EQ(style.x_margin, 6);
  EXPECT_EQ(style.y_margin, 2);
  EXPECT_EQ(style.SetAttribute("textmode", "10025", true), 1);
  EXPECT_EQ(style.textmode, 0x25u);
  EXPECT_EQ(style.SetAttribute("alphabg", "300", true), 1);
  EXPECT_EQ(style.alphabg, 255);
  EXPECT_EQ(style.SetAttribute("alphatxt", "-4", true), 1);
  EXPECT_EQ(style.alphatxt, 0);
  EXPECT_EQ(style.SetAttribute("spacing", "99999999", true), 1);
  EXPECT_EQ(style.spacing, 32767);
  EXPECT_EQ(style.SetAttribute("gditxtrndhit", "9", true), 1);
  EXPECT_EQ(style.gditxtrndhit, 5);

  // Refused values leave the field as it was.
  EXPECT_EQ(style.SetAttribute("crtext", "F00", true), E_FAIL);
  EXPECT_EQ(style.crtext, 0x0000FF);
  EXPECT_EQ(style.SetAttribute("font", "00104", true), E_FAIL);
  EXPECT_EQ(style.font, 0x0104);
  EXPECT_EQ(style.SetAttribute("textmode", "zz", false), E_FAIL);
  EXPECT_EQ(style.textmode, 0x25u);
  EXPECT_EQ(style.SetAttribute("colour", "FF0000", true), E_FAIL);
  EXPECT_EQ(style.SetAttribute("Font", "0104", true), E_FAIL);  // names are exact
  EXPECT_EQ(style.SetAttribute(nullptr, "1", true), E_FAIL);
  EXPECT_EQ(style.SetAttribute("crbg", nullptr, true), E_FAIL);
}

TEST(StyleAttributes, CursorIsHandOrArrowOnly) {
  VuStyle style;
  EXPECT_EQ(style.cursor, 32512);
  EXPECT_EQ(style.SetAttribute("cursor", "hand", true), 1);
  EXPECT_EQ(style.cursor, 32649);
  for (const char* bad : {"wait", "Hand", "", "32512"}) {
    EXPECT_EQ(style.SetAttribute("cursor", bad, true), E_FAIL) << bad;
    EXPECT_EQ(style.cursor, 32649) << bad;
  }
  EXPECT_EQ(style.SetAttribute("cursor", "arrow", false), 1);
  EXPECT_EQ(style.cursor, 32512);
}

TEST(StyleAttributes, StateChoosesColoursAndFonts) {
  VuStyle style;
  style.crtext = 0x000001;
  style.font = 0x0000;
  style.crbg = 0x000010;
  // Nothing set for the states: everything falls back to the normal values.
  for (uint32_t state : {0u, kVuStateHover, kVuStatePushed | kVuStateHover, kVuStateDisabled}) {
    EXPECT_EQ(style.TextColorForState(state), 0x000001) << state;
    EXPECT_EQ(style.FontForState(state), 0x0000) << state;
    EXPECT_EQ(style.BackgroundForState(state), 0x000010) << state;
  }
  style.crhover = 0x000002;
  style.crpush = 0x000003;
  style.crdisabled = 0x000004;
  style.hoverfont = 0x0004;
  style.crbghover = 0x000020;
  EXPECT_EQ(style.TextColorForState(kVuStateHover), 0x000002);
  EXPECT_EQ(style.FontForState(kVuStateHover), 0x0004);
  EXPECT_EQ(style.BackgroundForState(kVuStateHover), 0x000020);
  // Pushed wins over hover; without a push font the hover font stays.
  EXPECT_EQ(style.TextColorForState(kVuStatePushed | kVuStateHover), 0x000003);
  EXPECT_EQ(style.FontForState(kVuStatePushed | kVuStateHover), 0x0004);
  style.pushfont = 0x0001;
  EXPECT_EQ(style.FontForState(kVuStatePushed | kVuStateHover), 0x0001);
  // Disabled wins over everything and never uses the hover or push values.
  const uint32_t all = kVuStateDisabled | kVuStatePushed | kVuStateHover;
  EXPECT_EQ(style.TextColorForState(all), 0x000004);
  EXPECT_EQ(style.FontForState(all), 0x0000);
  EXPECT_EQ(style.BackgroundForState(all), 0x000010);
}

// The element tests' set-up: the locator reset and its problems collected,
// the style pool emptied around each test.
class StylePoolTest : public ElementTest {
 protected:
  int Load(const char* text) {
    ZXmlDocument document;
    EXPECT_TRUE(document.Parse(text));
    return VuStylePool::Instance().LoadDocument(document.FirstChildElement());
  }
};

TEST_F(StylePoolTest, FirstDefinitionOfANameWinsAcrossDocuments) {
  VuStylePool& pool = VuStylePool::Instance();
  EXPECT_EQ(Load("<style>\n"
                 "<class name=\"title\" crtext=\"FF0000\" font=\"0104\"/>\n"
                 "<class name=\"title\" crtext=\"00FF00\"/>\n"
                 "<class name=\"link\" cursor=\"hand\"/>\n"
                 "</style>"),
            2);
  EXPECT_EQ(Load("<style><class name=\"link\" cursor=\"arrow\"/><class name=\"body\"/></style>"), 1);
  ASSERT_NE(pool.GetStyle("title"), nullptr);
  EXPECT_EQ(pool.GetStyle("title")->crtext, 0x0000FF);
  EXPECT_EQ(pool.GetStyle("title")->font, 0x0104);
  EXPECT_EQ(pool.GetStyle("link")->cursor, 32649);
  EXPECT_NE(pool.GetStyle("body"), nullptr);
  EXPECT_EQ(pool.GetStyle("missing"), nullptr);
  EXPECT_TRUE(problems_.empty());

  // Clear keeps only a fresh unnamed default style.
  VuStyle* before = pool.DefaultStyle();
  ASSERT_NE(before, nullptr);
  before->crtext = 0x123456;
  pool.Clear();
  EXPECT_EQ(pool.GetStyle("title"), nullptr);
  ASSERT_NE(pool.GetStyle(""), nullptr);
  EXPECT_EQ(pool.GetStyle("")->crtext, kVuNoColor);
}

TEST_F(StylePoolTest, DocumentProblemsAreReportedWithTheirLines) {
  EXPECT_EQ(Load("<style>\n"
                 "<class name=\"a\" cursor=\"wait\" crtext=\"FF0000\"/>\n"
                 "<klass name=\"b\"/>\n"
                 "<class crtext=\"00FF00\"/>\n"
                 "<class name=\"c\" bogus=\"1\"/>\n"
                 "</style>"),
            2);
  ASSERT_EQ(problems_.size(), 4u);
  EXPECT_EQ(problems_[0].line, 2);
  EXPECT_NE(problems_[0].message.find("cursor"), std::string::npos);
  EXPECT_NE(problems_[0].message.find("wait"), std::string::npos);
  EXPECT_EQ(problems_[1].line, 3);
  EXPECT_NE(problems_[1].message.find("klass"), std::string::npos);
  EXPECT_EQ(problems_[2].line, 4);
  EXPECT_EQ(problems_[3].line, 5);
  EXPECT_NE(problems_[3].message.find("bogus"), std::string::npos);
  // The bad cursor did not stop the rest of the class.
  VuStyle* a = VuStylePool::Instance().GetStyle("a");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->cursor, 32512);
  EXPECT_EQ(a->crtext, 0x0000FF);
  // A nameless class never replaces the default style.
  EXPECT_EQ(VuStylePool::Instance().DefaultStyle()->crtext, kVuNoColor);

  problems_.clear();
  EXPECT_EQ(Load("<string><class name=\"d\"/></string>"), 0);
  EXPECT_EQ(VuStylePool::Instance().GetStyle("d"), nullptr);
  ASSERT_EQ(problems_.size(), 1u);
  EXPECT_NE(problems_[0].message.find("string"), std::string::npos);
}

}  // namespace
