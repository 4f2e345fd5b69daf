// The XML reader over arbitrary text: it never recurses past the depth limit,
// and a document it accepts is never deeper than the depth scan found it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "platform/common/xml_depth.h"
#include "platform/xml.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  ZXmlDocument doc;
  const bool parsed = doc.Parse(text.c_str());
  const unsigned scanned = XmlScanDepth(text.c_str(), kXmlMaxElementDepth);
  FUZZ_CHECK(!parsed || scanned <= kXmlMaxElementDepth);
  if (!parsed) return 0;
  // The tree's depth, walked without recursion; every name and value is read.
  unsigned deepest = 0;
  std::vector<ZXmlElement> path;
  for (ZXmlElement e = doc.FirstChildElement(); e || !path.empty();) {
    if (e) {
      FUZZ_CHECK(e.Name() != nullptr);
      e.Attribute("path");
      e.Text();
      path.push_back(e);
      if (path.size() > deepest) deepest = static_cast<unsigned>(path.size());
      e = e.FirstChildElement();
      continue;
    }
    e = path.back().NextSiblingElement();
    path.pop_back();
  }
  FUZZ_CHECK(deepest <= scanned);
  return 0;
}
