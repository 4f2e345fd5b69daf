// The framework's start: the three shared documents read from every source
// the locator has and merged first-wins, documents that fail skipped and
// named, and the lookup of layouts with and without directories first.
#include <gtest/gtest.h>

#include <string>

#include "tests/ui/dialog/dialog_test_support.h"
#include "ui/dialog/VuFramework.h"
#include "ui/dialog/VuLayout.h"

namespace {

class DialogFrameworkTest : public DialogTest {
 protected:
  void WriteSecond(const std::string& name, const std::string& text) {
    ASSERT_TRUE(WriteTextFile(Real("res/second/" + name), text));
  }
  static std::string Text(int id) {
    const std::u16string* text = VuStringTable::Instance().Get(id);
    return text ? std::string(text->begin(), text->end()) : "none";
  }
};

TEST_F(DialogFrameworkTest, SharedDocumentsMergeFirstWinsAcrossSources) {
  WriteResource("10000.xml",
                "<skins><gradation name=\"band\" from=\"FF0000\" to=\"FF0000\"/></skins>");
  WriteSecond("10000.xml",
              "<skins><button name=\"band\"/><gradation name=\"extra\" from=\"00FF00\" "
              "to=\"00FF00\"/></skins>");
  WriteResource("10001.xml", "<style><class name=\"t\" crtext=\"FF0000\"/></style>");
  WriteSecond("10001.xml",
              "<style><class name=\"t\" crtext=\"0000FF\"/><class name=\"u\" spacing=\"3\"/></style>");
  WriteResource("10002.xml", "<string><s id=\"1\">first</s></string>");
  WriteSecond("10002.xml", "<string><s id=\"1\">second</s><s id=\"2\">only here</s></string>");
  VuResourceLocator::Instance().SetSecondaryDirectory(u"C:\\res\\second");
  VuResourceLocator::Instance().SetDirectoriesFirst(true);

  EXPECT_EQ(VuFramework::Initialize(kPrimary), 6);
  EXPECT_EQ(problems_.size(), 0u) << Problems();
  ASSERT_NE(VuSkinPool::Instance().Get("band"), nullptr);
  EXPECT_STREQ(VuSkinPool::Instance().Get("band")->GetTag(), "gradation");
  EXPECT_NE(VuSkinPool::Instance().Get("extra"), nullptr);
  ASSERT_NE(VuStylePool::Instance().GetStyle("t"), nullptr);
  EXPECT_EQ(VuStylePool::Instance().GetStyle("t")->crtext, 0x0000FF);  // red, the first
  ASSERT_NE(VuStylePool::Instance().GetStyle("u"), nullptr);
  EXPECT_EQ(VuStylePool::Instance().GetStyle("u")->spacing, 3);
  EXPECT_NE(VuStylePool::Instance().DefaultStyle(), nullptr);
  EXPECT_EQ(Text(1), "first");
  EXPECT_EQ(Text(2), "only here");
}

TEST_F(DialogFrameworkTest, WithoutDirectoriesFirstTheSecondaryIsNoSourceAndOverridesComeFirst) {
  WriteResource("10002.xml", "<string><s id=\"1\">directory</s><s id=\"3\">dir only</s></string>");
  WriteSecond("10002.xml", "<string><s id=\"4\">never read</s></string>");
  VuResourceLocator::Instance().SetSecondaryDirectory(u"C:\\res\\second");
  VuResourceLocator::Instance().SetOverride(10002, "xml",
                                            "<string><s id=\"1\">override</s></string>");
  VuFramework::Initialize(kPrimary);
  EXPECT_EQ(Text(1), "override");
  EXPECT_EQ(Text(3), "dir only");
  EXPECT_EQ(Text(4), "none");
  // Missing skin and style documents are said, not fatal.
  EXPECT_TRUE(Reported({"10000.xml", "not found"})) << Problems();
  EXPECT_TRUE(Reported({"10001.xml", "not found"})) << Problems();
  EXPECT_NE(VuStylePool::Instance().DefaultStyle(), nullptr);
}

TEST_F(DialogFrameworkTest, LayoutLookupFollowsTheDirectoriesFirstFlag) {
  WriteResource("11001.xml", "<layer width=\"100\"/>");
  WriteSecond("11001.xml", "<layer width=\"200\"/>");
  VuResourceLocator& locator = VuResourceLocator::Instance();
  VuFramework::Initialize(kPrimary);
  locator.SetSecondaryDirectory(u"C:\\res\\second");
  locator.SetPackedProvider([](const std::string& key, std::string* bytes) {
    if (key != "11001.xml") return false;
    *bytes = "<layer width=\"300\"/>";
    return true;
  });
  VuLayout layout;
  ASSERT_TRUE(layout.LoadResource(11001, nullptr));
  EXPECT_EQ(layout.Attributes().width, 300);  // packed before the directory
  locator.SetDirectoriesFirst(true);
  ASSERT_TRUE(layout.LoadResource(11001, nullptr));
  EXPECT_EQ(layout.Attributes().width, 100);
  EXPECT_FALSE(layout.LoadResource(11002, nullptr));
  EXPECT_TRUE(Reported({"11002.xml", "not found"})) << Problems();
}

TEST_F(DialogFrameworkTest, BrokenSharedDocumentsAreNamedAndSkippedOthersStillMerge) {
  WriteResource("10000.xml", "<style><class name=\"x\"/></style>");  // wrong root
  WriteSecond("10000.xml", "<skins><gradation name=\"ok\" from=\"000000\" to=\"FFFFFF\"/></skins>");
  WriteResource("10001.xml", "<style><class name=\"x\"></style>");  // does not parse
  WriteSecond("10001.xml", "<style><class name=\"y\"/></style>");
  WriteResource("10002.xml", "\xEF\xBB\xBF<string><s id=\"5\">with a byte-order mark</s></string>");
  VuResourceLocator::Instance().SetSecondaryDirectory(u"C:\\res\\second");
  VuResourceLocator::Instance().SetDirectoriesFirst(true);

  EXPECT_EQ(VuFramework::Initialize(kPrimary), 3);
  EXPECT_NE(VuSkinPool::Instance().Get("ok"), nullptr);
  EXPECT_EQ(VuStylePool::Instance().GetStyle("x"), nullptr);
  EXPECT_NE(VuStylePool::Instance().GetStyle("y"), nullptr);
  EXPECT_EQ(Text(5), "with a byte-order mark");
  ASSERT_EQ(problems_.size(), 2u) << Problems();
  EXPECT_EQ(problems_[0].document, "10000.xml");
  EXPECT_NE(problems_[0].message.find("root tag <style> is not <skins>"), std::string::npos);
  EXPECT_EQ(problems_[1].document, "10001.xml");
  EXPECT_NE(problems_[1].message.find("parse error"), std::string::npos);
}

TEST_F(DialogFrameworkTest, AnotherResourceSetReplacesTheFirstOne) {
  WriteResource("10002.xml", "<string><s id=\"1\">old</s></string>");
  WriteResource("10000.xml", "<skins><gradation name=\"old\" from=\"000000\" to=\"000000\"/></skins>");
  VuFramework::Initialize(kPrimary);
  ASSERT_EQ(Text(1), "old");
  WriteSecond("10002.xml", "<string><s id=\"1\">new</s></string>");
  VuFramework::Initialize(u"C:\\res\\second");
  EXPECT_EQ(Text(1), "new");
  EXPECT_EQ(VuSkinPool::Instance().Get("old"), nullptr);
  EXPECT_EQ(VuResourceLocator::Instance().PrimaryDirectory(), u"C:\\res\\second");
}

}  // namespace
