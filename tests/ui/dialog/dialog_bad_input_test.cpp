// Hostile skin sets: every broken document, value or image is named in a
// problem line, nothing crashes, and whatever still makes sense is loaded.
#include <gtest/gtest.h>

#include <string>

#include "platform/canvas.h"
#include "tests/ui/dialog/dialog_test_support.h"
#include "ui/dialog/CVuDialogView.h"
#include "ui/dialog/VuFramework.h"
#include "ui/element/CVuWindow.h"

namespace {

class DialogBadInputTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    WriteResource("10000.xml",
                  "<skins><gradation name=\"fill\" from=\"FFFFFF\" to=\"EEEEEE\"/></skins>");
    WriteResource("10001.xml", "<style><class name=\"t\" crtext=\"333333\"/></style>");
    WriteResource("10002.xml", "<string><s id=\"1\">one</s></string>");
  }
  // Loads and paints layout 11001 headless; false when it did not load.
  bool LoadAndPaint(CVuDialogView* view, int cx = 300, int cy = 200) {
    VuFramework::Initialize(kPrimary);
    if (!view->LoadLayout()) return false;
    view->LayoutView(cx, cy);
    ZCanvas canvas;
    view->PaintClient(&canvas, cx, cy, nullptr);
    return true;
  }
  bool ProblemIn(const std::string& document, const std::vector<std::string>& words) const {
    for (const VuLoadProblem& p : problems_) {
      if (p.document != document) continue;
      bool all = true;
      for (const std::string& w : words) all = all && p.message.find(w) != std::string::npos;
      if (all) return true;
    }
    return false;
  }
};

TEST_F(DialogBadInputTest, MalformedLayoutIsAParseErrorAndNoWindow) {
  WriteResource("11001.xml", "<layer width=\"10\"><header><text>hi</header></layer>");
  CVuDialogView view(11001);
  EXPECT_FALSE(LoadAndPaint(&view));
  EXPECT_EQ(view.Create(nullptr), nullptr);
  EXPECT_TRUE(ProblemIn("11001.xml", {"parse error"})) << Problems();
}

TEST_F(DialogBadInputTest, TruncatedSampleLayoutIsAParseError) {
  std::string sample = ReadTextFile(std::string(kSourceDir) +
                                    "/resources/sample/res/uninstall/11001.xml");
  ASSERT_GT(sample.size(), 200u);
  WriteResource("11001.xml", sample.substr(0, sample.size() / 2));
  CVuDialogView view(11001);
  EXPECT_FALSE(LoadAndPaint(&view));
  EXPECT_TRUE(ProblemIn("11001.xml", {"parse error"})) << Problems();
}

TEST_F(DialogBadInputTest, FiftyMegabyteDocumentsAreRefusedUnread) {
  for (const char* name : {"11001.xml", "10000.xml"})
    ASSERT_EQ(RunCommand({"/usr/bin/truncate", "-s", "50M", Real(std::string("res/uninstall/") + name)})
                  .exit_code,
              0);
  CVuDialogView view(11001);
  EXPECT_FALSE(LoadAndPaint(&view));
  EXPECT_TRUE(ProblemIn("11001.xml", {"larger than"})) << Problems();
  EXPECT_TRUE(ProblemIn("10000.xml", {"larger than"})) << Problems();
  // The other shared documents still loaded.
  EXPECT_NE(VuStylePool::Instance().GetStyle("t"), nullptr);
}

TEST_F(DialogBadInputTest, NestingPastTheReadersLimitIsRefusedAndDeepButAllowedTreesWork) {
  std::string deep = "<layer width=\"50\" height=\"50\"><header height=\"50\">";
  for (int i = 0; i < 100000; ++i) deep += "<dlg pos=\"0,0,-0,-0\">";
  for (int i = 0; i < 100000; ++i) deep += "</dlg>";
  WriteResource("11001.xml", deep + "</header></layer>");
  CVuDialogView view(11001);
  EXPECT_FALSE(LoadAndPaint(&view));
  EXPECT_TRUE(ProblemIn("11001.xml", {"parse error"})) << Problems();

  // 250 levels load, lay out, paint and answer lookups.
  std::string allowed = "<layer width=\"50\" height=\"50\"><header height=\"50\">";
  for (int i = 0; i < 250; ++i) allowed += "<dlg pos=\"0,0,-0,-0\">";
  allowed += "<text id=\"9\" pos=\"1,1,10,10\" class=\"t\">x</text>";
  for (int i = 0; i < 250; ++i) allowed += "</dlg>";
  WriteResource("11001.xml", allowed + "</header></layer>");
  problems_.clear();
  CVuDialogView second(11001);
  ASSERT_TRUE(LoadAndPaint(&second, 50, 50));
  ASSERT_NE(second.FindItem(9), nullptr);
  EXPECT_EQ(second.FindItem(9)->GetRect().right, 10);
  EXPECT_EQ(problems_.size(), 0u) << Problems();
}

