// The Windows XML reader condenses text itself (XmlLite hands it over as
// written); what it makes of a text node must be what the Linux reader gives
// for the same document, or the two builds read configurations differently.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/xml_text.h"
#include "platform/xml.h"

namespace {

// Text() of <r>TEXT</r> on this side, as a string; "(none)" when null.
std::string LinuxText(const std::string& text) {
  ZXmlDocument doc;
  EXPECT_TRUE(doc.Parse(("<r>" + text + "</r>").c_str())) << text;
  const char* got = doc.FirstChildElement().Text();
  return got ? got : "(none)";
}

std::string WindowsText(const std::string& text) {
  const std::string condensed = ZXmlCondenseWhiteSpace(text);
  return condensed.empty() ? "(none)" : condensed;
}

TEST(XmlTextTest, CondensingMatchesTheLinuxReader) {
  for (const char* text :
       {"plain", "  leading", "trailing  ", "  both  ", "inner   run", "tab\tand\nnew\r\nline",
        "\n\t  \n", " ", "", "a", " a b  c   d ", "x\n\n\ny", "\xC3\xA4  \xE4\xB8\xAD ",
        "C:\\Program Files\\Sample Product\\"}) {
    EXPECT_EQ(WindowsText(text), LinuxText(text)) << "'" << text << "'";
  }
  // XmlLite replaces references before the text reaches the condensing.
  EXPECT_EQ(WindowsText("  a&b <c> "), LinuxText("  a&amp;b &lt;c&gt; "));
}

TEST(XmlTextTest, CondensedTextKeepsEveryOtherByte) {
  EXPECT_EQ(ZXmlCondenseWhiteSpace("a\xC2\xA0" "b"), "a\xC2\xA0" "b")
      << "a no-break space is not XML white space";
  EXPECT_EQ(ZXmlCondenseWhiteSpace(" \t\r\n"), "");
  EXPECT_EQ(ZXmlCondenseWhiteSpace("a \t\r\n b"), "a b");
  EXPECT_EQ(ZXmlCondenseWhiteSpace(std::string("a\0b", 3)), std::string("a\0b", 3));
}

}  // namespace
