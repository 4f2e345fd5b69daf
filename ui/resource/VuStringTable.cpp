#include "ui/resource/VuStringTable.h"

#include <climits>
#include <cstring>
#include <string>

#include "ui/resource/VuResourceLocator.h"
#include "ui/resource/VuUtf8.h"
#include "ui/style/VuValueParsers.h"

VuStringTable& VuStringTable::Instance() {
  static VuStringTable* table = new VuStringTable();  // lives until the process ends
  return *table;
}

int VuStringTable::LoadDocument(const ZXmlElement& root) {
  VuResourceLocator& locator = VuResourceLocator::Instance();
  if (!root || !root.Name() || std::strcmp(root.Name(), "string") != 0) {
    locator.Report(root ? root.Line() : 0,
                   std::string("root <") + (root && root.Name() ? root.Name() : "") +
                       "> is not <string>: no strings read");
    return 0;
  }
  int added = 0;
  for (ZXmlElement child = root.FirstChildElement(); child; child = child.NextSiblingElement()) {
    const char* tag = child.Name() ? child.Name() : "";
    if (std::strcmp(tag, "s") != 0) {
      locator.Report(child.Line(), std::string("unknown tag <") + tag + "> in <string>");
      continue;
    }
    const char* id = child.Attribute("id");
    if (!id) {
      locator.Report(child.Line(), "<s> without \"id\" skipped");
      continue;
    }
    const int number = VuParseInt(id);
    if (number <= 0) {
      // "%strN%" only reaches positive ids.
      locator.Report(child.Line(), std::string("<s> id \"") + id + "\" is not a positive number");
      continue;
    }
    const char* text = child.Text();
    std::u16string value = text ? VuUtf8ToUtf16(text) : std::u16string();
    std::lock_guard<std::mutex> lock(mutex_);
    if (strings_.emplace(number, std::move(value)).second) ++added;
  }
  return added;
}

void VuStringTable::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  strings_.clear();
}

const std::u16string* VuStringTable::Get(int id) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = strings_.find(id);
  // Entries are never removed but by Clear, and a map node never moves.
  return found == strings_.end() ? nullptr : &found->second;
}

std::u16string VuStringTable::Substitute(const std::u16string& text) const {
  static const std::u16string kOpen = u"%str";
  std::u16string out;
  size_t pos = 0;
  std::lock_guard<std::mutex> lock(mutex_);
  while (true) {
    const size_t at = text.find(kOpen, pos);
    if (at == std::u16string::npos) break;
    size_t end = at + kOpen.size();
    long long number = 0;
    for (; end < text.size() && text[end] >= u'0' && text[end] <= u'9'; ++end)
      if (number <= INT_MAX) number = number * 10 + (text[end] - u'0');
    // A reference that does not parse ends the substitution; the rest stays as written.
    if (number <= 0 || end >= text.size() || text[end] != u'%') break;
    out.append(text, pos, at - pos);
    if (number <= INT_MAX) {
      auto found = strings_.find(static_cast<int>(number));
      if (found != strings_.end()) out += found->second;
    }
    pos = end + 1;
  }
  out.append(text, pos, std::u16string::npos);
  return out;
}
