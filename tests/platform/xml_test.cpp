// The XML reader: parsing, encoding detection, navigation and attributes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/xml.h"

namespace {

std::vector<std::string> ChildNames(const ZXmlElement& parent) {
  std::vector<std::string> names;
  for (ZXmlElement e = parent.FirstChildElement(); e; e = e.NextSiblingElement())
    names.push_back(e.Name());
  return names;
}

TEST(XmlTest, ParsesAndWalksElements) {
  ZXmlDocument doc;
  ASSERT_TRUE(doc.Parse(
      "<?xml version=\"1.0\"?>\n<!-- leading comment -->\n"
      "<root a=\"1\"><first/>text-between<!-- c --><second x=\"y\">inner</second><first/></root>"));
  ZXmlElement root = doc.FirstChildElement();
  ASSERT_TRUE(root);
  EXPECT_STREQ(root.Name(), "root");
  EXPECT_STREQ(root.Attribute("a"), "1");
  // Comments and text between elements are skipped; names do not matter.
  EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"first", "second", "first"}));

  ZXmlElement second = root.FirstChildElement("second");
  ASSERT_TRUE(second);
  EXPECT_STREQ(second.Text(), "inner");
  EXPECT_STREQ(second.Attribute("x"), "y");
  EXPECT_FALSE(root.FirstChildElement("third"));
  EXPECT_FALSE(root.FirstChildElement("Second")) << "names compare exactly";
  EXPECT_EQ(root.FirstChildElement().Text(), nullptr) << "an empty element has no text";
  EXPECT_EQ(root.Text(), nullptr) << "the first child is an element, not text";
}

TEST(XmlTest, AttributesInDocumentOrderAndLines) {
  ZXmlDocument doc;
  ASSERT_TRUE(doc.Parse("<?xml version=\"1.0\"?>\n<layer b=\"2\" a=\"1\"\n  c=\"&lt;\">\n\n  <x/><y\n/></layer>"));
  ZXmlElement layer = doc.FirstChildElement();
  std::vector<std::pair<std::string, std::string>> seen;
  for (ZXmlAttribute a = layer.FirstAttribute(); a; a = a.Next()) seen.emplace_back(a.Name(), a.Value());
  EXPECT_EQ(seen, (std::vector<std::pair<std::string, std::string>>{{"b", "2"}, {"a", "1"}, {"c", "<"}}));
  EXPECT_FALSE(layer.FirstChildElement().FirstAttribute());
  EXPECT_FALSE(ZXmlAttribute().Next());
  EXPECT_EQ(ZXmlAttribute().Name(), nullptr);
  // The start tag's line.
  EXPECT_EQ(layer.Line(), 2);
  EXPECT_EQ(layer.FirstChildElement().Line(), 5);
  EXPECT_EQ(layer.FirstChildElement().NextSiblingElement().Line(), 5);
  EXPECT_EQ(ZXmlElement().Line(), 0);
}

TEST(XmlTest, AttributeMissingDiffersFromEmpty) {
  ZXmlDocument doc;
  ASSERT_TRUE(doc.Parse("<item key=\"k\" value=\"\" amp=\"a&amp;b &lt;c&gt;\"/>"));
  ZXmlElement item = doc.FirstChildElement();
  ASSERT_NE(item.Attribute("value"), nullptr);
  EXPECT_STREQ(item.Attribute("value"), "");
  EXPECT_EQ(item.Attribute("other"), nullptr);
  EXPECT_EQ(item.Attribute("Key"), nullptr) << "attribute names compare exactly";
  EXPECT_STREQ(item.Attribute("amp"), "a&b <c>");
}

TEST(XmlTest, MalformedAndEmptyTextFail) {
  for (const char* text : {"", "   \n", "<root>", "<root></other>", "<root a=\"1></root>",
                           "not xml at all", "<a><b></a></b>"}) {
    ZXmlDocument doc;
    EXPECT_FALSE(doc.Parse(text)) << "'" << text << "'";
  }
  ZXmlDocument doc;
  EXPECT_FALSE(doc.Parse(nullptr));
  EXPECT_FALSE(doc.FirstChildElement());
}

TEST(XmlTest, ParseStopsAtFirstZeroByte) {
  std::string text("<root><a/></root>");
  text.push_back('\0');
  text += "<garbage";
  ZXmlDocument doc;
  ASSERT_TRUE(doc.Parse(text.c_str()));
  EXPECT_STREQ(doc.FirstChildElement().Name(), "root");
}

TEST(XmlTest, ReparsingReplacesThePreviousDocument) {
  ZXmlDocument doc;
  ASSERT_TRUE(doc.Parse("<one/>"));
  ASSERT_TRUE(doc.Parse("<two/>"));
  EXPECT_STREQ(doc.FirstChildElement().Name(), "two");
  EXPECT_FALSE(doc.Parse("<three>"));
  ASSERT_TRUE(doc.Parse("<four/>"));
  EXPECT_STREQ(doc.FirstChildElement().Name(), "four");
}

TEST(XmlTest, Utf8ByteOrderMarkAndDeclarationAreHonoured) {
  const std::string umlaut = "\xC3\xA4";  // U+00E4 in UTF-8
  {
    ZXmlDocument doc;
    ASSERT_TRUE(doc.Parse(("\xEF\xBB\xBF<root v=\"" + umlaut + "\"/>").c_str()));
    ZXmlElement root = doc.FirstChildElement();
    ASSERT_TRUE(root);
    EXPECT_STREQ(root.Name(), "root") << "the mark is not part of the first name";
    EXPECT_EQ(std::string(root.Attribute("v")), umlaut);
  }
  {
    ZXmlDocument doc;
    ASSERT_TRUE(doc.Parse(("<?xml version=\"1.0\" encoding=\"UTF-8\"?><root v=\"" + umlaut +
                           "\">&#x4E2D;</root>")
                              .c_str()));
    EXPECT_EQ(std::string(doc.FirstChildElement().Attribute("v")), umlaut);
    EXPECT_EQ(std::string(doc.FirstChildElement().Text()), "\xE4\xB8\xAD");
  }
}

TEST(XmlTest, EmptyHandlesAnswerNothing) {
  ZXmlElement none;
  EXPECT_FALSE(none);
  EXPECT_EQ(none.Name(), nullptr);
  EXPECT_EQ(none.Attribute("a"), nullptr);
  EXPECT_EQ(none.Text(), nullptr);
  EXPECT_FALSE(none.FirstChildElement());
  EXPECT_FALSE(none.NextSiblingElement());
  ZXmlDocument unparsed;
  EXPECT_FALSE(unparsed.FirstChildElement());
}

TEST(XmlTest, TailTextIsTheTextAfterAnElementBeforeTheNextOne) {
  ZXmlDocument doc;
  ASSERT_TRUE(doc.Parse("<r>lead <b>bold</b>  after   bold <i/><!-- c --> late <u/><s/>x<![CDATA[ c ]]></r>"));
  ZXmlElement b = doc.FirstChildElement().FirstChildElement();
  EXPECT_STREQ(b.TailText(), "after bold") << "condensed as every text";
  ZXmlElement i = b.NextSiblingElement();
  EXPECT_STREQ(i.TailText(), "late") << "a comment between is skipped";
  ZXmlElement u = i.NextSiblingElement();
  EXPECT_EQ(u.TailText(), nullptr) << "an element follows at once";
  EXPECT_STREQ(u.NextSiblingElement().TailText(), "x");
  EXPECT_EQ(doc.FirstChildElement().TailText(), nullptr);
  EXPECT_EQ(ZXmlElement().TailText(), nullptr);
}

}  // namespace
