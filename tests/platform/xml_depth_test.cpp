// The depth limit of the XML reader: where it lies, what adds no level, and
// that no trick of the parser's own reading hides levels from the scan.
#include <pthread.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/common/xml_depth.h"
#include "platform/xml.h"

namespace {

std::string Repeat(const std::string& piece, size_t times) {
  std::string out;
  out.reserve(piece.size() * times);
  for (size_t i = 0; i < times; ++i) out += piece;
  return out;
}

// levels nested <a> elements, with inner in the innermost one.
std::string Nested(size_t levels, const std::string& inner = "") {
  return Repeat("<a>", levels) + inner + Repeat("</a>", levels);
}

// The depth of the tree the parser built, walked without recursion.
unsigned TreeDepth(const ZXmlDocument& doc) {
  unsigned deepest = 0;
  std::vector<ZXmlElement> path;
  for (ZXmlElement e = doc.FirstChildElement(); e || !path.empty();) {
    if (e) {
      path.push_back(e);
      if (path.size() > deepest) deepest = static_cast<unsigned>(path.size());
      e = e.FirstChildElement();
      continue;
    }
    e = path.back().NextSiblingElement();
    path.pop_back();
  }
  return deepest;
}

TEST(XmlDepthTest, TheLimitIsTwoHundredFiftySixLevels) {
  EXPECT_EQ(kXmlMaxElementDepth, 256u);
  ZXmlDocument doc;
  ASSERT_TRUE(doc.Parse(Nested(255, "<b>text</b><c/>").c_str()));
  ASSERT_TRUE(doc.Parse(Nested(256).c_str()));
  EXPECT_EQ(TreeDepth(doc), 256u);
  EXPECT_FALSE(doc.Parse(Nested(257).c_str()));
  EXPECT_FALSE(doc.FirstChildElement()) << "nothing of the refused document is kept";
  EXPECT_FALSE(doc.Parse(Nested(256, "<b/>").c_str())) << "an empty element is a level too";
  EXPECT_FALSE(doc.Parse(Nested(256, "<b x='1' />").c_str()));
  // Many shallow siblings are no depth at all.
  ASSERT_TRUE(doc.Parse(("<r>" + Repeat("<a><b/></a>", 5000) + "</r>").c_str()));
  EXPECT_EQ(TreeDepth(doc), 3u);

  EXPECT_EQ(XmlScanDepth(Nested(5).c_str(), 256), 5u);
  EXPECT_EQ(XmlScanDepth(Nested(50).c_str(), 10), 11u) << "counting stops past the limit";
  EXPECT_EQ(XmlScanDepth(nullptr, 256), 0u);
  EXPECT_EQ(XmlScanDepth("", 256), 0u);
}

TEST(XmlDepthTest, MarkupThatIsNotAnElementAddsNoLevel) {
  const std::pair<const char*, unsigned> cases[] = {
      {"<?xml version=\"1.0\" encoding=\"UTF-8\"?><!-- <a><a> --><r/>", 1},
      {"<r><!-- <a><b> </c> --><x/></r>", 2},
      {"<r><![CDATA[<a><b><c>]]></r>", 1},
      {"<r><?pi a > b?><x/></r>", 2},
      {"<!DOCTYPE r><r><x/></r>", 2},
      {"<r a=\"x>y\" b='/>'><x v=\"></a>\"/></r>", 2},
      {"<r><x/><x/><y a='1'/><z></z></r>", 2},
      {"<r>1 &lt; 2 &gt; 0 &#x3C;a&#62; &amp;<x/></r>", 2},
      {"\xEF\xBB\xBF<r><x>\xC3\xA4\xE4\xB8\xAD</x></r>", 2},
      {"<r></r><s><t/></s>", 2},
      {"<r><a></a></r></r></r><s/>", 2},
  };
  for (const auto& [text, depth] : cases) {
    EXPECT_EQ(XmlScanDepth(text, 256), depth) << text;
    ZXmlDocument doc;
    if (doc.Parse(text)) {
      EXPECT_LE(TreeDepth(doc), depth) << text;
    }
  }
}

// Each prefix makes the parser read on where a plain XML reading would be
// inside a value, a reference or a declaration; the levels after it are real
// to the parser and must be counted.
TEST(XmlDepthTest, NoReadingTrickHidesLevelsFromTheScan) {
  struct Trick {
    const char* name;
    std::string open;
    std::string close;
  };
  const Trick tricks[] = {
      {"a UTF-8 lead byte swallows the closing quote",
       "<?xml version=\"1.0\"?><r x=\"\xE0\" y=\">", "</r>"},
      {"the same after a byte-order mark", "\xEF\xBB\xBF<r x='\xF0' y='>", "</r>"},
      {"a numeric reference reaches past markup to its ';'", "<r>&#x<b y=\"x1;", "</r>"},
      {"a decimal one likewise", "<r>&#<b y='#5;", "</r>"},
      {"an instruction ends at its first '>'", "<r><?pi a > ", " ?></r>"},
      {"a DOCTYPE ends at its first '>'", "<!DOCTYPE r [<!ENTITY e \"", "\">]>"},
      {"a quoted '/>' does not close the tag", "<r><s v=\"/>\">", "</s></r>"},
  };
  for (const Trick& trick : tricks) {
    SCOPED_TRACE(trick.name);
    // Shallow enough to parse: the parser really nests this deep.
    const std::string shallow = trick.open + Nested(40) + trick.close;
    ZXmlDocument doc;
    ASSERT_TRUE(doc.Parse(shallow.c_str())) << shallow;
    const unsigned tree = TreeDepth(doc);
    EXPECT_GE(tree, 39u) << "the DOCTYPE's first '>' takes one <a> with it";
    EXPECT_GE(XmlScanDepth(shallow.c_str(), 256), tree);
    // Deep: refused.
    const std::string deep = trick.open + Nested(300) + trick.close;
    EXPECT_GT(XmlScanDepth(deep.c_str(), 256), 256u);
    EXPECT_FALSE(doc.Parse(deep.c_str()));
  }
}

struct DeepRun {
  std::string text;
  bool parsed = true;
  unsigned scanned = 0;
};

void* ParseDeep(void* argument) {
  auto* run = static_cast<DeepRun*>(argument);
  ZXmlDocument doc;
  run->parsed = doc.Parse(run->text.c_str());
  run->scanned = XmlScanDepth(run->text.c_str(), 1000000);
  return nullptr;
}

// On a thread with a small stack: one recursion per level would overflow it.
TEST(XmlDepthTest, AHundredThousandLevelsFailWithoutRecursion) {
  const std::pair<std::string, unsigned> documents[] = {
      {Nested(100000), 100000},
      {Repeat("<a>", 100000), 100000},  // never closed
      {"<r>" + Repeat("<a x=\"/>\" y='>'>", 100000) + "</r>", 100001},
      {"<?xml version=\"1.0\"?>" + Repeat("<a><!-- c --><![CDATA[d]]>\xC3\xA4", 100000), 100000},
  };
  for (const auto& [text, depth] : documents) {
    DeepRun run;
    run.text = text;
    pthread_attr_t attributes;
    ASSERT_EQ(pthread_attr_init(&attributes), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&attributes, 256 * 1024), 0);
    pthread_t thread;
    ASSERT_EQ(pthread_create(&thread, &attributes, ParseDeep, &run), 0);
    ASSERT_EQ(pthread_join(thread, nullptr), 0);
    pthread_attr_destroy(&attributes);
    EXPECT_FALSE(run.parsed);
    EXPECT_EQ(run.scanned, depth);
  }
}

}  // namespace
