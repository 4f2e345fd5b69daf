// The resource locator on a real machine: its lookup order with and without
// directories first, every source for the shared documents, files that fail
// to read, and the problem sink with the document in force.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/SimTestSupport.h"
#include "ui/core/CVuObject.h"
#include "ui/resource/VuResourceLocator.h"

namespace {

class ResourceLocatorTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    VuResourceLocator::Instance().ResetForTest();
    RunCommand({"/bin/mkdir", "-p", Real("res/first"), Real("res/second")});
  }
  void TearDown() override {
    VuResourceLocator::Instance().ResetForTest();
    MachineTest::TearDown();
  }
  std::string Source(int id, const std::string& type) {
    VuResourceBlob blob;
    if (!VuResourceLocator::Instance().Load(id, type, &blob)) return "none";
    return blob.source + ":" + blob.bytes;
  }
};

TEST_F(ResourceLocatorTest, LookupOrderWithAndWithoutDirectoriesFirst) {
  VuResourceLocator& locator = VuResourceLocator::Instance();
  ASSERT_TRUE(WriteTextFile(Real("res/first/11001.xml"), "primary"));
  ASSERT_TRUE(WriteTextFile(Real("res/second/11001.xml"), "secondary"));
  locator.SetPrimaryDirectory(u"C:\\res\\first");
  locator.SetSecondaryDirectory(u"C:\\res\\second");
  std::vector<std::string> asked;
  locator.SetPackedProvider([&](const std::string& key, std::string* bytes) {
    asked.push_back(key);
    *bytes = "packed";
    return true;
  });
  locator.SetOverride(11001, "xml", "override");

  // Overrides, then the packed provider, and the directory last.
  EXPECT_EQ(Source(11001, "xml"), "override:override");
  VuResourceBlob blob;
  ASSERT_TRUE(locator.Load(11001, "xml", &blob, false));
  EXPECT_EQ(blob.source + ":" + blob.bytes, "packed resources:packed");
  EXPECT_EQ(asked.back(), "11001.xml");
  std::vector<VuResourceBlob> all = locator.LoadAll(11001, "xml");
  ASSERT_EQ(all.size(), 3u);  // no secondary directory without the flag
  EXPECT_EQ(all[2].source, "primary directory");
  EXPECT_EQ(all[2].path, u"C:\\res\\first\\11001.xml");

  // Directories first: primary, secondary, then the rest.
  locator.SetDirectoriesFirst(true);
  EXPECT_EQ(Source(11001, "xml"), "primary directory:primary");
  all = locator.LoadAll(11001, "xml");
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(all[1].bytes, "secondary");
  EXPECT_EQ(all[3].source, "packed resources");
}

TEST_F(ResourceLocatorTest, EmptyMissingAndHugeFilesAreNoResource) {
  VuResourceLocator& locator = VuResourceLocator::Instance();
  locator.SetPrimaryDirectory(u"C:\\res\\first");
  ASSERT_TRUE(WriteTextFile(Real("res/first/10000.xml"), ""));
  EXPECT_EQ(Source(10000, "xml"), "none");
  EXPECT_EQ(Source(10001, "xml"), "none");
  EXPECT_EQ(Source(10001, "png"), "none");
  // Over the bound: refused before reading, and said so.
  std::vector<VuLoadProblem> problems;
  locator.SetProblemSink([&](const VuLoadProblem& p) { problems.push_back(p); });
  ASSERT_EQ(RunCommand({"/usr/bin/truncate", "-s", "40M", Real("res/first/10002.xml")}).exit_code, 0);
  EXPECT_EQ(Source(10002, "xml"), "none");
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].message.find("larger than"), std::string::npos);
  // No directory at all.
  locator.SetPrimaryDirectory(u"");
  EXPECT_EQ(Source(10000, "xml"), "none");
}

class Tagged : public CVuObject {
 public:
  const char* GetTag() const override { return "thing"; }
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override {
    seen += std::string(name) + "=" + value + (loading ? ";" : "!");
    return std::string(name) == "bad" ? E_FAIL : 0;
  }
  void OnLoaded() override { seen += "loaded"; }
  std::string seen;
};

TEST_F(ResourceLocatorTest, ObjectsLoadAttributesInOrderAndReportRejectedOnes) {
  std::vector<VuLoadProblem> problems;
  VuResourceLocator::Instance().SetProblemSink([&](const VuLoadProblem& p) { problems.push_back(p); });
  ZXmlDocument doc;
  ASSERT_TRUE(doc.Parse("<skins>\n<thing z=\"1\" bad=\"2\" a=\"3\"/></skins>"));
  Tagged thing;
  {
    VuResourceLocator::DocumentScope scope("10000.xml");
    EXPECT_TRUE(thing.Load(doc.FirstChildElement().FirstChildElement()));
  }
  EXPECT_EQ(thing.seen, "z=1;bad=2;a=3;loaded");
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].document, "10000.xml");
  EXPECT_EQ(problems[0].line, 2);
  EXPECT_EQ(problems[0].message, "attribute \"bad\"=\"2\" rejected by <thing>");
  // Outside the scope no document is named.
  VuResourceLocator::Instance().Report(0, "later");
  EXPECT_EQ(problems.back().document, "");

  EXPECT_TRUE(thing.MatchesTag("thing"));
  EXPECT_FALSE(thing.MatchesTag("Thing"));
  EXPECT_FALSE(thing.MatchesTag(nullptr));
  CVuObject plain;
  EXPECT_FALSE(plain.MatchesTag(""));  // an abstract base matches nothing
}

}  // namespace
