// The XML cursor: absolute and relative paths, siblings, attributes, save and restore.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "packet_public/ZXmlCursor.h"
#include "platform/xml.h"

namespace {

constexpr char kDocument[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<packet>"
    "  <lead><installfile><filelist><item n=\"wrong\"/></filelist></installfile></lead>"
    "  <installfile>"
    "    <filelist>"
    "      <other n=\"0\"/>"
    "      <item n=\"1\" path=\"a.exe\"><config mode=\"reg\"/><config mode=\"service\"/></item>"
    "      <odd n=\"2\"/>"
    "      <item n=\"3\" path=\"\xC3\xA9t\xC3\xA9.txt\"/>"
    "    </filelist>"
    "    <filelist><item n=\"second-list\"/></filelist>"
    "  </installfile>"
    "</packet>";

std::string Attr(const ZXmlCursor& cursor, const char* name) {
  std::string value = "unset";
  cursor.GetAttribute(name, &value);
  return value;
}

class XmlCursorTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(document_.Parse(kDocument)); }
  ZXmlDocument document_;
};

TEST_F(XmlCursorTest, AbsolutePathStartsAtTheRootAndTakesFirstChildren) {
  ZXmlCursor cursor(document_);
  EXPECT_FALSE(cursor.IsValid()) << "a new cursor is on no element";
  ASSERT_TRUE(cursor.MoveToPath(u"packet\\installfile\\filelist\\item"));
  EXPECT_EQ(Attr(cursor, "n"), "1") << "the first item of the first filelist";
  ASSERT_TRUE(cursor.MoveToPath(u"packet/installfile/filelist"));
  EXPECT_STREQ(cursor.Current().Name(), "filelist");
  ASSERT_TRUE(cursor.MoveToPath(u"packet"));
  EXPECT_STREQ(cursor.Current().Name(), "packet");
  ASSERT_TRUE(cursor.MoveToPath(u"packet\\\\installfile\\")) << "empty components are skipped";
  EXPECT_STREQ(cursor.Current().Name(), "installfile");
}

TEST_F(XmlCursorTest, AbsolutePathFailuresLeaveNoElement) {
  ZXmlCursor cursor(document_);
  for (const char16_t* path : {u"installfile\\filelist", u"Packet\\installfile", u"root",
                               u"packet\\uninstallfile", u"packet\\installfile\\dirlist\\item",
                               u"packet\\installfile\\filelist\\item\\missing", u"", u"\\"}) {
    ASSERT_TRUE(cursor.MoveToPath(u"packet"));
    EXPECT_FALSE(cursor.MoveToPath(path));
    EXPECT_FALSE(cursor.IsValid());
    EXPECT_FALSE(cursor.GetAttribute("n", static_cast<std::string*>(nullptr)));
  }
  ZXmlDocument empty;
  ZXmlCursor on_empty(empty);
  EXPECT_FALSE(on_empty.MoveToPath(u"packet")) << "a document with no root";
}

TEST_F(XmlCursorTest, RelativePathLooksAmongTheCurrentChildren) {
  ZXmlCursor cursor(document_);
  ASSERT_TRUE(cursor.MoveToPath(u"packet"));
  ASSERT_TRUE(cursor.MoveToRelativePath(u"installfile\\filelist\\item"));
  EXPECT_EQ(Attr(cursor, "n"), "1") << "the first component is looked up by name";
  ASSERT_TRUE(cursor.MoveToRelativePath(u"config"));
  EXPECT_EQ(Attr(cursor, "mode"), "reg");

  ASSERT_TRUE(cursor.MoveToPath(u"packet"));
  EXPECT_FALSE(cursor.MoveToRelativePath(u"packet\\installfile"))
      << "the current element's own name is not part of a relative path";
  EXPECT_FALSE(cursor.IsValid());
  EXPECT_FALSE(cursor.MoveToRelativePath(u"installfile")) << "nothing to start from";

  ASSERT_TRUE(cursor.MoveToPath(u"packet\\installfile\\filelist\\item"));
  ASSERT_TRUE(cursor.Next());
  EXPECT_FALSE(cursor.MoveToRelativePath(u"config")) << "the <odd> element has no children";
}

TEST_F(XmlCursorTest, NextVisitsEverySiblingWhateverItsNameAndFailsAtTheLast) {
  ZXmlCursor cursor(document_);
  ASSERT_TRUE(cursor.MoveToPath(u"packet\\installfile\\filelist\\item"));
  std::vector<std::string> seen;
  do {
    seen.push_back(Attr(cursor, "n"));
  } while (cursor.Next());
  EXPECT_EQ(seen, (std::vector<std::string>{"1", "2", "3"}))
      << "elements before the first item are not visited; the second filelist is not reached";
  EXPECT_FALSE(cursor.IsValid());
  EXPECT_FALSE(cursor.Next()) << "stays off after the end";
}

TEST_F(XmlCursorTest, AttributesComeRawOrAsUtf16AndMissingOnesAreEmpty) {
  ZXmlCursor cursor(document_);
  ASSERT_TRUE(cursor.MoveToPath(u"packet\\installfile\\filelist\\item"));
  ASSERT_TRUE(cursor.Next());
  ASSERT_TRUE(cursor.Next());
  std::string raw;
  std::u16string wide = u"stale";
  EXPECT_TRUE(cursor.GetAttribute("path", &raw));
  EXPECT_EQ(raw, "\xC3\xA9t\xC3\xA9.txt");
  EXPECT_TRUE(cursor.GetAttribute("path", &wide));
  EXPECT_EQ(wide, u"\u00e9t\u00e9.txt");
  EXPECT_FALSE(cursor.GetAttribute("mode", &wide));
  EXPECT_EQ(wide, u"");
  raw = "stale";
  EXPECT_FALSE(cursor.GetAttribute("mode", &raw));
  EXPECT_EQ(raw, "");

  ASSERT_TRUE(cursor.MoveToPath(u"packet\\installfile\\filelist\\item"));
  ASSERT_TRUE(cursor.MoveToRelativePath(u"config"));
  raw = "stale";
  ASSERT_TRUE(cursor.MoveToPath(u"packet\\installfile\\filelist"));
  EXPECT_FALSE(cursor.GetAttribute("path", &raw)) << "an element without attributes";
  EXPECT_EQ(raw, "");
}

TEST_F(XmlCursorTest, RestoreReturnsToTheSavedElementEvenAfterAFailedMove) {
  ZXmlCursor cursor(document_);
  ASSERT_TRUE(cursor.MoveToPath(u"packet\\installfile\\filelist\\item"));
  cursor.Save();
  ASSERT_TRUE(cursor.MoveToRelativePath(u"config"));
  EXPECT_TRUE(cursor.Next());
  EXPECT_FALSE(cursor.Next());
  cursor.Restore();
  EXPECT_EQ(Attr(cursor, "n"), "1");
  ASSERT_TRUE(cursor.Next());
  EXPECT_EQ(Attr(cursor, "n"), "2") << "the walk goes on from the restored element";

  // Saves nest.
  cursor.Save();
  ASSERT_TRUE(cursor.MoveToPath(u"packet"));
  cursor.Save();
  EXPECT_FALSE(cursor.MoveToPath(u"nothing"));
  cursor.Restore();
  EXPECT_STREQ(cursor.Current().Name(), "packet");
  cursor.Restore();
  EXPECT_EQ(Attr(cursor, "n"), "2");
  cursor.Restore();
  EXPECT_EQ(Attr(cursor, "n"), "2") << "a restore with nothing saved changes nothing";
}

}  // namespace
