#include "packet_public/ZXmlCursor.h"

#include <cstring>

#include "packet_public/ZText.h"

namespace {

// Empty components (doubled or trailing separators) are skipped.
std::vector<std::string> SplitElementPath(std::u16string_view path) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of(u"\\/", start);
    if (end == std::u16string_view::npos) end = path.size();
    if (end > start) names.push_back(Utf16ToUtf8(path.substr(start, end - start)));
    start = end + 1;
  }
  return names;
}

}  // namespace

ZXmlCursor::ZXmlCursor(const ZXmlDocument& document) : document_(document) {}

bool ZXmlCursor::Descend(ZXmlElement from, const std::vector<std::string>& names) {
  current_ = from;
  for (size_t i = 1; i < names.size() && current_; ++i)
    current_ = current_.FirstChildElement(names[i].c_str());
  return IsValid();
}

bool ZXmlCursor::MoveToPath(std::u16string_view path) {
  std::vector<std::string> names = SplitElementPath(path);
  ZXmlElement root = document_.FirstChildElement();
  if (names.empty() || !root || std::strcmp(root.Name(), names[0].c_str()) != 0) {
    current_ = ZXmlElement();
    return false;
  }
  return Descend(root, names);
}

bool ZXmlCursor::MoveToRelativePath(std::u16string_view path) {
  std::vector<std::string> names = SplitElementPath(path);
  if (names.empty() || !current_) {
    current_ = ZXmlElement();
    return false;
  }
  return Descend(current_.FirstChildElement(names[0].c_str()), names);
}

bool ZXmlCursor::Next() {
  current_ = current_.NextSiblingElement();
  return IsValid();
}

bool ZXmlCursor::GetAttribute(const char* name, std::string* value) const {
  const char* text = current_.Attribute(name);
  if (value) value->assign(text ? text : "");
  return text != nullptr;
}

bool ZXmlCursor::GetAttribute(const char* name, std::u16string* value) const {
  const char* text = current_.Attribute(name);
  if (value) *value = text ? Utf8ToUtf16(text) : std::u16string();
  return text != nullptr;
}

void ZXmlCursor::Save() { saved_.push_back(current_); }

void ZXmlCursor::Restore() {
  if (saved_.empty()) return;
  current_ = saved_.back();
  saved_.pop_back();
}