TEST_F(DialogBadInputTest, UnknownTagsAndAttributesAreNamedTheirSiblingsStillLoad) {
  WriteResource("11001.xml",
                "<layer width=\"300\" height=\"200\"><header height=\"40\">"
                "<marquee id=\"4\"/><text id=\"5\" pos=\"0,0,50,20\" blink=\"fast\">a</text>"
                "</header><body><text id=\"6\" pos=\"0,0,50,20\">b</text></body></layer>");
  CVuDialogView view(11001);
  ASSERT_TRUE(LoadAndPaint(&view));
  EXPECT_EQ(view.FindItem(4), nullptr);
  EXPECT_NE(view.FindItem(5), nullptr);
  EXPECT_NE(view.FindItem(6), nullptr);
  EXPECT_TRUE(ProblemIn("11001.xml", {"marquee"})) << Problems();
  EXPECT_TRUE(ProblemIn("11001.xml", {"blink"})) << Problems();
  for (const VuLoadProblem& p : problems_) EXPECT_GT(p.line, 0) << p.message;
}

TEST_F(DialogBadInputTest, GarbagePositionsColoursAndFontsAreRejectedOrHarmless) {
  WriteResource("10001.xml",
                "<style><class name=\"t\" crtext=\"12\" font=\"123456\" textmode=\"zz\"/>"
                "<class name=\"wrap\" textmode=\"10\"/></style>");
  WriteResource("11001.xml",
                "<layer width=\"-300\" height=\"99999999\" min_width=\"2147483647\">"
                "<header height=\"-40\">"
                "<text id=\"5\" class=\"t\" pos=\"||||,--,w99999999999999999999,h\">a</text>"
                "<text id=\"6\" pos=\"-2147483648,2147483647,|-99999999999,5\" crbg=\"GGGGGG\" "
                "crtext=\"0x\" font=\"-1\">b</text>"
                "<text id=\"7\" pos=\"1,2,3\" valign=\"sideways\" align=\"\">c</text>"
                // Wrapped text measured in a span as wide as an int.
                "<dlg pos=\"0,0,2147483647,20\"><dlg><text class=\"wrap\">words to wrap</text></dlg></dlg>"
                "</header></layer>");
  CVuDialogView view(11001);
  ASSERT_TRUE(LoadAndPaint(&view));
  view.LayoutView(300, 200);
  ZCanvas canvas;
  view.PaintClient(&canvas, 300, 200, nullptr);
  EXPECT_TRUE(ProblemIn("10001.xml", {"crtext"})) << Problems();
  EXPECT_TRUE(ProblemIn("10001.xml", {"font"})) << Problems();
  EXPECT_TRUE(ProblemIn("11001.xml", {"crtext"})) << Problems();
  EXPECT_TRUE(ProblemIn("11001.xml", {"valign"})) << Problems();
  ASSERT_NE(view.FindItem(7), nullptr);
  EXPECT_EQ(view.FindItem(7)->GetPosition().count, 0);  // three items are no position
  // A size no canvas takes paints nothing and does not fail.
  ZCanvas huge;
  view.PaintClient(&huge, 300, 99999999, nullptr);
  EXPECT_EQ(huge.Width(), 0);
}

TEST_F(DialogBadInputTest, SkinsNamingMissingOrCorruptImagesAreNamedAndDrawNothing) {
  WriteResource("10000.xml",
                "<skins><skinpng name=\"ghost\" file=\"nothere.png\"/>"
                "<skinpng name=\"broken\" file=\"corrupt.png\"/>"
                "<skinpng name=\"escape\" file=\"..\\..\\..\\Windows\\win.ini\"/></skins>");
  WriteResource("corrupt.png", std::string("\x89PNG\r\n\x1a\n", 8) + "not really a picture");
  WriteResource("11001.xml",
                "<layer width=\"100\" height=\"60\" frame=\"ghost\"><header height=\"60\">"
                "<img id=\"1\" pos=\"0,0,50,30\" skin=\"broken\"/>"
                "<img id=\"2\" pos=\"50,0,100,30\" skin=\"escape\"/>"
                "<img id=\"3\" pos=\"0,30,50,60\" skin=\"nosuchskin\"/></header></layer>");
  CVuDialogView view(11001);
  ASSERT_TRUE(LoadAndPaint(&view, 100, 60));
  EXPECT_TRUE(Reported({"nothere.png"})) << Problems();
  EXPECT_TRUE(Reported({"corrupt.png"})) << Problems();
  EXPECT_TRUE(Reported({"win.ini"})) << Problems();
  EXPECT_TRUE(Reported({"nosuchskin"})) << Problems();
}

}  // namespace
