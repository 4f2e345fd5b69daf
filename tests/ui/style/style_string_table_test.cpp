// The string table: entries merged first-wins from every source on a real
// machine, and the "%strN%" references of element texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/xml.h"
#include "tests/support/SimTestSupport.h"
#include "ui/resource/VuResourceLocator.h"
#include "ui/resource/VuStringTable.h"

namespace {

class StringTableTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    VuResourceLocator::Instance().ResetForTest();
    VuResourceLocator::Instance().SetProblemSink(
        [this](const VuLoadProblem& problem) { problems_.push_back(problem); });
    VuStringTable::Instance().Clear();
  }
  void TearDown() override {
    VuStringTable::Instance().Clear();
    VuResourceLocator::Instance().ResetForTest();
    MachineTest::TearDown();
  }
  int LoadText(const std::string& text) {
    ZXmlDocument document;
    EXPECT_TRUE(document.Parse(text.c_str()));
    return VuStringTable::Instance().LoadDocument(document.FirstChildElement());
  }
  std::u16string Text(int id) {
    const std::u16string* text = VuStringTable::Instance().Get(id);
    return text ? *text : u"<none>";
  }
  std::vector<VuLoadProblem> problems_;
};

TEST_F(StringTableTest, EverySourceMergesAndTheFirstTextOfAnIdWins) {
  RunCommand({"/bin/mkdir", "-p", Real("res/first"), Real("res/second")});
  ASSERT_TRUE(WriteTextFile(Real("res/first/10002.xml"),
                            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<string>\n"
                            "<s id=\"1\">Uninstall</s>\n<s id=\"2\">\xE5\x8D\xB8\xE8\xBD\xBD</s>\n"
                            "<s id=\"1\">Later</s>\n</string>"));
  ASSERT_TRUE(WriteTextFile(Real("res/second/10002.xml"),
                            "<string><s id=\"2\">Second</s><s id=\"3\"></s><s id=\"4\">Four</s>"
                            "</string>"));
  VuResourceLocator& locator = VuResourceLocator::Instance();
  locator.SetPrimaryDirectory(u"C:\\res\\first");
  locator.SetSecondaryDirectory(u"C:\\res\\second");
  locator.SetDirectoriesFirst(true);
  int added = 0;
  for (const VuResourceBlob& blob : locator.LoadAll(10002, "xml")) added += LoadText(blob.bytes);
  EXPECT_EQ(added, 4);
  EXPECT_TRUE(Text(1) == u"Uninstall");
  EXPECT_TRUE(Text(2) == u"\u5378\u8F7D");  // UTF-8 text, first source kept
  EXPECT_TRUE(Text(3).empty());
  EXPECT_TRUE(Text(4) == u"Four");
  EXPECT_TRUE(Text(5) == u"<none>");
  EXPECT_TRUE(problems_.empty());
}

TEST_F(StringTableTest, BadEntriesAndRootsAreReported) {
  EXPECT_EQ(LoadText("<string>\n<s>no id</s>\n<t id=\"7\">x</t>\n<s id=\"8\">ok</s>\n"
                     "<s id=\"0\">zero</s><s id=\"x\">none</s></string>"),
            1);
  ASSERT_EQ(problems_.size(), 4u);
  EXPECT_EQ(problems_[0].line, 2);
  EXPECT_EQ(problems_[1].line, 3);
  EXPECT_NE(problems_[1].message.find("<t>"), std::string::npos);
  EXPECT_NE(problems_[3].message.find("\"x\""), std::string::npos);
  EXPECT_TRUE(Text(7) == u"<none>");
  EXPECT_TRUE(Text(8) == u"ok");
  EXPECT_TRUE(Text(0) == u"<none>");
  EXPECT_EQ(LoadText("<style><s id=\"9\">x</s></style>"), 0);
  EXPECT_TRUE(Text(9) == u"<none>");
  EXPECT_EQ(problems_.size(), 5u);
}

TEST_F(StringTableTest, SubstituteReplacesUntilTheFirstBrokenReference) {
  LoadText("<string><s id=\"1\">Sample</s><s id=\"12\">Uninstall</s>"
           "<s id=\"3\">%str1%</s></string>");
  const VuStringTable& table = VuStringTable::Instance();
  const struct {
    std::u16string in;
    std::u16string out;
  } cases[] = {
      {u"%str12% %str1%", u"Uninstall Sample"},
      {u"no references", u"no references"},
      {u"[%str99%]", u"[]"},                   // unknown entry: empty
      {u"%str3%", u"%str1%"},                  // replacements are not read again
      {u"%str1% %str0% %str1%", u"Sample %str0% %str1%"},
      {u"%str1% %str-1% %str1%", u"Sample %str-1% %str1%"},
      {u"%str% %str1%", u"%str% %str1%"},
      {u"%str1% %str12", u"Sample %str12"},    // no closing "%"
      {u"%str1%%str12%", u"SampleUninstall"},
      {u"%str99999999999999999999%x", u"x"},   // too large for any entry
      {u"100% %STR1%", u"100% %STR1%"},
  };
  for (const auto& c : cases)
    EXPECT_TRUE(table.Substitute(c.in) == c.out) << std::string(c.in.begin(), c.in.end());
}

}  // namespace
